// MotionState: the estimate of one device's steering axis (position, velocity,
// acceleration) that the device's condition effects turn into forces, measured between
// reads of that device: the difference of the last two reads, and beside it the smooth
// estimate of the motion tracker, which a device's Motion_Estimate setting selects. One per
// internal device id, guarded by the InputMutex: PollThread writes it, the mixer reads it.
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

    // The motion tracker (engine/motion_tracker.h). Its position is kept as an error
    // against the last position it took, so that single precision stays exact on any axis.
    std::int32_t tracking = 0;         // 0 until a read primes the tracker
    std::int32_t trackedPosition = 0;  // the position of the tracker's last read
    std::uint32_t trackTick = 0;       // GetTickCount of the tracker's last read
    std::int32_t stillReads = 0;       // consecutive reads without a change of position
    float trackError = 0.0f;           // filtered position - trackedPosition, axis units
    float smoothVelocity = 0.0f;       // the units of `velocity`
    float smoothAcceleration = 0.0f;   // the units of `acceleration`
};

}  // namespace quorforce
