// The engine threads tick on a fixed grid: start + n × step. Waiting one step after each
// pass would stretch every period by the pass and by the wake-up's delay; waiting for the
// next point of the grid keeps the mean period at the step and lets no delay add up.
#pragma once

#include <cstdint>

namespace quorforce {

struct TickDeadline {
    std::uint32_t next = 0;     // the grid point of the tick being waited for, ms
    std::uint32_t skipped = 0;  // grid points passed over after stalls, since the start
};

// The first tick is at `now`.
TickDeadline FirstDeadline(std::uint32_t now);

// After the tick at `deadline.next`, with the clock at `now`: moves to the next grid point
// and returns how long to wait for it (0 to tick at once). After a stall of a step or more
// the missed points are skipped, not caught up in a burst, and counted in `skipped`; the
// grid keeps its phase. The clock's wrap is harmless: only differences are used.
std::uint32_t AdvanceDeadline(TickDeadline& deadline, std::uint32_t now, std::uint32_t step);

}  // namespace quorforce
