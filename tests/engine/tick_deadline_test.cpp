// The engine's tick grid: on time, a little late, stalled, a clock that went back, the wrap.
#include <gtest/gtest.h>

#include "engine/tick_deadline.h"

namespace quorforce {
namespace {

TEST(TickDeadline, WaitsForTheGridAndSkipsWhatAStallMissed) {
    const struct {
        const char* what;
        std::uint32_t start, now, step;
        std::uint32_t wait, next, skipped;
    } rows[] = {
        {"a pass of 3 ms", 1000, 1003, 16, 13, 1016, 0},
        {"woken 1 ms late", 1000, 1017, 16, 0, 1016, 0},
        {"woken 15 ms late", 1000, 1031, 16, 0, 1016, 0},
        {"a 100 ms stall", 1000, 1100, 16, 0, 1096, 5},
        {"woken 1 ms early", 1000, 999, 16, 17, 1016, 0},
        {"a clock gone back", 1000, 500, 16, 16, 516, 0},
        {"across the wrap", 0xFFFFFFF8u, 0xFFFFFFFAu, 16, 14, 8, 0},
        {"a stall across the wrap", 0xFFFFFFF8u, 40, 16, 0, 40, 2},
        {"a zero step", 1000, 1000, 0, 1, 1001, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TickDeadline deadline = FirstDeadline(row.start);
        EXPECT_EQ(AdvanceDeadline(deadline, row.now, row.step), row.wait);
        EXPECT_EQ(deadline.next, row.next);
        EXPECT_EQ(deadline.skipped, row.skipped);
    }
}

// Ticks that run late by less than a step each keep the grid: tick n stays at start + n × step.
TEST(TickDeadline, LateTicksDoNotDrift) {
    TickDeadline deadline = FirstDeadline(0);
    std::uint32_t now = 0;
    for (int n = 1; n <= 1000; ++n) {
        now += AdvanceDeadline(deadline, now + 2, 16) + 2 + static_cast<std::uint32_t>(n % 3);
    }
    EXPECT_EQ(deadline.next, 16000u);
    EXPECT_EQ(deadline.skipped, 0u);
}

}  // namespace
}  // namespace quorforce
