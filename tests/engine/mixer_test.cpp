// The mixer driven directly: its time windows against the clock readings a pass hands down,
// across the counter's 49.7-day wrap, and the sums and bytes beyond full force.
#include <gtest/gtest.h>

#include "engine/mixer.h"
#include "state/effect_ids.h"
#include "tests/driver/test_table.h"
#include "tests/engine/engine_test_support.h"

namespace quorforce {
namespace {

constexpr std::int32_t kRest = 0x80;  // the channel byte of no force

// One playing full constant force on area 0 of a bound one-value force wheel; the report
// format 0 keeps the mixer from sending, so only the channel bytes are looked at.
class Mixer : public ::testing::Test {
protected:
    void SetUp() override {
        ProcessState& p = t.process;
        p.table->settings[0] = test::Settings(test::Mode::Force, test::Channels::One);
        p.deviceLinks[0].inUse = 1;
        p.playingCount[0] = 1;
        p.table->areas[0].slotUsed[0] = 1;
        p.table->areas[0].slotPlaying[0] = 1;
        EffectSlot& slot = t.slot(0, 1);
        slot.effectTypeId = kEffectConstant;
        slot.gain = 10000;
        slot.axisCount = 1;
        slot.envelope = {20, 10000, 0, 10000, 0};
        slot.constant.magnitude = 10000;
        slot.duration = 100000;  // 100 ms
    }
    // Slot `handle` (1..) playing a constant of `magnitude`, like slot 1.
    void AddConstant(int handle, std::int32_t magnitude) {
        EffectSlot& slot = t.slot(0, handle);
        slot = t.slot(0, 1);
        slot.constant.magnitude = magnitude;
        t.process.table->areas[0].slotUsed[handle - 1] = 1;
        t.process.table->areas[0].slotPlaying[handle - 1] = 1;
    }
    // The channel byte of the tick at `now` (a one-value wheel's force is the second).
    std::int32_t MixAt(std::uint32_t now) {
        MixDevice(t.process, 0, now);
        return t.process.deviceLinks[0].lastSecond;
    }

    test::TestTable t;
};

TEST_F(Mixer, WindowsHoldAcrossTheWrap) {
    struct Row {
        const char* what;
        std::uint32_t delayMs;
        std::uint32_t start;  // the reading of the first tick that sees the slot playing
        std::uint32_t later;
        bool playing;
    };
    const Row rows[] = {
        {"96 ms in, 64 of them before the wrap", 0, 0xFFFFFFC0u, 0x20u, true},
        {"112 ms in: over", 0, 0xFFFFFFC0u, 0x30u, false},
        {"still in its start delay after the wrap", 50, 0xFFFFFFF0u, 0x10u, false},
        {"past its start delay after the wrap", 50, 0xFFFFFFF0u, 0x30u, true},
        {"past delay and duration after the wrap", 50, 0xFFFFFFF0u, 0x90u, false},
        {"first seen at reading 0", 0, 0, 99u, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EffectSlot& slot = t.slot(0, 1);
        slot.startTime = 0;
        slot.startDelay = row.delayMs * 1000;
        MixAt(row.start);
        EXPECT_NE(slot.startTime, 0u);  // stamped, even at reading 0
        const std::int32_t force = MixAt(row.later);
        if (row.playing) {
            EXPECT_NE(force, kRest);
        } else {
            EXPECT_EQ(force, kRest);
        }
    }
}

// Each addition is clamped to ±20000 before the next: +20000, +20000, -20000 ends at 0,
// not at +20000.
TEST_F(Mixer, ForceSumIsClampedAfterEachAddition) {
    t.slot(0, 1).constant.magnitude = 10000;  // +20000
    AddConstant(2, 10000);
    AddConstant(3, -10000);
    EXPECT_EQ(MixAt(100), kRest);
}

TEST_F(Mixer, ShockSumSaturatesAndTheGlobalValueScalesTheByte) {
    ProcessState& p = t.process;
    p.table->settings[0] = test::Settings(test::Mode::Shock, test::Channels::One);
    t.slot(0, 1).constant.magnitude = 7500;
    EXPECT_EQ(MixAt(100), 191);  // one effect: 15000 of 20000
    AddConstant(2, 7500);
    EXPECT_EQ(MixAt(116), 255);  // two: 30000 saturates at 20000, it does not wrap to 126
    p.table->settings[0].globalValue = 50;
    EXPECT_EQ(MixAt(132), 127);
}

}  // namespace
}  // namespace quorforce
