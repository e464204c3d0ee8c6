// Reconstruction's path: the first value at once, the interval learned from the changes (a
// pause of the game's updates left out), the straight walk over it, and a game that updates
// about every tick left alone.
#include "engine/reconstruction.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace quorforce {
namespace {

// The forces at 1 ms ticks from `start` for `values` (one a tick).
std::vector<std::int32_t> Walk(ForcePath& path, std::uint32_t start,
                               const std::vector<std::int32_t>& values) {
    std::vector<std::int32_t> out;
    for (std::size_t i = 0; i < values.size(); ++i)
        out.push_back(Reconstruct(path, values[i], start + static_cast<std::uint32_t>(i)));
    return out;
}

std::vector<std::int32_t> Steps(std::int32_t from, std::int32_t to, int every, int count) {
    std::vector<std::int32_t> v;
    for (int i = 0; i < count; ++i)
        v.push_back((i / every) % 2 == 0 ? from : to);
    return v;
}

TEST(Reconstruction, LearnsTheIntervalAndWalksOverIt) {
    ForcePath path;
    // Every 10 ms between 0 and 1000; the first tick primes the path, so the first change
    // already learns its gap.
    const std::vector<std::int32_t> out = Walk(path, 0xFFFFFFF8u, Steps(0, 1000, 10, 40));
    EXPECT_EQ(LearnedIntervalMs(path), 10);  // across the clock's wrap
    EXPECT_EQ(out[10], 0);                   // the change to 1000: the walk starts here
    EXPECT_EQ(out[15], 500);
    EXPECT_EQ(out[19], 900);
    // Each walk starts where the last one was when the value changed: 900 at 20 toward 0,
    // 90 at 30 toward 1000 ((1000 - 90) / 10 a tick).
    EXPECT_EQ(out[20], 900);
    EXPECT_EQ(out[29], 90);
    EXPECT_EQ(out[35], 545);
    EXPECT_EQ(out[39], 909);
}

TEST(Reconstruction, PausesAndEveryTickUpdatesAreNotIntervals) {
    ForcePath path;
    Walk(path, 1000, Steps(0, 1000, 10, 30));
    ASSERT_EQ(LearnedIntervalMs(path), 10);
    Reconstruct(path, 0, 1500);  // after half a second without a change: not an interval
    EXPECT_EQ(LearnedIntervalMs(path), 10);
    ForcePath fast;
    const std::vector<std::int32_t> values = Steps(-500, 500, 1, 50);
    EXPECT_EQ(Walk(fast, 1000, values), values);  // a new value every tick passes unchanged
}

}  // namespace
}  // namespace quorforce
