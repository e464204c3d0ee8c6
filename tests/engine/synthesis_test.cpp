// Periodic, constant and ramp synthesis at hand-computed instants, in both modes; the
// clamps; and effects that play on for hours and days.
#include <gtest/gtest.h>

#include "synthesis/constant_ramp.h"
#include "synthesis/periodic.h"
#include "tests/engine/engine_test_support.h"

namespace quorforce {
namespace {

using test::Channels;
using test::Mode;
using test::Settings;

// Full magnitude, no envelope in effect, one axis.
EnvelopeInputs Plain(std::int32_t magnitude) { return {10000, magnitude, 10000, 0, 0, 0}; }
const DirectionInputs kOneAxis{0, 0, 1};

PeriodicInputs Wave(std::int32_t period, std::int32_t t, std::int32_t phase = 0,
                    std::int32_t offset = 0, std::int32_t gain = 10000) {
    return {gain, period, t, phase, offset};
}

// The signed value that reached `second` on a one-channel device.
int Signed(const ForcePair& pair) { return pair.secondSign < 0 ? -pair.second : pair.second; }

TEST(Sine, ForceModeAtQuarterTurns) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    EXPECT_EQ(SynthSine(s, Wave(400000, 0), Plain(10000), kOneAxis).Word(), 0u);
    EXPECT_EQ(SynthSine(s, Wave(400000, 100), Plain(10000), kOneAxis).second, 20000);
    EXPECT_EQ(Signed(SynthSine(s, Wave(400000, 300), Plain(10000), kOneAxis)), -20000);
    // 30 degrees: 5000 raw, 10000 sent; the phase moves the start.
    EXPECT_EQ(Signed(SynthSine(s, Wave(1200000, 100), Plain(10000), kOneAxis)), 10000);
    EXPECT_EQ(Signed(SynthSine(s, Wave(400000, 0, 9000), Plain(10000), kOneAxis)), 20000);
}

TEST(Sine, ForceModeRaisesShortPeriodsTo32Milliseconds) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    // 8 ms is a quarter of 32 ms.
    EXPECT_EQ(Signed(SynthSine(s, Wave(10000, 8), Plain(10000), kOneAxis)), 20000);
    for (int t = 0; t < 70; ++t) {
        SCOPED_TRACE(t);
        EXPECT_EQ(SynthSine(s, Wave(10000, t), Plain(6000), kOneAxis).Word(),
                  SynthSine(s, Wave(32000, t), Plain(6000), kOneAxis).Word());
    }
}

TEST(Periodic, NonPositivePeriodGivesNothing) {
    const DeviceSettings s = Settings(Mode::Force, Channels::Two);
    for (std::int32_t period : {0, -5, INT32_MIN}) {
        SCOPED_TRACE(period);
        EXPECT_EQ(SynthSine(s, Wave(period, 10), Plain(10000), kOneAxis).Word(), 0u);
        EXPECT_EQ(SynthSquare(s, Wave(period, 10), Plain(10000), kOneAxis).Word(), 0u);
        EXPECT_EQ(SynthTriangle(s, Wave(period, 10), Plain(10000), kOneAxis).Word(), 0u);
        EXPECT_EQ(SynthSawtooth(s, Wave(period, 10), true, Plain(10000), kOneAxis).Word(), 0u);
    }
}

