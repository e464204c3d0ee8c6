// One slot's force at one instant: the dispatch by effect id to the synthesis, with the
// slot's fields turned into the synthesis inputs. Runs on ForceThread with the TableMutex
// held; for a condition the caller also holds the InputMutex (the motion estimate).
#pragma once

#include <cstdint>

#include "state/motion_state.h"
#include "state/shared_table.h"
#include "synthesis/conditions.h"
#include "synthesis/envelope.h"
#include "synthesis/force_pair.h"

namespace quorforce {

bool IsConditionEffect(std::uint32_t effectTypeId);

// The effect's end in ms, 0 for an infinite duration. Taken unsigned, so finite
// durations beyond 35.8 minutes keep their end instead of turning negative.
std::int32_t EndOfEffect(const EffectSlot& slot);

// The slot's envelope in the engine's milliseconds, with the given magnitude.
EnvelopeInputs EnvelopeOf(const EffectSlot& slot, std::int32_t magnitude);

// t: ms since the slot's start delay ran out. An id the engine does not know gives an
// empty pair. axisSpan: the counts over the device's steering axis, which size friction;
// springLead: the game's Spring_Stabiliser, step 0 off (MotionInputFor).
ForcePair SynthesizeSlot(const EffectSlot& slot, const DeviceSettings& settings, std::int32_t t,
                         const MotionState& motion, std::int64_t axisSpan = kTenBitAxisSpan,
                         const SpringLead& springLead = kNoSpringLead);

}  // namespace quorforce
