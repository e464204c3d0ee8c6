// The direction split, the last step of every effect: a signed force value becomes a
// ForcePair by the device's channel layout and the effect's angle. Runs on ForceThread.
#pragma once

#include <cstdint>

#include "state/shared_table.h"
#include "synthesis/force_pair.h"

namespace quorforce {

// What the synthesis takes from the slot for the split: the first two entries of
// `directions` (the first is the angle in hundredths of a degree; the second is carried
// and unused) and `axisCount`.
struct DirectionInputs {
    std::int32_t angle = 0;
    std::int32_t secondDirection = 0;
    std::uint32_t axisCount = 1;
};

// Angles are wrapped into 0..35999 first, so a negative or oversized angle from the table
// still selects a direction. Each half saturates at 65535 instead of spilling into the
// other half.
ForcePair SplitByDirection(const DeviceSettings& settings, std::int32_t value,
                           const DirectionInputs& direction, bool isCondition);

}  // namespace quorforce