// A motor cannot follow a fast wave: below 128 ms shock mode sends the envelope level.
TEST(Periodic, ShockModeShowsFastWavesAsTheirLevel) {
    const DeviceSettings s = Settings(Mode::Shock, Channels::One);
    for (int t : {0, 25, 50, 75}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(SynthSine(s, Wave(100000, t, 0, 1000), Plain(6000), kOneAxis).second, 7000);
        EXPECT_EQ(SynthTriangle(s, Wave(100000, t, 0, 1000), Plain(6000), kOneAxis).second, 7000);
        EXPECT_EQ(SynthSawtooth(s, Wave(100000, t, 0, 1000), false, Plain(6000), kOneAxis).second,
                  7000);
        EXPECT_EQ(SynthSquare(s, Wave(100000, t), Plain(6000), kOneAxis).second, 6000);
    }
    // Slow: the wave, its negative half clamped to 0.
    EXPECT_EQ(SynthSine(s, Wave(200000, 50), Plain(6000), kOneAxis).second, 6000);
    EXPECT_EQ(SynthSine(s, Wave(200000, 150), Plain(6000), kOneAxis).second, 0);
    // A full raw value is replaced by 20000.
    EXPECT_EQ(SynthSine(s, Wave(200000, 50, 0, 15000), Plain(6000), kOneAxis).second, 20000);
}

TEST(Periodic, StaticValueClampsBeforeScaling) {
    DeviceSettings s = Settings(Mode::Force, Channels::One);
    s.staticValue = 50;
    // 6000 is above 5000, so 10000 stands for it: 2 × 10000 × 0.5 = 10000.
    EXPECT_EQ(SynthSine(s, Wave(400000, 100), Plain(6000), kOneAxis).second, 10000);
    EXPECT_EQ(SynthSine(s, Wave(400000, 100), Plain(4000), kOneAxis).second, 4000);
    // Half the gain halves it again.
    EXPECT_EQ(SynthSine(s, Wave(400000, 100, 0, 0, 5000), Plain(4000), kOneAxis).second, 2000);
}

TEST(Triangle, StartsHighAndFallsToMinus9827AtHalfPeriod) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    // Raw +10000 at phase 0: 20000 sent.
    EXPECT_EQ(Signed(SynthTriangle(s, Wave(400000, 0), Plain(10000), kOneAxis)), 20000);
    // Half period: index 360 (the copy of entry 359) gives raw -9827.
    EXPECT_EQ(Signed(SynthTriangle(s, Wave(400000, 200), Plain(10000), kOneAxis)), -19654);
    // A quarter: the arcsine of about 0 is about 0.
    EXPECT_EQ(Signed(SynthTriangle(s, Wave(400000, 100), Plain(10000), kOneAxis)), -32);
}

TEST(Sawtooth, DirectionsAndPhaseIndependence) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    EXPECT_EQ(Signed(SynthSawtooth(s, Wave(400000, 0), false, Plain(10000), kOneAxis)), 20000);
    EXPECT_EQ(Signed(SynthSawtooth(s, Wave(400000, 0), true, Plain(10000), kOneAxis)), -20000);
    EXPECT_EQ(Signed(SynthSawtooth(s, Wave(400000, 100), true, Plain(10000), kOneAxis)), -10000);
    EXPECT_EQ(Signed(SynthSawtooth(s, Wave(400000, 300), false, Plain(10000), kOneAxis)), -10000);
    EXPECT_EQ(SynthSawtooth(s, Wave(400000, 100, 18000), true, Plain(10000), kOneAxis).Word(),
              SynthSawtooth(s, Wave(400000, 100, 0), true, Plain(10000), kOneAxis).Word());
}

TEST(Square, ForceModeHalves) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    EXPECT_EQ(Signed(SynthSquare(s, Wave(400000, 100), Plain(10000), kOneAxis)), 20000);
    EXPECT_EQ(Signed(SynthSquare(s, Wave(400000, 300), Plain(10000), kOneAxis)), -20000);
}

// A slow square on a vibration device: a full pulse for 16 × N ms after each change of the
// coarse sine level (N = 10 for a 1.28 s period), nothing in between.
TEST(Square, ShockModePulsesAfterEdges) {
    const DeviceSettings s = Settings(Mode::Shock, Channels::One);
    const struct {
        int t;
        int expected;
    } rows[] = {
        {0, 0},  // the level at 0 degrees equals the one just before
        {16, 10000}, {100, 10000}, {163, 10000},
        {164, 0},    {200, 0},     {321, 10000},  // 90 degrees: the level peaks
        {330, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.t);
        EXPECT_EQ(SynthSquare(s, Wave(1280000, row.t), Plain(10000), kOneAxis).second,
                  row.expected);
    }
}

