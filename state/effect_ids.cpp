// The table of accepted driver effect ids.
#include "state/effect_ids.h"

#include <cstring>

#include "state/shared_table.h"

namespace quorforce {

const EffectIdEntry kEffectIds[kEffectIdCount] = {
    {kEffectSquare, EffectKind::Periodic, Synthesis::Square, MotionField::None, "square"},
    {kEffectTriangle, EffectKind::Periodic, Synthesis::Triangle, MotionField::None, "triangle"},
    {kEffectSawtoothUp, EffectKind::Periodic, Synthesis::SawtoothUp, MotionField::None, "sawup"},
    {kEffectSawtoothDown, EffectKind::Periodic, Synthesis::SawtoothDown, MotionField::None,
     "sawdown"},
    {kEffectSine, EffectKind::Periodic, Synthesis::Sine, MotionField::None, "sine"},
    {kEffectSineAlt, EffectKind::Periodic, Synthesis::Sine, MotionField::None, "sine"},
    {kEffectConstant, EffectKind::Constant, Synthesis::Constant, MotionField::None, "constant"},
    {kEffectRamp, EffectKind::Ramp, Synthesis::Ramp, MotionField::None, "ramp"},
    {kEffectSpring, EffectKind::Condition, Synthesis::Condition, MotionField::Position, "spring"},
    {kEffectDamper, EffectKind::Condition, Synthesis::Condition, MotionField::Velocity, "damper"},
    {kEffectInertia, EffectKind::Condition, Synthesis::Condition, MotionField::Acceleration,
     "inertia"},
    {kEffectInertiaAlt, EffectKind::Condition, Synthesis::Condition, MotionField::Acceleration,
     "inertia"},
    {kEffectFriction, EffectKind::Condition, Synthesis::Friction, MotionField::Velocity,
     "friction"},
};

const EffectIdEntry* FindEffectId(std::uint32_t effectId) {
    for (const EffectIdEntry& entry : kEffectIds) {
        if (entry.id == effectId) return &entry;
    }
    return nullptr;
}

std::uint32_t EffectIdNamed(const char* name) {
    if (name == nullptr) return 0;
    for (const EffectIdEntry& entry : kEffectIds) {
        if (std::strcmp(entry.name, name) == 0) return entry.id;
    }
    return 0;
}

EffectKind KindOfEffect(std::uint32_t effectId) {
    const EffectIdEntry* entry = FindEffectId(effectId);
    return entry != nullptr ? entry->kind : EffectKind::None;
}

Synthesis SynthesisOf(std::uint32_t effectId) {
    const EffectIdEntry* entry = FindEffectId(effectId);
    return entry != nullptr ? entry->synthesis : Synthesis::None;
}

MotionField MotionFieldOf(std::uint32_t effectId) {
    const EffectIdEntry* entry = FindEffectId(effectId);
    return entry != nullptr ? entry->motion : MotionField::None;
}

std::size_t RecordSizeOfKind(EffectKind kind) {
    switch (kind) {
    case EffectKind::Periodic: return sizeof(SlotPeriodic);
    case EffectKind::Constant: return sizeof(SlotConstant);
    case EffectKind::Ramp: return sizeof(SlotRamp);
    case EffectKind::Condition: return sizeof(SlotCondition);
    case EffectKind::None: break;
    }
    return 0;
}

}  // namespace quorforce
