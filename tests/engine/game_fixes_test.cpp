// The switches' arithmetic at its edges: the kinds each effect id counts as, kind gains that
// would overflow a force half, the output stages on the extreme values a hostile table can
// give, shock mode's bytes, and the effect times moved on past a pause across the clock's wrap.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "engine/game_fixes.h"
#include "state/effect_ids.h"

namespace quorforce {
namespace {

TEST(GameFixes, EachEffectIdCountsAsItsKind) {
    const struct {
        std::uint32_t id;
        GameKind kind;
    } rows[] = {
        {kEffectConstant, GameKind::Constant},
        {kEffectRamp, GameKind::Ramp},
        {kEffectSquare, GameKind::Periodic},
        {kEffectSineAlt, GameKind::Periodic},
        {kEffectSpring, GameKind::Spring},
        {kEffectDamper, GameKind::Damper},
        {kEffectInertia, GameKind::Inertia},
        {kEffectInertiaAlt, GameKind::Inertia},
        {kEffectFriction, GameKind::Friction},
        {34, GameKind::Count},
        {0, GameKind::Count},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(GameKindOf(row.id), row.kind);
    }
}

TEST(GameFixes, KindGainsSaturateTheHalvesInsteadOfWrapping) {
    GameTuning tuning;
    tuning.kindGain[static_cast<int>(GameKind::Constant)] = 200;
    ForcePair pair;
    pair.first = 0xFFFF;
    pair.second = 30000;
    pair.secondSign = -1;
    const ForcePair scaled = ScaleForKind(tuning, kEffectConstant, pair);
    EXPECT_EQ(scaled.first, 0xFFFF);
    EXPECT_EQ(scaled.second, 60000);
    EXPECT_EQ(scaled.secondSign, -1);
    EXPECT_EQ(ScaleForKind(tuning, kEffectSpring, pair).first, 0xFFFF);  // 100 %: the same
}

// Full force is 20000; every stage keeps to it and counts a clip.
TEST(GameFixes, ForceStagesKeepToFullForce) {
    const std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const struct {
        const char* what;
        std::int32_t invert, gain, useGain, minimum, value, expected;
        bool clipped;
    } rows[] = {
        {"nothing", 0, 10000, 0, 0, 1234, 1234, false},
        {"the lowest int inverted", 1, 10000, 0, 0, kMin, 20000, true},
        {"the highest int at no gain", 0, 0, 1, 0, kMax, 0, true},
        {"half gain, inverted", 1, 5000, 1, 0, 20000, -10000, false},
        {"a small pull raised to the minimum", 0, 10000, 0, 100, -1, -20000, false},
        {"zero never raised", 0, 10000, 0, 100, 0, 0, false},
        {"gain to nothing is not raised", 0, 0, 1, 50, 15000, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        GameTuning tuning;
        tuning.invert = row.invert;
        tuning.deviceGain = row.gain;
        tuning.useDeviceGain = row.useGain;
        tuning.minimumForce = row.minimum;
        bool clipped = false;
        EXPECT_EQ(FinishForce(tuning, row.value, clipped), row.expected);
        EXPECT_EQ(clipped, row.clipped);
    }
}

TEST(GameFixes, ShockBytesTakeTheGainAndTheMinimum) {
    GameTuning tuning;
    tuning.useDeviceGain = 1;
    tuning.deviceGain = 5000;
    tuning.minimumForce = 20;  // 51 of 255
    EXPECT_EQ(FinishShock(tuning, 200), 100u);
    EXPECT_EQ(FinishShock(tuning, 60), 51u);  // 30, raised
    EXPECT_EQ(FinishShock(tuning, 0), 0u);
    EXPECT_EQ(FinishShock(tuning, 0xFFFFFFFFu), 127u);  // a byte is at most 255
}

TEST(GameFixes, TheDeviceGainKeepsToItsRange) {
    GameTuning tuning;
    EXPECT_EQ(tuning.deviceGain, 10000);  // full until the first SetGain
    KeepDeviceGain(tuning, 0);
    EXPECT_EQ(tuning.deviceGain, 0);
    KeepDeviceGain(tuning, 0xFFFFFFFFu);
    EXPECT_EQ(tuning.deviceGain, 10000);
}

// Only the playing slots already stamped move, by the pause's span, across the wrap, and
// never onto 0 (which means "not started yet"). A second pause keeps the first one's start.
TEST(GameFixes, ContinueMovesTheStartedSlotsPastThePause) {
    DeviceArea area = {};
    area.slotPlaying[0] = 1;
    area.slots[0].startTime = 0xFFFFFF00u;
    area.slotPlaying[1] = 1;
    area.slots[1].startTime = 0;  // not stamped yet
    area.slotPlaying[2] = 0;
    area.slots[2].startTime = 500;  // stopped
    area.slotPlaying[3] = 1;
    area.slots[3].startTime = 0xFFFFFD00u;  // 0x300 before the wrap
    GameTuning tuning;
    tuning.honourPause = 1;
    PauseGame(tuning, 0xFFFFFFF0u);
    PauseGame(tuning, 0x10u);
    EXPECT_TRUE(GamePaused(tuning));
    ContinueGame(tuning, area, 0x2F0u);  // 0x300 ms paused
    EXPECT_FALSE(GamePaused(tuning));
    EXPECT_EQ(area.slots[0].startTime, 0x200u);
    EXPECT_EQ(area.slots[1].startTime, 0u);
    EXPECT_EQ(area.slots[2].startTime, 500u);
    EXPECT_EQ(area.slots[3].startTime, 1u);  // would have been 0
    ContinueGame(tuning, area, 0x5000u);     // not paused: nothing moves
    EXPECT_EQ(area.slots[0].startTime, 0x200u);
}

// The fade moves by the time between ticks, at most its whole length at once.
TEST(GameFixes, TheCentreShareFollowsTheClock) {
    GameTuning tuning;
    EXPECT_EQ(MoveCentreShare(tuning, false, 0xFFFFFFF0u), 0);  // the first tick
    EXPECT_EQ(MoveCentreShare(tuning, false, 0x50u), 0x60);     // across the wrap
    EXPECT_EQ(MoveCentreShare(tuning, false, 0x100000u), kCentreFadeMs);
    EXPECT_EQ(MoveCentreShare(tuning, true, 0x100010u), kCentreFadeMs - 16);
    EXPECT_EQ(MoveCentreShare(tuning, true, 0x200000u), 0);
}

}  // namespace
}  // namespace quorforce
