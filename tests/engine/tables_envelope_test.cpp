// The lookup tables (telling entries, and the same bits in every build) and the envelope's
// attack, sustain and fade.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "synthesis/envelope.h"
#include "synthesis/table_math.h"
#include "tests/engine/engine_test_support.h"

namespace quorforce {
namespace {

TEST(Tables, HoldTheTellingEntries) {
    BuildTables();
    EXPECT_EQ(sinTable[0], 0.0f);
    EXPECT_EQ(sinTable[90], 1.0f);
    EXPECT_EQ(sinTable[270], -1.0f);
    EXPECT_EQ(sinTable[30], 0.5f);
    EXPECT_FLOAT_EQ(asinTable[0], -1.5707964f);
    EXPECT_NEAR(asinTable[180], 0.0025992f, 5e-8f);
    EXPECT_NEAR(asinTable[359], 1.5435325f, 2e-7f);
    EXPECT_EQ(asinTable[360], asinTable[359]);
}

// FNV-1a over the tables' bits: the host build and the 32-bit Windows build must agree,
// or forces would differ between the tests and the wheel.
TEST(Tables, AreBitIdenticalInEveryBuild) {
    BuildTables();
    std::uint32_t hash = 2166136261u;
    auto mix = [&hash](const float* values, int count) {
        for (int i = 0; i < count; ++i) {
            std::uint32_t bits;
            std::memcpy(&bits, &values[i], sizeof bits);
            for (int b = 0; b < 4; ++b) {
                hash ^= (bits >> (8 * b)) & 0xFFu;
                hash *= 16777619u;
            }
        }
    };
    mix(sinTable, 360);
    mix(asinTable, 361);
    EXPECT_EQ(hash, 0xc3539a5du) << std::hex << hash;
}

// The table builders' own sine and arcsine against the true values, at points where those
// are known exactly.
TEST(Tables, OwnSineAndArcsineAreAccurate) {
    const double pi = 3.14159265358979323846;
    EXPECT_NEAR(TableSine(pi / 6), 0.5, 1e-15);
    EXPECT_NEAR(TableSine(pi / 2), 1.0, 1e-15);
    EXPECT_NEAR(TableSine(7 * pi / 6), -0.5, 1e-15);
    EXPECT_NEAR(TableSine(2 * pi - 0.25), -0.24740395925452294, 1e-15);
    EXPECT_NEAR(TableArcsine(0.5), pi / 6, 1e-15);
    EXPECT_NEAR(TableArcsine(-1.0), -pi / 2, 1e-15);
    EXPECT_NEAR(TableArcsine(0.8660254037844386), pi / 3, 1e-15);
    EXPECT_NEAR(TableArcsine(0.0), 0.0, 1e-18);
}

EnvelopeInputs Envelope(int attackLevel, int magnitude, int fadeLevel, int attackTime,
                        int fadeStart, int end) {
    return {attackLevel, magnitude, fadeLevel, attackTime, fadeStart, end};
}

TEST(Envelope, AttackSustainFadeAndSilence) {
    const EnvelopeInputs e = Envelope(2000, 8000, 0, 100, 900, 1000);
    const struct {
        int t;
        int expected;
    } rows[] = {
        {0, 2000},   {50, 5000},  {99, 7940}, {100, 8000}, {500, 8000}, {899, 8000},
        {900, 8000}, {950, 4000}, {999, 80},  {1000, 0},   {5000, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.t);
        EXPECT_EQ(ApplyEnvelope(row.t, e), row.expected);
    }
}

TEST(Envelope, NegativeMagnitudeRampsThroughZero) {
    const EnvelopeInputs e = Envelope(10000, -10000, 10000, 100, 0, 0);
    EXPECT_EQ(ApplyEnvelope(0, e), 10000);
    EXPECT_EQ(ApplyEnvelope(50, e), 0);
    EXPECT_EQ(ApplyEnvelope(75, e), -5000);
    EXPECT_EQ(ApplyEnvelope(100, e), -10000);
}

TEST(Envelope, WithoutEndNeverFades) {
    const EnvelopeInputs e = Envelope(0, 6000, 0, 0, -3000, 0);
    EXPECT_EQ(ApplyEnvelope(0, e), 6000);  // attack time 0 starts at the full magnitude
    EXPECT_EQ(ApplyEnvelope(1000000, e), 6000);
    EXPECT_EQ(ApplyEnvelope(INT32_MAX, e), 6000);
}

TEST(Envelope, DefaultEnvelopeIsThePlainMagnitudeUntilTheEnd) {
    const EnvelopeInputs e = Envelope(10000, -4000, 10000, 0, 5000, 5000);
    EXPECT_EQ(ApplyEnvelope(0, e), -4000);
    EXPECT_EQ(ApplyEnvelope(4999, e), -4000);
    EXPECT_EQ(ApplyEnvelope(5000, e), 0);
}

TEST(Envelope, LongAttackDoesNotOverflow) {
    // 10000 × 3000000 leaves 32 bits; the level three quarters into the attack is exact.
    const EnvelopeInputs e = Envelope(0, 10000, 0, 4000000, 0, 0);
    EXPECT_EQ(ApplyEnvelope(3000000, e), 7500);
    const EnvelopeInputs extreme = Envelope(INT32_MIN, INT32_MAX, INT32_MIN, 1000, 2000, 3000);
    EXPECT_EQ(ApplyEnvelope(1500, extreme), INT32_MAX);
    EXPECT_EQ(ApplyEnvelope(2500, extreme), 0);  // halfway down the fade
}

}  // namespace
}  // namespace quorforce
