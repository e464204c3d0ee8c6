// The constant force and the ramp force of one slot at one instant, in both device
// modes. Stateless; runs on ForceThread with the TableMutex held.
#pragma once

#include <cstdint>

#include "state/shared_table.h"
#include "synthesis/direction_split.h"
#include "synthesis/envelope.h"
#include "synthesis/force_pair.h"

namespace quorforce {

// The envelope's magnitude is the constant's lMagnitude. No offset and no clamp.
ForcePair SynthConstant(const DeviceSettings& settings, std::int32_t gain, std::int32_t t,
                        const EnvelopeInputs& envelope, const DirectionInputs& direction);

// No envelope: a straight line from start to finish over `end` ms (the duration); an
// infinite ramp (end 0) stands at 0, which shock mode shows as the mid intensity.
ForcePair SynthRamp(const DeviceSettings& settings, std::int32_t gain, std::int32_t t,
                    std::int32_t end, std::int32_t start, std::int32_t finish,
                    const DirectionInputs& direction);

}  // namespace quorforce
