// Spring, damper, inertia and friction forces from the motion estimate.
#include "synthesis/conditions.h"

#include <cstdint>

#include "state/effect_ids.h"
#include "util/relaxed_access.h"
#include "util/safe_math.h"

namespace quorforce {
namespace {

std::int32_t Scaled(std::int32_t value, std::int32_t factor) {
    return SaturateToInt32(static_cast<std::int64_t>(value) * factor);
}

// The tracker's value in the condition's x, saturated like the reads' products.
std::int32_t ScaledSmooth(float value, std::int32_t factor) {
    return Trunc(static_cast<double>(value) * factor);
}

// The force outside the dead band, each side relative to its edge.
std::int64_t OutsideDeadBand(std::int64_t x, std::int64_t low, std::int64_t high,
                             const ConditionInputs& c, std::int64_t lowDivisor,
                             std::int64_t highDivisor) {
    // Distances saturate at 32 bits, so the products fit 64 bits.
    std::int64_t f = 0;
    if (x < low && lowDivisor != 0) {
        f = c.negativeCoefficient * static_cast<std::int64_t>(SaturateToInt32(x - low)) /
            lowDivisor;
    }
    if (x > high && highDivisor != 0) {
        f = c.positiveCoefficient * static_cast<std::int64_t>(SaturateToInt32(x - high)) /
            highDivisor;
    }
    return f;
}

// Friction against the motion beyond the dead band, growing over its ramp to the
// coefficient of its side. The distance is capped at the ramp (at most INT32_MAX), so the
// product fits 64 bits.
std::int64_t FrictionOutsideDeadBand(std::int64_t x, std::int64_t low, std::int64_t high,
                                     const ConditionInputs& c, std::int64_t axisSpan) {
    if (x > high) {
        const std::int64_t ramp = FrictionRamp(c.positiveCoefficient, axisSpan);
        const std::int64_t beyond = x - high < ramp ? x - high : ramp;
        return c.positiveCoefficient * beyond / ramp;
    }
    if (x < low) {
        const std::int64_t ramp = FrictionRamp(c.negativeCoefficient, axisSpan);
        const std::int64_t beyond = x - low > -ramp ? x - low : -ramp;
        return c.negativeCoefficient * beyond / ramp;
    }
    return 0;
}

bool Expired(const ConditionInputs& c) { return c.end != 0 && c.t >= c.end; }

std::int32_t ForceModeValue(const DeviceSettings& settings, const ConditionInputs& c,
                            const MotionInput& motion) {
    const std::int64_t e = c.offset, d = c.deadBand;
    std::int64_t negativeSaturation = c.negativeSaturation;
    if (negativeSaturation < 0) negativeSaturation = -negativeSaturation;
    std::int64_t f = motion.law == ConditionLaw::Friction
                         ? FrictionOutsideDeadBand(motion.x, e - d, e + d, c, motion.axisSpan)
                         : OutsideDeadBand(motion.x, e - d, e + d, c, 10000, 10000);
    if (Expired(c)) f = 0;
    f = f * motion.coefficientByte / 10;
    if (f > c.positiveSaturation) f = c.positiveSaturation;
    if (f < -negativeSaturation) f = -negativeSaturation;
    // One load: a control panel may change the word between a check and a division.
    const std::int32_t dynamic = LoadRelaxed(settings.dynamicValue);
    if (dynamic == 0 || c.gain == 0) return 0;
    // Integer steps of strength: 51..100 percent act like 100, 34..50 halve, and so on.
    std::int64_t dynamicStep = 100 / dynamic;
    std::int64_t gainStep = 10000 / c.gain;
    if (dynamicStep == 0) dynamicStep = 1;
    if (gainStep == 0) gainStep = 1;
    return SaturateToInt32(2 * f / (dynamicStep * gainStep));
}

std::int32_t ShockModeValue(const DeviceSettings& settings, const ConditionInputs& c,
                            const MotionInput& motion) {
    if (motion.law == ConditionLaw::Friction) return 0;
    const std::int64_t e = c.offset;
    std::int64_t d = c.deadBand;
    if (d < 2000) d = 2000;
    // A dead-band edge at 0 disables that side instead of dividing by zero.
    std::int64_t f = OutsideDeadBand(motion.x, e - d, e + d, c, e - d, e + d);
    if (Expired(c)) f = 0;
    if (f < 0) f = -f;
    const std::int32_t limit = Trunc(2.0 * c.gain * 0.25);
    std::int32_t force = SaturateToInt32(f);
    if (static_cast<std::uint32_t>(force) > static_cast<std::uint32_t>(limit)) force = limit;
    const float dynamic = static_cast<float>(settings.dynamicValue) / 100.0f;
    return Trunc(static_cast<float>(2 * static_cast<std::int64_t>(force)) * dynamic *
                 static_cast<float>(c.gain) / 10000.0f);
}

}  // namespace

std::int64_t FrictionRamp(std::int32_t coefficient, std::int64_t axisSpan) {
    // span × max(|coefficient|, 400) / 2048. Up to a coefficient of 400 that is span / 5.12:
    // the x of a turn of the whole range in 16.4 s. Above it the slope, coefficient / ramp,
    // stays 2 on a 1024-count axis: the default damper's (By10_Damper_Coef 20) at full
    // coefficient. The span is kept within 2..2^31, so the product fits 64 bits.
    constexpr std::int64_t kSlowTurnStrength = 400;
    constexpr std::int64_t kScale = 2048;  // the damper's slope 2 on a 1024-count axis
    constexpr std::int64_t kLargestSpan = std::int64_t{1} << 31;
    const std::int64_t span =
        axisSpan < 2 ? 2 : (axisSpan > kLargestSpan ? kLargestSpan : axisSpan);
    std::int64_t strength = coefficient < 0 ? -static_cast<std::int64_t>(coefficient) : coefficient;
    if (strength < kSlowTurnStrength) strength = kSlowTurnStrength;
    const std::int64_t ramp = span * strength / kScale;
    return ramp < 1 ? 1 : (ramp > INT32_MAX ? INT32_MAX : ramp);
}

std::int32_t SpringLeadPosition(const MotionState& motion, const SpringLead& lead) {
    std::int32_t step = lead.stepMs;
    if (step < 1) step = 1;
    if (step > kLongestLeadMs) step = kLongestLeadMs;
    // The velocity one step on, in double so a runaway estimate saturates instead of
    // overflowing a float.
    const double v = motion.smoothVelocity;
    const double previous = lead.previousKnown ? lead.previousVelocity : v;
    const double ahead = 2.0 * v - previous;
    // Velocities are in units per ms × 32; the lead in units × 20 is 3/4 × ahead × T × 20 / 32.
    const std::int32_t shift = Trunc(ahead * 0.75 * step * 20.0 / 32.0);
    return SaturateToInt32(static_cast<std::int64_t>(Scaled(motion.position, 20)) + shift);
}

MotionInput MotionInputFor(std::uint32_t effectTypeId, const DeviceSettings& settings,
                           const MotionState& motion, std::int64_t axisSpan,
                           const SpringLead& springLead) {
    const EffectIdEntry* entry = FindEffectId(effectTypeId);
    if (entry == nullptr) return MotionInput();
    return MotionInputOf(*entry, settings, motion, axisSpan, springLead);
}

MotionInput MotionInputOf(const EffectIdEntry& entry, const DeviceSettings& settings,
                          const MotionState& motion, std::int64_t axisSpan,
                          const SpringLead& springLead) {
    const bool forceMode = settings.shockOrForceFeedback != 0;
    const bool smooth = forceMode && settings.motionEstimate == 1;
    MotionInput input;
    switch (entry.motion) {
    case MotionField::Position:
        input.x = forceMode && springLead.stepMs > 0 ? SpringLeadPosition(motion, springLead)
                                                     : Scaled(motion.position, forceMode ? 20 : 78);
        input.coefficientByte = forceMode ? settings.by10SpringCoef : 0;
        break;
    case MotionField::Velocity:
        input.x = smooth      ? ScaledSmooth(motion.smoothVelocity, 100)
                  : forceMode ? Scaled(motion.velocity, 100)
                              : Scaled(motion.positionDelta, 78);
        input.coefficientByte = forceMode ? settings.by10DamperCoef : 0;
        break;
    case MotionField::Acceleration:
        input.x = smooth      ? ScaledSmooth(motion.smoothAcceleration, 100)
                  : forceMode ? Scaled(motion.acceleration, 100)
                              : Scaled(motion.deltaChange, 78);
        input.coefficientByte = forceMode ? settings.by10InertiaCoef : 0;
        break;
    case MotionField::None: break;
    }
    if (entry.synthesis == Synthesis::Friction) {
        input.law = ConditionLaw::Friction;
        input.coefficientByte = forceMode ? kFrictionCoefficientByte : 0;
        input.axisSpan = axisSpan;
    }
    return input;
}

ForcePair SynthCondition(const DeviceSettings& settings, const ConditionInputs& condition,
                         const DirectionInputs& direction, const MotionInput& motion) {
    const std::int32_t value = settings.shockOrForceFeedback != 0
                                   ? ForceModeValue(settings, condition, motion)
                                   : ShockModeValue(settings, condition, motion);
    return SplitByDirection(settings, value, direction, true);
}

}  // namespace quorforce
