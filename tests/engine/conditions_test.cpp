// Spring, damper, inertia and friction forces in both modes: dead band, saturation, device
// scaling, the motion input each kind takes under either motion estimate, and extreme inputs.
#include <gtest/gtest.h>

#include "state/effect_ids.h"
#include "synthesis/conditions.h"
#include "tests/engine/engine_test_support.h"

namespace quorforce {
namespace {

using test::Channels;
using test::Mode;
using test::Settings;

const DirectionInputs kTwoAxes{27000, 0, 2};

ConditionInputs Spring() {
    ConditionInputs c;
    c.positiveCoefficient = 10000;
    c.negativeCoefficient = 10000;
    c.positiveSaturation = 10000;
    c.negativeSaturation = 10000;
    return c;
}

int Signed(const ForcePair& pair) { return pair.secondSign < 0 ? -pair.second : pair.second; }

int Force(const DeviceSettings& s, const ConditionInputs& c, std::int32_t x,
          std::uint8_t coefficientByte = 40) {
    return Signed(SynthCondition(s, c, kTwoAxes, MotionInput{x, coefficientByte}));
}

TEST(ForceModeCondition, SpringFollowsThePositionBothWays) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    // Position 100: x 2000, F 2000, ×4 = 8000, doubled 16000. Never projected by angle.
    ForcePair pushed = SynthCondition(s, Spring(), kTwoAxes, MotionInput{2000, 40});
    EXPECT_EQ(pushed.second, 16000);
    EXPECT_EQ(pushed.firstSign, 1);
    ForcePair pulled = SynthCondition(s, Spring(), kTwoAxes, MotionInput{-2000, 40});
    EXPECT_EQ(pulled.second, 16000);
    EXPECT_EQ(pulled.firstSign, -1);
    EXPECT_EQ(pulled.secondSign, -1);
}

TEST(ForceModeCondition, DeadBandOffsetAndExpiry) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    ConditionInputs c = Spring();
    c.deadBand = 3000;
    EXPECT_EQ(Force(s, c, 2000), 0);
    EXPECT_EQ(Force(s, c, -3000), 0);
    EXPECT_EQ(Force(s, c, 5000), 16000);  // 2000 beyond the edge
    c.deadBand = 0;
    c.offset = 1000;
    EXPECT_EQ(Force(s, c, 3000), 16000);
    c.offset = 0;
    c.end = 1000;
    c.t = 999;
    EXPECT_EQ(Force(s, c, 2000), 16000);
    c.t = 1000;
    EXPECT_EQ(Force(s, c, 2000), 0);
}

TEST(ForceModeCondition, SaturationBothSides) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    ConditionInputs c = Spring();
    c.positiveSaturation = 5000;
    c.negativeSaturation = -3000;  // a negative saturation counts by its size
    EXPECT_EQ(Force(s, c, 2000), 10000);
    EXPECT_EQ(Force(s, c, -2000), -6000);
}

TEST(ForceModeCondition, DynamicValueAndGainActInWholeSteps) {
    DeviceSettings s = Settings(Mode::Force, Channels::One);
    ConditionInputs c = Spring();
    const struct {
        std::int32_t dynamicValue;
        std::int32_t gain;
        int expected;
    } rows[] = {
        {100, 10000, 16000},
        {60, 10000, 16000},
        {50, 10000, 8000},
        {33, 10000, 5333},
        {100, 5000, 8000},
        {100, 5001, 16000},
        {0, 10000, 0},
        {100, 0, 0},
        // Beyond 100 percent and 10000 the divisor would be 0: they act like the full value.
        {150, 10000, 16000},
        {100, 20000, 16000},
        {-300, 10000, 16000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.dynamicValue << " " << row.gain);
        s.dynamicValue = row.dynamicValue;
        c.gain = row.gain;
        EXPECT_EQ(Force(s, c, 2000), row.expected);
    }
}

