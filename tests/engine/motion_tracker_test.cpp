// The motion tracker (Motion_Estimate 1) on a wheel read every 16 ms: the velocity of a
// steady turn, from staircases of whole counts, a stop, and what must restart it.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/motion_tracker.h"

namespace quorforce {
namespace {

constexpr std::uint32_t kStep = 16;
constexpr int kSettleReads = 16;

// A turn of `perRead` counts a read, read as the encoder gives it: whole counts.
struct Turn {
    MotionState m;
    double exact = 100.25;
    std::uint32_t now = 5000;
    void Read(double perRead) {
        exact += perRead;
        m.position = static_cast<std::int32_t>(std::floor(exact));
        now += kStep;
        TrackMotion(m, now);
    }
};

// One count a read is 32 / 16 = 2 in the velocity's units (units per ms × 32).
double CountsPerRead(const MotionState& m) { return m.smoothVelocity * kStep / 32.0; }

TEST(MotionTracker, SteadyTurnsGiveTheirSpeedWithinOneCountARead) {
    for (double perRead : {0.3, 0.5, -0.5, 1.0, 2.7, -7.0, 40.0}) {
        SCOPED_TRACE(perRead);
        Turn turn;
        TrackMotion(turn.m, turn.now);
        for (int i = 0; i < kSettleReads; ++i)
            turn.Read(perRead);
        // From then on every read's estimate stays within one count a read, and the mean
        // within a tenth of one.
        double sum = 0;
        for (int i = 0; i < 64; ++i) {
            turn.Read(perRead);
            EXPECT_NEAR(CountsPerRead(turn.m), perRead, 1.0);
            sum += CountsPerRead(turn.m);
        }
        EXPECT_NEAR(sum / 64, perRead, 0.1);
    }
}

TEST(MotionTracker, AStopIsExactRestWithinTheRestReads) {
    Turn turn;
    TrackMotion(turn.m, turn.now);
    for (int i = 0; i < kSettleReads; ++i)
        turn.Read(3.0);
    for (int i = 0; i < kRestReads; ++i)
        turn.Read(0.0);
    EXPECT_EQ(turn.m.smoothVelocity, 0.0f);
    EXPECT_EQ(turn.m.smoothAcceleration, 0.0f);
    turn.Read(0.0);
    EXPECT_EQ(turn.m.smoothVelocity, 0.0f);  // and it stays there
}

// What breaks the history starts the tracker again at rest from the position then.
TEST(MotionTracker, GapsJumpsAndTheFirstReadPrime) {
    const struct {
        const char* what;
        std::uint32_t gap;
        std::int32_t to;
    } rows[] = {
        {"a stall of more than 250 ms", 400, 130},
        {"a jump of more than 2^20 units", kStep, 1 << 22},
        {"a jump across the whole 32-bit axis", kStep, INT32_MIN},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Turn turn;
        TrackMotion(turn.m, turn.now);
        for (int i = 0; i < kSettleReads; ++i)
            turn.Read(2.0);
        turn.m.position = row.to;
        TrackMotion(turn.m, turn.now + row.gap);
        EXPECT_EQ(turn.m.smoothVelocity, 0.0f);
        EXPECT_EQ(turn.m.trackedPosition, row.to);
        EXPECT_EQ(turn.m.trackTick, turn.now + row.gap);
    }
    MotionState fresh;
    fresh.position = 77;
    TrackMotion(fresh, 123);
    EXPECT_EQ(fresh.tracking, 1);
    EXPECT_EQ(fresh.trackedPosition, 77);
}

TEST(MotionTracker, TwoReadsInOneTickChangeNothing) {
    Turn turn;
    TrackMotion(turn.m, turn.now);
    turn.Read(2.0);
    const MotionState before = turn.m;
    turn.m.position += 5;
    TrackMotion(turn.m, turn.now);
    EXPECT_EQ(turn.m.smoothVelocity, before.smoothVelocity);
    EXPECT_EQ(turn.m.trackedPosition, before.trackedPosition);
}

// The axis's extremes every read: the state stays finite and bounded.
TEST(MotionTracker, HostileAxisValuesStayBounded) {
    MotionState m;
    std::uint32_t now = 0;
    for (int i = 0; i < 200; ++i) {
        m.position = (i % 3 == 0) ? INT32_MAX : (i % 3 == 1 ? INT32_MIN : (1 << 20) - 1);
        TrackMotion(m, now += (i % 5 == 0 ? 0u : 1u));
        ASSERT_TRUE(std::isfinite(m.smoothVelocity));
        ASSERT_TRUE(std::isfinite(m.smoothAcceleration));
        ASSERT_LE(std::fabs(m.smoothVelocity), 16777216.0f);
    }
}

}  // namespace
}  // namespace quorforce
