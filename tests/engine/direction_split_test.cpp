// The direction split in both modes and layouts, with and without strict angles, the sign
// flags, wrapped angles and saturated halves.
#include <gtest/gtest.h>

#include "synthesis/direction_split.h"
#include "tests/engine/engine_test_support.h"

namespace quorforce {
namespace {

using test::Channels;
using test::Mode;
using test::Settings;

struct SplitRow {
    const char* what;
    Mode mode;
    Channels channels;
    bool strict;
    bool isCondition;
    std::uint32_t axisCount;
    std::int32_t value;
    std::int32_t angle;
    std::uint16_t first, second;
    int firstSign, secondSign;
};

const SplitRow kRows[] = {
    // Two channels, force feedback.
    {"9000 all to first", Mode::Force, Channels::Two, false, false, 2, 10000, 9000, 10000, 0, 1, 1},
    {"27000 all to second", Mode::Force, Channels::Two, false, false, 2, 10000, 27000, 0, 10000, 1,
     1},
    {"0 halves", Mode::Force, Channels::Two, false, false, 2, 10000, 0, 5000, 5000, 1, 1},
    {"0 strict full both", Mode::Force, Channels::Two, true, false, 2, 10000, 0, 10000, 10000, 1,
     1},
    {"18000 halves", Mode::Force, Channels::Two, false, false, 2, 10000, 18000, 5000, 5000, 1, 1},
    {"18000 strict full both", Mode::Force, Channels::Two, true, false, 2, 10000, 18000, 10000,
     10000, 1, 1},
    {"3000 is 30 degrees", Mode::Force, Channels::Two, false, false, 2, 10000, 3000, 7500, 2500, 1,
     1},
    {"21000 mirrors", Mode::Force, Channels::Two, false, false, 2, 10000, 21000, 2500, 7500, 1, 1},
    {"negative value", Mode::Force, Channels::Two, false, false, 2, -10000, 9000, 10000, 0, -1, 1},
    {"negative strict", Mode::Force, Channels::Two, true, false, 2, -6000, 0, 6000, 6000, -1, -1},
    {"negative angle wraps", Mode::Force, Channels::Two, false, false, 2, 10000, -9000, 0, 10000, 1,
     1},
    {"oversized angle wraps", Mode::Force, Channels::Two, false, false, 2, 10000, 45000, 10000, 0,
     1, 1},
    // Two channels, shock: no signs.
    {"shock 9000", Mode::Shock, Channels::Two, false, false, 2, 20000, 9000, 20000, 0, 1, 1},
    {"shock 0 strict", Mode::Shock, Channels::Two, true, false, 2, 8000, 0, 8000, 8000, 1, 1},
    // One channel.
    {"one axis keeps the value", Mode::Force, Channels::One, false, false, 1, -7000, 9000, 0, 7000,
     -1, -1},
    {"two axes project 27000", Mode::Force, Channels::One, false, false, 2, 10000, 27000, 0, 10000,
     -1, -1},
    {"two axes project 3000", Mode::Force, Channels::One, false, false, 2, 10000, 3000, 0, 5000, 1,
     1},
    {"negative angle projects", Mode::Force, Channels::One, false, false, 2, 10000, -9000, 0, 10000,
     -1, -1},
    {"condition not projected", Mode::Force, Channels::One, false, true, 2, 10000, 27000, 0, 10000,
     1, 1},
    {"shock all to second", Mode::Shock, Channels::One, false, false, 2, 12000, 27000, 0, 12000, 1,
     1},
    // Halves saturate instead of spilling into each other.
    {"saturated both", Mode::Force, Channels::Two, true, false, 2, 100000, 0, 65535, 65535, 1, 1},
    {"saturated second", Mode::Force, Channels::One, false, false, 1, 70000, 0, 0, 65535, 1, 1},
    {"shock below zero", Mode::Shock, Channels::Two, false, false, 2, -8000, 9000, 0, 0, 1, 1},
};

TEST(DirectionSplit, GivesTheHalvesAndSigns) {
    for (const SplitRow& row : kRows) {
        SCOPED_TRACE(row.what);
        DeviceSettings s = Settings(row.mode, row.channels);
        s.strictAngleDirection = row.strict ? 1 : 0;
        DirectionInputs direction{row.angle, 0, row.axisCount};
        ForcePair pair = SplitByDirection(s, row.value, direction, row.isCondition);
        EXPECT_EQ(pair.first, row.first);
        EXPECT_EQ(pair.second, row.second);
        EXPECT_EQ(pair.firstSign, row.firstSign);
        EXPECT_EQ(pair.secondSign, row.secondSign);
        EXPECT_EQ(pair.Word(), row.first | (std::uint32_t{row.second} << 16));
    }
}

}  // namespace
}  // namespace quorforce
