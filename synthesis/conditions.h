// The condition effects: spring (from the position), damper and friction (from the
// velocity) and inertia (from the acceleration), in force-feedback and shock mode. Stateless; runs
// on ForceThread with the TableMutex held and the InputMutex around the motion read.
#pragma once

#include <cstdint>

#include "state/effect_ids.h"
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

// The counts over a 10-bit steering axis: the span taken where the axis's own is not known.
constexpr std::int64_t kTenBitAxisSpan = 1024;

// The motion value a condition kind works on and its coefficient byte (0 in shock mode).
struct MotionInput {
    std::int32_t x = 0;
    std::uint8_t coefficientByte = 0;
    ConditionLaw law = ConditionLaw::Proportional;
    // Counts over the steering axis's logical range, which size friction's ramp.
    std::int64_t axisSpan = kTenBitAxisSpan;
};

// Friction reaches its coefficient through a ramp beyond the dead band, in the damper's x
// (velocity × 100), and grows in proportion below it, so it passes through zero velocity
// without a jump between the two signs. The ramp is sized on the axis's own scale, so a
// wheel of any resolution meets the same friction at the same turn: a friction of up to 400
// is met whole by a slow turn of the logical range in 16 s (one count a 16 ms step on a
// 10-bit wheel, 17 degrees a second on 270). Near rest friction is a damper computed from
// reads a step or two old, and a steep one makes a light wheel swing about its rest: so the
// ramp is never steeper than a full-coefficient damper at the default By10_Damper_Coef (20),
// on a 10-bit axis's scale, which widens it in proportion to a coefficient above 400.
std::int64_t FrictionRamp(std::int32_t coefficient, std::int64_t axisSpan);
// Friction's force does not scale with the axis's resolution: the coefficient byte is 1.
constexpr std::uint8_t kFrictionCoefficientByte = 10;

// The game's Spring_Stabiliser for one tick: the engine's step (0: off) and the smooth
// velocity its springs read at the area's previous tick, if that tick read one.
struct SpringLead {
    std::int32_t stepMs = 0;
    bool previousKnown = false;
    float previousVelocity = 0.0f;
};
// The lead of every tick without the switch: one object, so that a call passes its address
// instead of building a new one for each slot.
inline constexpr SpringLead kNoSpringLead{};

// The device's Motion_Estimate selects the velocity and acceleration: 0 the difference of
// the last two reads, 1 the tracker's. The spring and the shock-mode inputs take the
// reads themselves either way. axisSpan: the counts over the device's steering axis, which
// size friction's ramp.
// springLead (the game's Spring_Stabiliser; step 0: off): in force mode a spring reads the
// position ahead of the wheel (SpringLeadPosition).
MotionInput MotionInputFor(std::uint32_t effectTypeId, const DeviceSettings& settings,
                           const MotionState& motion, std::int64_t axisSpan,
                           const SpringLead& springLead = kNoSpringLead);

// The same for the id's entry, which the caller has already looked up (the tick's synthesis
// looks each slot's id up once).
MotionInput MotionInputOf(const EffectIdEntry& entry, const DeviceSettings& settings,
                          const MotionState& motion, std::int64_t axisSpan,
                          const SpringLead& springLead);

// The longest step the stabiliser leads by: past it the reads are too far apart for
// a lead along one velocity to describe the motion between them.
constexpr std::int32_t kLongestLeadMs = 64;

// The spring's position for the stabiliser, in axis units × 20 (the spring's x), ahead of
// the read by the lead's step T (the engine's step, 1..kLongestLeadMs). A spring pushes on a
// read up to a step old and holds that push for a step, so on average it pushes where the
// wheel was about one step ago: -k x(t - T) = -k x(t) + k T v, a damping of the wrong sign
// that feeds the rim's swing until the saturation bounds it: the buzz of a stiff spring at
// 16 ms. Reading ahead along the velocity adds damping back, but on its own it cannot hold a
// spring so stiff that the rim turns a good part of its swing within one step (k T² / J near
// 1, the stiff spring on a light rim at 16 ms): the push it brakes with is a step late too.
// So the read also leads along the velocity's change over the last step (the rim's
// acceleration, mostly the spring's own push): x + 3/4 T (v + (v - v_prev)), three quarters
// of a step along the velocity one step on. It goes through the spring's law, so each side's
// coefficient, dead band and saturation size it. At rest the tracker's velocity is exactly 0
// at both ticks, so the force at any offset is the plain spring's.
std::int32_t SpringLeadPosition(const MotionState& motion, const SpringLead& lead);

// A dynamicValue above 100 or a gain above 10000 would make the force-feedback divisor 0;
// they act like 100 and 10000. The products are computed wide and saturated. Friction has
// no shock-mode force: a vibration motor cannot resist a motion, and a rumble while the
// wheel turns is not what the game asked for.
ForcePair SynthCondition(const DeviceSettings& settings, const ConditionInputs& condition,
                         const DirectionInputs& direction, const MotionInput& motion);

}  // namespace quorforce
