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

ForcePair SynthesizePeriodic(const EffectSlot& slot, const DeviceSettings& settings, std::int32_t t,
                             Synthesis synthesis) {
    const PeriodicInputs wave = WaveOf(slot, t);
    const EnvelopeInputs envelope =
        EnvelopeOf(slot, static_cast<std::int32_t>(slot.periodic.magnitude));
    const DirectionInputs direction = DirectionOf(slot);
    switch (synthesis) {
    case Synthesis::Square: return SynthSquare(settings, wave, envelope, direction);
    case Synthesis::Triangle: return SynthTriangle(settings, wave, envelope, direction);
    case Synthesis::SawtoothUp: return SynthSawtooth(settings, wave, true, envelope, direction);
    case Synthesis::SawtoothDown: return SynthSawtooth(settings, wave, false, envelope, direction);
    default: return SynthSine(settings, wave, envelope, direction);
    }
}

}  // namespace

bool IsConditionEffect(std::uint32_t effectTypeId) {
    return KindOfEffect(effectTypeId) == EffectKind::Condition;
}

std::int32_t EndOfEffect(const EffectSlot& slot) {
    return slot.duration == kInfiniteDuration ? 0 : static_cast<std::int32_t>(slot.duration / 1000);
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
                         const MotionState& motion, std::int64_t axisSpan,
                         const SpringLead& springLead) {
    // One look-up of the id serves the dispatch and a condition's motion.
    const EffectIdEntry* entry = FindEffectId(slot.effectTypeId);
    const Synthesis synthesis = entry != nullptr ? entry->synthesis : Synthesis::None;
    switch (synthesis) {
    case Synthesis::Square:
    case Synthesis::Triangle:
    case Synthesis::SawtoothUp:
    case Synthesis::SawtoothDown:
    case Synthesis::Sine: return SynthesizePeriodic(slot, settings, t, synthesis);
    case Synthesis::Constant:
        return SynthConstant(settings, static_cast<std::int32_t>(slot.gain), t,
                             EnvelopeOf(slot, slot.constant.magnitude), DirectionOf(slot));
    case Synthesis::Ramp:
        return SynthRamp(settings, static_cast<std::int32_t>(slot.gain), t, EndOfEffect(slot),
                         slot.ramp.start, slot.ramp.end, DirectionOf(slot));
    case Synthesis::Condition:
    case Synthesis::Friction:
        return SynthCondition(settings, ConditionOf(slot, t), DirectionOf(slot),
                              MotionInputOf(*entry, settings, motion, axisSpan, springLead));
    case Synthesis::None: break;
    }
    return ForcePair();
}

}  // namespace quorforce
