// From a slot's fields to its force: the unit conversions and the dispatch by effect id.
#include <gtest/gtest.h>

#include "state/effect_ids.h"
#include "synthesis/slot_synthesis.h"
#include "tests/engine/engine_test_support.h"

namespace quorforce {
namespace {

using test::Channels;
using test::Mode;
using test::Settings;
using test::SlotOf;

TEST(SlotSynthesis, TimesBecomeMilliseconds) {
    EffectSlot slot = SlotOf(kEffectConstant);
    slot.duration = 2500999;
    slot.envelope.attackTime = 400999;
    slot.envelope.fadeTime = 1000999;
    const EnvelopeInputs e = EnvelopeOf(slot, 77);
    EXPECT_EQ(e.attackTime, 400);
    EXPECT_EQ(e.end, 2500);
    EXPECT_EQ(e.fadeStart, 1500);
    EXPECT_EQ(e.magnitude, 77);
    slot.duration = 0xFFFFFFFFu;
    EXPECT_EQ(EndOfEffect(slot), 0);
    // A 50-minute effect keeps its end instead of turning negative and silent.
    slot.duration = 3000000000u;
    EXPECT_EQ(EndOfEffect(slot), 3000000);
}

TEST(SlotSynthesis, DispatchesByEffectId) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    MotionState motion;
    motion.position = 100;

    EffectSlot constant = SlotOf(kEffectConstant);
    constant.constant.magnitude = 2500;
    EXPECT_EQ(SynthesizeSlot(constant, s, 0, motion).second, 5000);

    EffectSlot sine = SlotOf(kEffectSineAlt);
    sine.periodic = {10000, 0, 0, 400000};
    EXPECT_EQ(SynthesizeSlot(sine, s, 100, motion).second, 20000);

    EffectSlot sawDown = SlotOf(kEffectSawtoothDown);
    sawDown.periodic = {10000, 0, 0, 400000};
    EXPECT_EQ(SynthesizeSlot(sawDown, s, 0, motion).second, 20000);

    EffectSlot ramp = SlotOf(kEffectRamp);
    ramp.duration = 1000000;
    ramp.ramp = {0, 10000};
    EXPECT_EQ(SynthesizeSlot(ramp, s, 500, motion).second, 10000);

    EffectSlot spring = SlotOf(kEffectSpring);
    spring.condition = {0, 10000, 10000, 10000, 10000, 0};
    EXPECT_EQ(SynthesizeSlot(spring, s, 0, motion).second, 16000);
    EXPECT_TRUE(IsConditionEffect(kEffectSpring));
    EXPECT_FALSE(IsConditionEffect(kEffectConstant));

    EXPECT_EQ(SynthesizeSlot(SlotOf(34), s, 0, motion).Word(), 0u);
}

}  // namespace
}  // namespace quorforce
