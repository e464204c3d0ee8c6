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

    // The motion tracker (engine/motion_tracker.h): the reads at which the position changed
    // (its edges), newest last, from which it times the counts of a turn.
    static constexpr int kEdgeCapacity = 16;
    struct Edge {
        std::uint32_t tick = 0;     // GetTickCount of the read that saw the change
        std::int32_t position = 0;  // the position it read
        std::int32_t readGap = 0;   // ms since the read before: when the change happened
        std::int32_t change = 0;    // the position's change at that read
    };
    std::int32_t tracking = 0;         // 0 until a read primes the tracker
    std::int32_t trackedPosition = 0;  // the position of the tracker's last read
    std::uint32_t trackTick = 0;       // GetTickCount of the tracker's last read
    std::int32_t stillReads = 0;       // consecutive reads without a change of position
    std::int32_t countSize = 0;        // smallest change of one read seen: the encoder's step
    std::int32_t edgeCount = 0;        // edges kept, the newest at edges[edgeCount - 1]
    Edge edges[kEdgeCapacity] = {};
    float edgeVelocity = 0.0f;        // the velocity timed at the newest edge, × 32
    float smoothVelocity = 0.0f;      // the units of `velocity`
    float smoothAcceleration = 0.0f;  // the units of `acceleration`
};

}  // namespace quorforce
