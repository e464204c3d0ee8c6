// MotionState: the estimate of one device's steering axis (position, velocity,
// acceleration) that the device's condition effects turn into forces, measured between
// reads of that device. One per internal device id, guarded by the InputMutex: PollThread
// writes it, the mixer reads it.
#pragma once

#include <cstdint>

namespace quorforce {

struct MotionState {
    std::int32_t position = 0;  // newest X axis value, sign-extended for a signed axis
    std::int32_t previousPosition = 0;
    std::int32_t positionDelta = 0;
    std::int32_t previousDelta = 0;
    std::int32_t deltaChange = 0;
    std::int32_t velocity = 0;  // units per ms, × 32
    std::int32_t previousVelocity = 0;
    std::int32_t acceleration = 0;  // velocity units per ms, × 32
    std::uint32_t lastTick = 0;     // GetTickCount of the previous device read
    std::int32_t tickDelta = 0;     // ms between the two latest device reads
    std::int32_t failedReads = 0;   // consecutive reads that delivered nothing
};

}  // namespace quorforce