TEST(ShockModeCondition, CoefficientsRelativeToTheDeadBandEdge) {
    const DeviceSettings s = Settings(Mode::Shock, Channels::One);
    ConditionInputs c = Spring();            // dead band 0, raised to 2000
    EXPECT_EQ(Force(s, c, 4000, 0), 10000);  // F 10000, limited to 5000
    EXPECT_EQ(Force(s, c, 3000, 0), 10000);  // F 5000
    EXPECT_EQ(Force(s, c, 2500, 0), 5000);   // F 2500
    EXPECT_EQ(Force(s, c, 1500, 0), 0);      // inside the dead band
    // Either side gives a positive intensity.
    EXPECT_EQ(Force(s, c, -3000, 0), 10000);
    c.negativeCoefficient = -10000;
    EXPECT_EQ(Force(s, c, -3000, 0), 10000);
    c.end = 100;
    c.t = 100;
    EXPECT_EQ(Force(s, c, 4000, 0), 0);
}

TEST(ShockModeCondition, EdgeAtZeroDisablesThatSide) {
    const DeviceSettings s = Settings(Mode::Shock, Channels::One);
    ConditionInputs c = Spring();
    c.offset = 2000;  // lower edge 2000 - 2000 = 0
    EXPECT_EQ(Force(s, c, -5000, 0), 0);
    EXPECT_EQ(Force(s, c, 5000, 0), 5000);  // upper edge 4000: F = 2500
}

TEST(ShockModeCondition, DynamicValueScales) {
    DeviceSettings s = Settings(Mode::Shock, Channels::One);
    s.dynamicValue = 50;
    EXPECT_EQ(Force(s, Spring(), 2500, 0), 2500);
    s.dynamicValue = 0;
    EXPECT_EQ(Force(s, Spring(), 2500, 0), 0);
}

// Friction: against the motion, growing over its ramp beyond the dead band to its
// coefficient, then flat; doubled by the device scaling like every condition. On a 10-bit
// axis the ramp is half the coefficient: 3000 for the positive side, 1500 for the negative.
TEST(ForceModeCondition, FrictionOpposesTheMotionUpToItsCoefficient) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    ConditionInputs c = Spring();
    c.positiveCoefficient = 6000;
    c.negativeCoefficient = 3000;
    c.deadBand = 100;
    const struct {
        std::int32_t x;
        int force;
    } rows[] = {
        {0, 0},        {100, 0},       {-100, 0},  // at rest and inside the dead band
        {1600, 6000},                              // half way up the ramp: 2 × 3000
        {3100, 12000}, {50000, 12000},             // its top, and the coefficient beyond
        {-850, -3000}, {-1600, -6000}, {-900000, -6000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.x);
        MotionInput input{row.x, kFrictionCoefficientByte, ConditionLaw::Friction, 1024};
        EXPECT_EQ(Signed(SynthCondition(s, c, kTwoAxes, input)), row.force);
    }
    c.positiveSaturation = 4000;  // the saturation caps it like any condition: 2 × 4000
    EXPECT_EQ(Signed(SynthCondition(s, c, kTwoAxes,
                                    {50000, kFrictionCoefficientByte, ConditionLaw::Friction})),
              8000);
    // A vibration motor cannot resist a motion: no shock-mode friction.
    EXPECT_EQ(Signed(SynthCondition(Settings(Mode::Shock, Channels::One), c, kTwoAxes,
                                    {50000, 0, ConditionLaw::Friction})),
              0);
}

// The ramp on the axis's own scale, never steeper than the default damper at full
// coefficient: span × max(|coefficient|, 400) / 2048, within 1..INT32_MAX.
TEST(ForceModeCondition, FrictionRampFollowsTheAxisAndTheStrength) {
    const struct {
        std::int32_t coefficient;
        std::int64_t span;
        std::int64_t ramp;
    } rows[] = {
        {400, 1024, 200},
        {0, 1024, 200},
        {100, 1024, 200},
        {3000, 1024, 1500},
        {-3000, 1024, 1500},
        {10000, 1024, 5000},
        {400, 256, 50},
        {400, 65536, 12800},
        {3000, 65536, 96000},
        {400, 1, 1},
        {400, -5, 1},
        {INT32_MIN, 1024, 1073741824},
        {INT32_MIN, std::int64_t{1} << 40, INT32_MAX},
        {400, INT64_MAX, 419430400},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.coefficient << " on " << row.span);
        EXPECT_EQ(FrictionRamp(row.coefficient, row.span), row.ramp);
    }
}

