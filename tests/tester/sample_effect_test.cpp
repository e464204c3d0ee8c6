// The tester's sample effects as the driver receives them through DirectInput: the shared
// DIEFFECT fields, the axes and directions, and the type-specific block byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tester/sample_effect.h"

namespace quortest {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes BlockBytes(const DIEFFECT& e) {
    const auto* bytes = static_cast<const unsigned char*>(e.lpvTypeSpecificParams);
    return Bytes(bytes, bytes + e.cbTypeSpecificParams);
}

TEST(SampleEffect, EachButtonsEffectAsDirectInputPassesIt) {
    const struct {
        int kind;
        LONG directions[2];
        Bytes block;
    } rows[] = {
        {kConstantSample, {-8000, 8000}, {0x10, 0x27, 0, 0}},           // magnitude 10000
        {kRampSample, {10000, 10000}, {0, 0, 0, 0, 0x10, 0x27, 0, 0}},  // 0 to 10000
        // magnitude 4000, offset 0, phase 0, period 1 s
        {kPeriodicSample, {0, 0}, {0xA0, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x42, 0x0F, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        SampleEffect sample;
        std::memset(&sample.block, 0xCC, sizeof sample.block);  // leftovers must not show
        ASSERT_EQ(FillSampleEffect(row.kind, 2, sample), S_OK);
        const DIEFFECT& e = sample.effect;
        EXPECT_EQ(e.dwSize, sizeof(void*) == 8 ? 80u : 56u);  // the whole record, either size
        EXPECT_EQ(e.dwFlags, DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS);
        EXPECT_EQ(e.dwDuration, 5000000u);
        EXPECT_EQ(e.dwSamplePeriod, 1000u);
        EXPECT_EQ(e.dwGain, 10000u);
        EXPECT_EQ(e.dwTriggerButton, DIEB_NOTRIGGER);
        EXPECT_EQ(e.dwTriggerRepeatInterval, 0u);
        EXPECT_EQ(e.cAxes, 2u);
        EXPECT_EQ(e.rgdwAxes[0], 0u);  // DIJOFS_X
        EXPECT_EQ(e.rgdwAxes[1], 4u);  // DIJOFS_Y
        EXPECT_EQ(e.rglDirection[0], row.directions[0]);
        EXPECT_EQ(e.rglDirection[1], row.directions[1]);
        EXPECT_EQ(e.lpEnvelope, nullptr);
        EXPECT_EQ(e.dwStartDelay, 0u);
        EXPECT_EQ(BlockBytes(e), row.block);
    }
}

TEST(SampleEffect, AxisCountAndUnknownKinds) {
    SampleEffect sample;
    ASSERT_EQ(FillSampleEffect(kConstantSample, 1, sample), S_OK);
    EXPECT_EQ(sample.effect.cAxes, 1u);  // a one-actuator device: X only
    for (int kind : {0, 4, -1})
        EXPECT_EQ(FillSampleEffect(kind, 2, sample), E_FAIL) << kind;
}

}  // namespace
}  // namespace quortest
