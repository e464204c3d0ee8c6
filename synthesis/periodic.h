// The periodic waveforms (sine, square, triangle, sawtooth up and down) of one slot at
// one instant, in force-feedback and shock (vibration) mode. Stateless; runs on
// ForceThread with the TableMutex held.
#pragma once

#include <cstdint>

#include "state/shared_table.h"
#include "synthesis/direction_split.h"
#include "synthesis/envelope.h"
#include "synthesis/force_pair.h"

namespace quorforce {

// The slot's periodic parameters as the synthesis takes them (signed 32-bit), t in ms
// since the start delay ran out.
struct PeriodicInputs {
    std::int32_t gain = 10000;
    std::int32_t period = 0;  // µs
    std::int32_t t = 0;
    std::int32_t phase = 0;  // hundredths of a degree
    std::int32_t offset = 0;
};

ForcePair SynthSine(const DeviceSettings& settings, const PeriodicInputs& wave,
                    const EnvelopeInputs& envelope, const DirectionInputs& direction);
ForcePair SynthSquare(const DeviceSettings& settings, const PeriodicInputs& wave,
                      const EnvelopeInputs& envelope, const DirectionInputs& direction);
ForcePair SynthTriangle(const DeviceSettings& settings, const PeriodicInputs& wave,
                        const EnvelopeInputs& envelope, const DirectionInputs& direction);
// The phase is not used.
ForcePair SynthSawtooth(const DeviceSettings& settings, const PeriodicInputs& wave, bool rising,
                        const EnvelopeInputs& envelope, const DirectionInputs& direction);

// The table index 0..359 of the wave's phase angle at t ms, with extraDegrees added to
// the phase. Exactly the wheel's formula while t × 1000 fits 32 bits; beyond (after about
// 35.8 minutes of play) the elapsed time is reduced modulo the period, so an effect plays
// on correctly for days.
std::int32_t PhaseIndex(std::int32_t t, std::int32_t phase, std::int32_t period,
                        std::int32_t extraDegrees);

}  // namespace quorforce