// What a slow turn meets: the whole range in 16 s, one count a 16 ms step on a 10-bit wheel
// (velocity 1 × 32 / 16 = 2, x 200) and 64 on a 16-bit one. A coefficient up to 400 is met in
// full; a stronger one gives the force of 400 there and its own a little faster (3000 on a
// 10-bit wheel at 7.5 counts a step), where a fixed ramp gave a tenth on the 10-bit wheel.
TEST(ForceModeCondition, SlowTurnMeetsFrictionOnEveryAxis) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    const struct {
        std::int64_t span;
        std::int32_t countsPerStep;
        std::int32_t coefficient;
        int force;
    } rows[] = {
        {1024, 1, 400, 800},    {65536, 64, 400, 800}, {1024, 1, 3000, 800},
        {65536, 64, 3000, 800}, {1024, 1, 10000, 800}, {1024, 8, 3000, 6000},
        {256, 1, 200, 400},     {1024, -1, 400, -800}, {65536, 32, 400, 400},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.countsPerStep << " counts on " << row.span);
        ConditionInputs c = Spring();
        c.positiveCoefficient = c.negativeCoefficient = row.coefficient;
        const std::int32_t x = row.countsPerStep * 32 / 16 * 100;
        const MotionInput input{x, kFrictionCoefficientByte, ConditionLaw::Friction, row.span};
        EXPECT_EQ(Signed(SynthCondition(s, c, kTwoAxes, input)), row.force);
    }
}

TEST(ConditionInput, EachKindTakesItsMotionValueAndByte) {
    DeviceSettings force = Settings(Mode::Force, Channels::One);
    DeviceSettings shock = Settings(Mode::Shock, Channels::One);
    force.by10SpringCoef = 41;
    force.by10DamperCoef = 22;
    force.by10InertiaCoef = 23;
    MotionState m;
    m.position = 100;
    m.velocity = 7;
    m.acceleration = 3;
    m.positionDelta = 5;
    m.deltaChange = -2;
    m.smoothVelocity = 2.5f;
    m.smoothAcceleration = -0.75f;
    DeviceSettings smooth = force;
    smooth.motionEstimate = 1;
    const struct {
        std::uint32_t id;
        const DeviceSettings* settings;
        std::int32_t x;
        std::uint8_t coefficientByte;
    } rows[] = {
        {kEffectSpring, &force, 2000, 41},
        {kEffectDamper, &force, 700, 22},
        {kEffectInertia, &force, 300, 23},
        {kEffectInertiaAlt, &force, 300, 23},
        {kEffectSpring, &shock, 7800, 0},
        {kEffectDamper, &shock, 390, 0},
        {kEffectInertia, &shock, -156, 0},
        {kEffectConstant, &force, 0, 0},
        {kEffectFriction, &force, 700, kFrictionCoefficientByte},
        {kEffectFriction, &shock, 390, 0},
        // The tracker's values, chosen by Motion_Estimate 1; the spring keeps the reads.
        {kEffectDamper, &smooth, 250, 22},
        {kEffectInertia, &smooth, -75, 23},
        {kEffectFriction, &smooth, 250, kFrictionCoefficientByte},
        {kEffectSpring, &smooth, 2000, 41},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        MotionInput input = MotionInputFor(row.id, *row.settings, m, 4096);
        EXPECT_EQ(input.x, row.x);
        EXPECT_EQ(input.axisSpan, row.id == kEffectFriction ? 4096 : kTenBitAxisSpan);
        EXPECT_EQ(input.coefficientByte, row.coefficientByte);
        EXPECT_EQ(input.law,
                  row.id == kEffectFriction ? ConditionLaw::Friction : ConditionLaw::Proportional);
    }
    m.position = INT32_MAX / 2;  // a 32-bit axis far out: the product saturates
    EXPECT_EQ(MotionInputFor(kEffectSpring, force, m, kTenBitAxisSpan).x, INT32_MAX);
}

