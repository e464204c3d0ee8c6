// The figures of a simulated wheel's motion after its hand's last action (a let-go, a new
// hold): where it went, how far it overshot, when it settled, and whether it oscillates.
// What a maker reads off a closed-loop run. Host only.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/quorsim/simulated_wheels.h"

namespace quorsim {

// Settled means within this many axis units of the final position from then on.
constexpr double kSettledBand = 2.0;

struct Response {
    bool valid = false;
    std::uint32_t since = 0;  // ms of the hand's last action
    double from = 0, final = 0;
    double overshoot = 0;          // axis units past the final position, against the move
    std::int64_t settlingMs = -1;  // after `since`; -1 when it never settles
    int halfCycles = 0;            // swings across the final position, beyond the band
    double periodMs = 0;           // of the oscillation, when it swings twice or more
    double amplitude = 0;          // half the peak to peak of the last period
};

// `since`: the ms of the last hand action of the device (0 when it had none).
Response ResponseOf(const std::vector<PositionRecord>& records, int device, std::uint32_t since);

}  // namespace quorsim
