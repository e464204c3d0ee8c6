// The motion estimate of the steering axis (position, velocity, acceleration) that the
// condition effects turn into forces, and the sign extension of raw HID values.
// MotionState is guarded by the InputMutex: PollThread writes it, the mixer reads it.
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

// The process's one estimate, for all devices; guarded by the InputMutex.
extern MotionState motionState;

// After a device read: readResult 1 is a completed read, anything else none. now is the
// millisecond tick count (GetTickCount) of the read; its 49.7-day wrap is harmless.
void UpdateMotion(MotionState& motion, int readResult, std::uint32_t now);

extern std::uint32_t signMasks[32];

// Entry i of signMasks: every bit from bit i up.
void BuildSignMasks();

// raw with every bit from bitSize up set when bit bitSize-1 is set; raw itself for a bit
// size of 0 or 32 and more.
std::uint32_t SignExtend(std::uint16_t bitSize, std::uint32_t raw);

}  // namespace quorforce
