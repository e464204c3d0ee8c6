// Which slot record each accepted driver effect id is stored as.
#include "state/effect_ids.h"

#include "state/shared_table.h"

namespace quorforce {

EffectKind KindOfEffect(std::uint32_t effectId) {
    switch (effectId) {
    case kEffectSquare:
    case kEffectTriangle:
    case kEffectSawtoothUp:
    case kEffectSawtoothDown:
    case kEffectSine:
    case kEffectSineAlt:
        return EffectKind::Periodic;
    case kEffectConstant:
        return EffectKind::Constant;
    case kEffectRamp:
        return EffectKind::Ramp;
    case kEffectDamper:
    case kEffectInertia:
    case kEffectInertiaAlt:
    case kEffectSpring:
        return EffectKind::Condition;
    default:
        return EffectKind::None;
    }
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
