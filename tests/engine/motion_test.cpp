// The motion estimate after completed and failed reads, the tick counter's wrap, and
// sign extension of raw axis values.
#include <gtest/gtest.h>

#include "engine/motion.h"
#include "util/sign_extend.h"

namespace quorforce {
namespace {

// What the input read does before UpdateMotion: keep the old position, store the new.
void Read(MotionState& m, std::int32_t position) {
    m.previousPosition = m.position;
    m.position = position;
}

TEST(Motion, CompletedReadGivesDeltaVelocityAndAcceleration) {
    MotionState m;
    m.lastTick = 1000;
    m.position = 100;
    Read(m, 116);
    UpdateMotion(m, Done::Yes, 1016);
    EXPECT_EQ(m.tickDelta, 16);
    EXPECT_EQ(m.positionDelta, 16);
    EXPECT_EQ(m.velocity, 32);
    EXPECT_EQ(m.acceleration, 64);
    EXPECT_EQ(m.failedReads, 0);
    EXPECT_EQ(m.previousPosition, 100);
    EXPECT_EQ(m.lastTick, 1016u);
}

TEST(Motion, SameTickKeepsVelocityAndAcceleration) {
    MotionState m;
    m.lastTick = 500;
    m.velocity = 5;
    m.acceleration = 7;
    Read(m, 40);
    UpdateMotion(m, Done::Yes, 500);
    EXPECT_EQ(m.positionDelta, 40);
    EXPECT_EQ(m.velocity, 5);
    EXPECT_EQ(m.acceleration, 7);
}

TEST(Motion, FailedReadsBringTheEstimateToRest) {
    MotionState m;
    m.lastTick = 0;
    m.position = 100;
    Read(m, 116);
    UpdateMotion(m, Done::Yes, 16);
    // Nothing arrives: the position stays and the kept values catch up.
    UpdateMotion(m, Done::No, 32);
    EXPECT_EQ(m.failedReads, 1);
    EXPECT_EQ(m.position, 116);
    EXPECT_EQ(m.previousPosition, 116);
    EXPECT_EQ(m.previousDelta, 16);
    EXPECT_EQ(m.previousVelocity, m.velocity);
    UpdateMotion(m, Done::No, 48);
    EXPECT_EQ(m.failedReads, 2);
    EXPECT_EQ(m.positionDelta, 0);
    EXPECT_EQ(m.velocity, 0);
    // The next completed read measures from the kept position.
    Read(m, 120);
    UpdateMotion(m, Done::Yes, 64);
    EXPECT_EQ(m.failedReads, 0);
    EXPECT_EQ(m.positionDelta, 4);
    EXPECT_EQ(m.velocity, 8);
}

TEST(Motion, TickCounterWrapIsOneStep) {
    MotionState m;
    m.lastTick = 0xFFFFFFF0u;
    Read(m, 16);
    UpdateMotion(m, Done::Yes, 0);
    EXPECT_EQ(m.tickDelta, 16);
    EXPECT_EQ(m.velocity, 32);
}

TEST(Motion, ExtremePositionsSaturate) {
    MotionState m;
    m.lastTick = 0;
    m.position = INT32_MIN;
    Read(m, INT32_MAX);
    UpdateMotion(m, Done::Yes, 1);
    EXPECT_EQ(m.positionDelta, INT32_MAX);
    EXPECT_EQ(m.velocity, INT32_MAX);
    // A tick delta that reads negative (a counter far behind) divides without trouble.
    m.lastTick = 0;
    UpdateMotion(m, Done::Yes, 0x80000000u);
    EXPECT_EQ(m.tickDelta, INT32_MIN);
}

TEST(SignExtend, ExtendsFromTheTopBitOfTheField) {
    BuildSignMasks();
    EXPECT_EQ(signMasks[0], 0xFFFFFFFFu);
    EXPECT_EQ(signMasks[10], 0xFFFFFC00u);
    EXPECT_EQ(static_cast<std::int32_t>(SignExtend(10, 0x3FF)), -1);
    EXPECT_EQ(SignExtend(10, 0x1FF), 511u);
    EXPECT_EQ(static_cast<std::int32_t>(SignExtend(16, 0x8000)), -32768);
    EXPECT_EQ(SignExtend(32, 0x80000000u), 0x80000000u);
    EXPECT_EQ(SignExtend(40, 0x3FF), 0x3FFu);
    EXPECT_EQ(SignExtend(0, 0x3FF), 0x3FFu);
}

}  // namespace
}  // namespace quorforce
