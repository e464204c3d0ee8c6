// Device settings for the synthesis tests: force-feedback or shock mode, one or two
// channels, full strengths; the tables built once. And a slot of one effect id at full
// gain, infinite, on one axis, with an envelope that changes nothing.
#pragma once

#include "engine/motion.h"
#include "state/shared_table.h"
#include "synthesis/tables.h"
#include "util/sign_extend.h"

namespace quorforce::test {

enum class Mode { Force, Shock };
enum class Channels { One, Two };

inline DeviceSettings Settings(Mode mode, Channels channels) {
    BuildTables();
    BuildSignMasks();
    DeviceSettings s = {};
    s.shockOrForceFeedback = mode == Mode::Force ? 1 : 0;
    s.motorParameters = channels == Channels::One ? 1 : 0;
    s.globalValue = 100;
    s.staticValue = 100;
    s.dynamicValue = 100;
    s.by10SpringCoef = 40;
    s.by10DamperCoef = 20;
    s.by10InertiaCoef = 20;
    return s;
}

inline EffectSlot SlotOf(std::uint32_t effectId) {
    EffectSlot slot = {};
    slot.effectTypeId = effectId;
    slot.gain = 10000;
    slot.duration = 0xFFFFFFFFu;
    slot.axisCount = 1;
    slot.envelope = {20, 10000, 0, 10000, 0};
    return slot;
}

}  // namespace quorforce::test
