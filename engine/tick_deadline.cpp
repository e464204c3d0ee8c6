// The tick grid of the engine threads.
#include "engine/tick_deadline.h"

namespace quorforce {

TickDeadline FirstDeadline(std::uint32_t now) {
    TickDeadline deadline;
    deadline.next = now;
    return deadline;
}

std::uint32_t AdvanceDeadline(TickDeadline& deadline, std::uint32_t now, std::uint32_t step) {
    if (step == 0) step = 1;  // a zero step would never move the grid
    deadline.next += step;
    // Signed: a wait that ended a little early leaves `now` before the previous point.
    const auto ahead = static_cast<std::int32_t>(deadline.next - now);
    // Up to two steps ahead is a wait that ended early; more, a clock that went back.
    if (ahead >= 0 && static_cast<std::uint64_t>(ahead) <= 2ull * step) {
        return static_cast<std::uint32_t>(ahead);
    }
    if (ahead > 0) {  // a clock that went back: the grid starts again from it
        deadline.next = now + step;
        return step;
    }
    const std::uint32_t behind = now - deadline.next;
    if (behind < step) return 0;  // late by less than a step: tick now, stay on the grid
    const std::uint32_t missed = behind / step;
    deadline.next += missed * step;
    deadline.skipped += missed;
    return 0;
}

}  // namespace quorforce
