// The condition effects: spring (from the position), damper (from the velocity) and
// inertia (from the acceleration), in force-feedback and shock mode. Stateless; runs on
// ForceThread with the TableMutex held and the InputMutex around the motion read.
#pragma once

#include <cstdint>

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

// The motion value a condition kind works on and its coefficient byte (0 in shock mode).
struct MotionInput {
    std::int32_t x = 0;
    std::uint8_t coefficientByte = 0;
};

MotionInput MotionInputFor(std::uint32_t effectTypeId, const DeviceSettings& settings,
                           const MotionState& motion);

// A dynamicValue above 100 or a gain above 10000 would make the force-feedback divisor 0;
// they act like 100 and 10000. The products are computed wide and saturated.
ForcePair SynthCondition(const DeviceSettings& settings, const ConditionInputs& condition,
                         const DirectionInputs& direction, const MotionInput& motion);

}  // namespace quorforce