// t × 1000 leaves 32 bits after about 35.8 minutes; the wave must play on unchanged.
TEST(Periodic, PlaysOnCorrectlyAfterHoursAndDays) {
    const DeviceSettings s = Settings(Mode::Force, Channels::One);
    const struct {
        const char* what;
        std::int32_t t;
        int sine;
    } rows[] = {
        {"36 minutes", 2160000, 0},
        {"36 minutes and a quarter turn", 2160100, 20000},
        {"a day and a quarter turn", 86400100, 20000},
        {"24.8 days, three quarters", 2147483100, -20000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Signed(SynthSine(s, Wave(400000, row.t), Plain(10000), kOneAxis)), row.sine);
        EXPECT_EQ(PhaseIndex(row.t, 0, 400000, 0), PhaseIndex(row.t % 400, 0, 400000, 0));
    }
    EXPECT_EQ(Signed(SynthSawtooth(s, Wave(400000, 86400100), true, Plain(10000), kOneAxis)),
              -10000);
    EXPECT_EQ(Signed(SynthTriangle(s, Wave(400000, 86400000), Plain(10000), kOneAxis)), 20000);
}

TEST(Periodic, NegativeAnglesWrapIntoTheTable) {
    // 16 ms before the start, 4.5 degrees short of 0.
    EXPECT_EQ(PhaseIndex(-16, 0, 1280000, 0), 356);
    EXPECT_EQ(PhaseIndex(0, -9000, 400000, 0), 270);
    EXPECT_EQ(PhaseIndex(0, 0, 0, 0), 0);
}

TEST(Constant, ForceAndShockMode) {
    const DeviceSettings force = Settings(Mode::Force, Channels::One);
    const DeviceSettings shock = Settings(Mode::Shock, Channels::One);
    EXPECT_EQ(Signed(SynthConstant(force, 10000, 0, Plain(5000), kOneAxis)), 10000);
    EXPECT_EQ(Signed(SynthConstant(force, 10000, 0, Plain(-5000), kOneAxis)), -10000);
    EXPECT_EQ(Signed(SynthConstant(force, 5000, 0, Plain(10000), kOneAxis)), 10000);
    // No clamp: a full constant force is 20000 whatever staticValue's threshold says.
    EXPECT_EQ(Signed(SynthConstant(force, 10000, 0, Plain(10000), kOneAxis)), 20000);
    // A vibration motor takes the strength.
    EXPECT_EQ(SynthConstant(shock, 10000, 0, Plain(-5000), kOneAxis).second, 10000);
    // Through its envelope: halfway through the attack from 0.
    const EnvelopeInputs attack{0, 8000, 0, 200, 0, 0};
    EXPECT_EQ(Signed(SynthConstant(force, 10000, 100, attack, kOneAxis)), 8000);
}

TEST(Ramp, LineOverTheDurationAndInfiniteRamps) {
    const DeviceSettings force = Settings(Mode::Force, Channels::One);
    const DeviceSettings shock = Settings(Mode::Shock, Channels::One);
    EXPECT_EQ(Signed(SynthRamp(force, 10000, 0, 1000, -10000, 10000, kOneAxis)), -20000);
    EXPECT_EQ(Signed(SynthRamp(force, 10000, 250, 1000, -10000, 10000, kOneAxis)), -10000);
    EXPECT_EQ(Signed(SynthRamp(force, 10000, 750, 1000, -10000, 10000, kOneAxis)), 10000);
    EXPECT_EQ(Signed(SynthRamp(force, 10000, 1000, 1000, -10000, 10000, kOneAxis)), 0);
    EXPECT_EQ(SynthRamp(shock, 10000, 250, 1000, -10000, 10000, kOneAxis).second, 5000);
    // Infinite: 0 in force-feedback mode, the mid intensity in shock mode.
    EXPECT_EQ(SynthRamp(force, 10000, 250, 0, -10000, 10000, kOneAxis).Word(), 0u);
    EXPECT_EQ(SynthRamp(shock, 10000, 250, 0, -10000, 10000, kOneAxis).second, 10000);
    EXPECT_EQ(SynthRamp(shock, 5000, 250, 0, -10000, 10000, kOneAxis).second, 5000);
    // Hours long: (finish - start) × t leaves 32 bits.
    EXPECT_EQ(Signed(SynthRamp(force, 10000, 3000000, 4000000, -10000, 10000, kOneAxis)), 10000);
}

