// The mixer driven directly: its time windows against the clock readings a pass hands down,
// across the counter's 49.7-day wrap, the sums and bytes beyond full force, and friction on
// the bound wheel's own axis scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "engine/mixer.h"
#include "engine/steering_axis.h"
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

// Friction is sized by the bound link's X axis: the same velocity of 2 (one count a 16 ms step)
// is the full 400 on a 10-bit wheel, 2 × 400 = 800, byte 128 + (800 × 255 / 20000 >> 1); on a
// 16-bit wheel it is a 64th of the turn that meets it: 2 × 6, no step of the byte.
TEST_F(Mixer, FrictionIsSizedByTheBoundWheelsAxis) {
    EffectSlot& slot = t.slot(0, 1);
    slot.effectTypeId = kEffectFriction;
    slot.duration = INFINITE;
    slot.condition.positiveCoefficient = slot.condition.negativeCoefficient = 400;
    slot.condition.positiveSaturation = slot.condition.negativeSaturation = 10000;
    t.process.motion[0].velocity = 2;
    DeviceLink& link = t.process.deviceLinks[0];
    link.inputAxisCount = 1;
    link.inputAxes[0] = {0x30, 1, 0, 1023, 10, 0};
    EXPECT_EQ(MixAt(100), 133);
    link.inputAxes[0] = {0x30, 1, 0, 65535, 16, 0};
    EXPECT_EQ(MixAt(116), 133);  // the span is kept from the bind's caps
    link.axisSpan = 0;           // as a bind to new caps leaves it
    EXPECT_EQ(MixAt(132), kRest);
}

// The axis caps come from the device's report descriptor: whatever they hold, the span is
// positive, and the X axis is looked for only among the recorded axes.
TEST(SteeringAxis, SpanFromTheXAxisCaps) {
    const struct {
        const char* what;
        std::uint16_t count;
        AxisCaps axes[kMaxInputAxes];
        std::int64_t span;
    } rows[] = {
        {"10-bit", 1, {{0x30, 1, 0, 1023, 10, 0}}, 1024},
        {"16-bit signed", 1, {{0x30, 1, -32768, 32767, 16, 1}}, 65536},
        {"unsigned maximum written negative", 1, {{0x30, 1, 0, -1, 16, 0}}, 65536},
        {"one value", 1, {{0x30, 1, 5, 5, 8, 0}}, 256},
        {"nothing known", 1, {{0x30, 1, 0, 0, 0, 0}}, 1024},
        {"no bit size to go by", 1, {{0x30, 1, 7, 3, 40, 0}}, 1024},
        {"the whole 32 bits", 1, {{0x30, 1, INT32_MIN, INT32_MAX, 32, 1}}, std::int64_t{1} << 32},
        {"X after Y", 2, {{0x31, 1, 0, 255, 8, 0}, {0x30, 1, 0, 4095, 12, 0}}, 4096},
        {"no X", 1, {{0x31, 1, 0, 4095, 12, 0}}, 1024},
        {"X not recorded", 1, {{0x31, 1, 0, 255, 8, 0}, {0x30, 1, 0, 4095, 12, 0}}, 1024},
        {"a count past the array", 60000, {{}, {}, {}, {0x30, 1, 0, 2047, 11, 0}}, 2048},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        DeviceLink link;
        link.inputAxisCount = row.count;
        std::copy(std::begin(row.axes), std::end(row.axes), link.inputAxes);
        EXPECT_EQ(SteeringAxisSpan(link), row.span);
    }
}

}  // namespace
}  // namespace quorforce
