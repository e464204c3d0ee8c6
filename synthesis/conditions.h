// The condition effects: spring (from the position), damper and friction (from the
// velocity) and inertia (from the acceleration), in force-feedback and shock mode. Stateless; runs
// on ForceThread with the TableMutex held and the InputMutex around the motion read.
#pragma once

#include <cstdint>

#include "state/motion_state.h"
#include "state/shared_table.h"
#include "synthesis/direction_split.h"
#include "synthesis/force_pair.h"

namespace quorforce {

// The slot's condition parameters as the synthesis takes them (signed 32-bit).
struct ConditionInputs {
    std::int32_t gain = 10000;
    std::int32_t t = 0;    // ms since the start delay ran out
    std::int32_t end = 0;  // duration in ms, 0 = none
    std::int32_t deadBand = 0;
    std::int32_t offset = 0;
    std::int32_t negativeCoefficient = 0;
    std::int32_t positiveCoefficient = 0;
    std::int32_t negativeSaturation = 0;
    std::int32_t positiveSaturation = 0;
};

// How a condition turns the motion beyond its dead band into a force.
enum class ConditionLaw { Proportional, Friction };

// The motion value a condition kind works on and its coefficient byte (0 in shock mode).
struct MotionInput {
    std::int32_t x = 0;
    std::uint8_t coefficientByte = 0;
    ConditionLaw law = ConditionLaw::Proportional;
};

// Friction reaches its full force (the coefficient) this far beyond the dead band, in the
// damper's x (velocity × 100): ten counts per 16 ms step. Below it the force grows in
// proportion, so it passes through zero velocity without a jump between the two signs.
// Near rest friction is thus a damper, and a damper computed from reads a step or two old
// must stay soft to be stable: at full coefficient this ramp is half as steep as the
// default damper's, where a steeper one made a light wheel chatter about its rest.
constexpr std::int32_t kFrictionRamp = 2000;
// Friction's force does not scale with the axis's resolution: the coefficient byte is 1.
constexpr std::uint8_t kFrictionCoefficientByte = 10;

// The device's Motion_Estimate selects the velocity and acceleration: 0 the difference of
// the last two reads, 1 the tracker's. The spring and the shock-mode inputs take the
// reads themselves either way.
MotionInput MotionInputFor(std::uint32_t effectTypeId, const DeviceSettings& settings,
                           const MotionState& motion);

// A dynamicValue above 100 or a gain above 10000 would make the force-feedback divisor 0;
// they act like 100 and 10000. The products are computed wide and saturated. Friction has
// no shock-mode force: a vibration motor cannot resist a motion, and a rumble while the
// wheel turns is not what the game asked for.
ForcePair SynthCondition(const DeviceSettings& settings, const ConditionInputs& condition,
                         const DirectionInputs& direction, const MotionInput& motion);

}  // namespace quorforce
