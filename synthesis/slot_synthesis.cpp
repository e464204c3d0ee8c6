// Dispatching a slot to its synthesis.
#include "synthesis/slot_synthesis.h"

#include "state/effect_ids.h"
#include "synthesis/conditions.h"
#include "synthesis/constant_ramp.h"
#include "synthesis/periodic.h"

namespace quorforce {
namespace {

constexpr std::uint32_t kInfiniteDuration = 0xFFFFFFFFu;

DirectionInputs DirectionOf(const EffectSlot& slot) {
    return {slot.directions[0], slot.directions[1], slot.axisCount};
}

PeriodicInputs WaveOf(const EffectSlot& slot, std::int32_t t) {
    return {static_cast<std::int32_t>(slot.gain), static_cast<std::int32_t>(slot.periodic.period),
            t, static_cast<std::int32_t>(slot.periodic.phase), slot.periodic.offset};
}

ConditionInputs ConditionOf(const EffectSlot& slot, std::int32_t t) {
    ConditionInputs c;
    c.gain = static_cast<std::int32_t>(slot.gain);
    c.t = t;
    c.end = EndOfEffect(slot);
    c.deadBand = slot.condition.deadBand;
    c.offset = slot.condition.offset;
    c.negativeCoefficient = slot.condition.negativeCoefficient;
    c.positiveCoefficient = slot.condition.positiveCoefficient;
    c.negativeSaturation = static_cast<std::int32_t>(slot.condition.negativeSaturation);
    c.positiveSaturation = static_cast<std::int32_t>(slot.condition.positiveSaturation);
    return c;
}

ForcePair SynthesizePeriodic(const EffectSlot& slot, const DeviceSettings& settings,
                             std::int32_t t) {
    const PeriodicInputs wave = WaveOf(slot, t);
    const EnvelopeInputs envelope =
        EnvelopeOf(slot, static_cast<std::int32_t>(slot.periodic.magnitude));
    const DirectionInputs direction = DirectionOf(slot);
    switch (slot.effectTypeId) {
    case kEffectSquare: return SynthSquare(settings, wave, envelope, direction);
    case kEffectTriangle: return SynthTriangle(settings, wave, envelope, direction);
    case kEffectSawtoothUp: return SynthSawtooth(settings, wave, true, envelope, direction);
    case kEffectSawtoothDown: return SynthSawtooth(settings, wave, false, envelope, direction);
    default: return SynthSine(settings, wave, envelope, direction);
    }
}

}  // namespace

bool IsConditionEffect(std::uint32_t effectTypeId) {
    return effectTypeId == kEffectSpring || effectTypeId == kEffectDamper ||
           effectTypeId == kEffectInertia || effectTypeId == kEffectInertiaAlt;
}

std::int32_t EndOfEffect(const EffectSlot& slot) {
    return slot.duration == kInfiniteDuration ? 0
                                              : static_cast<std::int32_t>(slot.duration / 1000);
}

EnvelopeInputs EnvelopeOf(const EffectSlot& slot, std::int32_t magnitude) {
    EnvelopeInputs e;
    e.attackLevel = static_cast<std::int32_t>(slot.envelope.attackLevel);
    e.magnitude = magnitude;
    e.fadeLevel = static_cast<std::int32_t>(slot.envelope.fadeLevel);
    e.attackTime = static_cast<std::int32_t>(slot.envelope.attackTime / 1000);
    e.end = EndOfEffect(slot);
    e.fadeStart = e.end - static_cast<std::int32_t>(slot.envelope.fadeTime / 1000);
    return e;
}

ForcePair SynthesizeSlot(const EffectSlot& slot, const DeviceSettings& settings, std::int32_t t,
                         const MotionState& motion) {
    switch (KindOfEffect(slot.effectTypeId)) {
    case EffectKind::Periodic: return SynthesizePeriodic(slot, settings, t);
    case EffectKind::Constant:
        return SynthConstant(settings, static_cast<std::int32_t>(slot.gain), t,
                             EnvelopeOf(slot, slot.constant.magnitude), DirectionOf(slot));
    case EffectKind::Ramp:
        return SynthRamp(settings, static_cast<std::int32_t>(slot.gain), t, EndOfEffect(slot),
                         slot.ramp.start, slot.ramp.end, DirectionOf(slot));
    case EffectKind::Condition:
        return SynthCondition(settings, ConditionOf(slot, t), DirectionOf(slot),
                              MotionInputFor(slot.effectTypeId, settings, motion));
    case EffectKind::None: break;
    }
    return ForcePair();
}

}  // namespace quorforce