// The stabiliser reads the spring one engine step ahead along the smooth velocity, and only
// the spring in force mode: at rest, in shock mode and for the other kinds nothing changes.
TEST(Condition, StabilisedSpringLeadsAlongTheVelocityOneStepOn) {
    const DeviceSettings force = Settings(Mode::Force, Channels::One);
    const DeviceSettings shock = Settings(Mode::Shock, Channels::One);
    MotionState m;
    m.position = 100;
    // Velocities in units per ms x 32; the lead is 3/4 step along 2 v - v_prev.
    const struct {
        float velocity;
        SpringLead lead;
        std::int32_t x;
    } rows[] = {
        {0.0f, {16, true, 0.0f}, 2000},     // at rest at both ticks: the plain spring
        {32.0f, {16, false, 0.0f}, 2240},   // no previous read: 12 units along 1 unit/ms
        {32.0f, {16, true, 32.0f}, 2240},   // a steady turn: the same
        {32.0f, {16, true, 0.0f}, 2480},    // speeding up: it reads further on
        {-16.0f, {8, true, -32.0f}, 2000},  // slowing to half: the step's lead cancels
        {0.0f, {16, true, 32.0f}, 1760},    // just stopped: the wheel's swing goes on
        {32.0f, {1000, false, 0.0f}, 2000 + 15 * kLongestLeadMs},  // at most the longest step
        {3.0e38f, {16, true, -3.0e38f}, INT32_MAX},                // a runaway estimate
        {-3.0e38f, {16, true, 3.0e38f}, INT32_MIN + 2000},         // the shift saturates first
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.velocity);
        m.smoothVelocity = row.velocity;
        EXPECT_EQ(MotionInputFor(kEffectSpring, force, m, kTenBitAxisSpan, row.lead).x, row.x);
        EXPECT_EQ(SpringLeadPosition(m, row.lead), row.x);
        EXPECT_EQ(MotionInputFor(kEffectSpring, shock, m, kTenBitAxisSpan, row.lead).x, 7800);
        EXPECT_EQ(MotionInputFor(kEffectDamper, force, m, kTenBitAxisSpan, row.lead).x,
                  MotionInputFor(kEffectDamper, force, m, kTenBitAxisSpan).x);
    }
    // A step of 0 is the switch off: the plain spring whatever the velocities.
    m.smoothVelocity = 32.0f;
    EXPECT_EQ(MotionInputFor(kEffectSpring, force, m, kTenBitAxisSpan, {0, true, 0.0f}).x, 2000);
}

TEST(Condition, ExtremeInputsStayDefined) {
    const DeviceSettings force = Settings(Mode::Force, Channels::One);
    const DeviceSettings shock = Settings(Mode::Shock, Channels::One);
    ConditionInputs c;
    c.positiveCoefficient = INT32_MAX;
    c.negativeCoefficient = INT32_MIN;
    c.positiveSaturation = INT32_MAX;
    c.negativeSaturation = INT32_MIN;
    c.offset = INT32_MIN;
    c.deadBand = INT32_MIN;
    c.gain = INT32_MIN;
    for (std::int32_t x : {INT32_MIN, -1, 0, INT32_MAX}) {
        SynthCondition(force, c, kTwoAxes, MotionInput{x, 255});
        SynthCondition(shock, c, kTwoAxes, MotionInput{x, 0});
        for (std::int64_t span : {std::int64_t{0}, std::int64_t{2}, INT64_MAX})
            SynthCondition(force, c, kTwoAxes, MotionInput{x, 255, ConditionLaw::Friction, span});
    }
    c = Spring();
    EXPECT_EQ(Force(force, c, INT32_MAX), 20000);  // saturated at 10000, doubled
}

}  // namespace
}  // namespace quorforce