// Whatever the table holds, the synthesis neither overflows nor leaves its tables.
TEST(Synthesis, ExtremeSlotValuesStayDefined) {
    DeviceSettings s = Settings(Mode::Force, Channels::Two);
    s.staticValue = INT32_MAX;
    const EnvelopeInputs wild{INT32_MIN, INT32_MAX, INT32_MIN, 7, 3, 9};
    const DirectionInputs anyAngle{INT32_MIN, INT32_MAX, 0xFFFFFFFFu};
    for (std::int32_t t : {0, 5, 8, INT32_MAX}) {
        const PeriodicInputs wave{INT32_MIN, 1, t, INT32_MIN, INT32_MAX};
        SynthSine(s, wave, wild, anyAngle);
        SynthSquare(s, wave, wild, anyAngle);
        SynthTriangle(s, wave, wild, anyAngle);
        SynthSawtooth(s, wave, false, wild, anyAngle);
        SynthConstant(s, INT32_MIN, t, wild, anyAngle);
        SynthRamp(s, INT32_MAX, t, INT32_MAX, INT32_MIN, INT32_MAX, anyAngle);
        s.shockOrForceFeedback = 0;
        SynthSquare(s, Wave(INT32_MAX, t, INT32_MIN), wild, anyAngle);
        s.shockOrForceFeedback = 1;
    }
    SUCCEED();
}

}  // namespace
}  // namespace quorforce

namespace quorforce {
namespace {

// A sweep over every waveform, mode, layout and many instants, folded into one hash: the
// host build and the 32-bit Windows build must produce the very same words and signs.
TEST(Synthesis, SweepIsBitIdenticalInEveryBuild) {
    std::uint32_t hash = 2166136261u;
    auto fold = [&hash](const ForcePair& pair) {
        const std::uint32_t values[] = {pair.Word(), static_cast<std::uint32_t>(pair.firstSign),
                                        static_cast<std::uint32_t>(pair.secondSign)};
        for (std::uint32_t v : values) {
            hash ^= v;
            hash *= 16777619u;
        }
    };
    for (Mode mode : {Mode::Force, Mode::Shock}) {
        for (Channels channels : {Channels::One, Channels::Two}) {
            DeviceSettings s = Settings(mode, channels);
            s.staticValue = 73;
            const EnvelopeInputs envelope{3000, 9000, 1000, 400, 2600, 3000};
            const DirectionInputs direction{12345, 0, 2};
            for (std::int32_t t = 0; t < 3000; t += 7) {
                const PeriodicInputs wave{8500, 170000, t, 4500, -700};
                fold(SynthSine(s, wave, envelope, direction));
                fold(SynthSquare(s, {8500, 1700000, t, 4500, -700}, envelope, direction));
                fold(SynthTriangle(s, wave, envelope, direction));
                fold(SynthSawtooth(s, wave, t % 2 == 0, envelope, direction));
                fold(SynthConstant(s, 7700, t, envelope, direction));
                fold(SynthRamp(s, 7700, t, 3000, -8000, 6000, direction));
            }
        }
    }
    EXPECT_EQ(hash, 0x18c9a6a5u) << std::hex << hash;
}

}  // namespace
}  // namespace quorforce
