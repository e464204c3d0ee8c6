// The soft limit: exact below the knee, smooth through it, never at full force past it.
#include "engine/soft_limit.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quorforce {
namespace {

constexpr std::int32_t kFull = 20000;

TEST(SoftLimit, KneeCompressesOnlyPastIt) {
    const struct {
        std::int64_t sum;
        std::int32_t knee;
        std::int32_t force;
    } rows[] = {
        {15000, 0, 15000},            // off: the plain clamp
        {25000, 0, 20000},            // off, past full force
        {-25000, 0, -20000},          // off, a pull past it
        {16000, 80, 16000},           // at the knee: exact
        {-12000, 80, -12000},         // below it: exact
        {20000, 80, 18000},           // e = r = 4000: half the room
        {-20000, 80, -18000},         // the same pulling
        {28000, 80, 19000},           // e = 12000: 3/4 of the room
        {10000, 20, 10000},           // a knee below 50 acts as 50
        {15000, 20, 13333},           // e = 5000, r = 10000
        {INT64_MAX, 80, 19999},       // any sum stays below full force
        {INT64_MIN + 1, 99, -19999},  // and any pull
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sum);
        EXPECT_EQ(SoftLimit(row.sum, kFull, row.knee), row.force);
    }
}

// A mix past full force on a fifth of its ticks: with the knee none reaches full force, the
// order of the forces is kept (no two sums swap), and the ticks below the knee are the sums.
TEST(SoftLimit, AMixThatClipsAFifthOfItsTicksNoLongerClips) {
    int clipped = 0, atFull = 0;
    std::int32_t previous = -kFull;
    for (std::int64_t sum = -25000; sum <= 25000; sum += 10) {
        const std::int32_t force = SoftLimit(sum, kFull, 85);
        if (sum > kFull || sum < -kFull) ++clipped;
        if (force >= kFull || force <= -kFull) ++atFull;
        if (sum >= -17000 && sum <= 17000) {
            EXPECT_EQ(force, sum);
        }
        EXPECT_GE(force, previous);
        previous = force;
    }
    EXPECT_EQ(clipped, 2 * 500);  // a fifth of the 5001 sums
    EXPECT_EQ(atFull, 0);
}

}  // namespace
}  // namespace quorforce
