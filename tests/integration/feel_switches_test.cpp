// The feel switches through the module's real entry points in virtual time: the soft limit's
// bytes and clipped count, reconstruction's path between a game's updates at a 1 ms step, and
// the stabilised spring's force on a wheel at rest; each against the plain mix.
#include <algorithm>
#include <string>
#include <vector>

#include "config/registry_layout.h"
#include "tests/hid/hid_test_support.h"
#include "tests/integration/module_fixture.h"

namespace quorforce {
namespace {

using test::Bytes;
using test::Effect;
using test::ModuleTest;

class FeelSwitches : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        UseOneChannelForceWheel();
    }
    void Restart() {
        TearDown();
        SetUp();
    }
    // The force byte of every report so far.
    std::vector<int> ForceBytes() const {
        std::vector<int> bytes;
        for (const Bytes& report : Reports())
            bytes.push_back(report.size() > 1 ? report[1] : -1);
        return bytes;
    }
    std::uint32_t ClippedTicks() { return Module().process.monitor->areas[0].clippedCount; }
};

// Two constants that together push past full force: clipped flat without the switch, below
// full force through the knee with it, the clipped count the same either way; a force below
// the knee is the plain mix's.
TEST_F(FeelSwitches, SoftLimitCompressesPastTheKneeAndStillCountsTheClip) {
    const struct {
        const char* what;
        DWORD knee;  // 0: not set
        LONG first, second;
        int byte;
        std::uint32_t clipped;
    } rows[] = {
        {"plain, past full force", 0, 7500, 7500, 255, 1},
        // 30000 through the knee at 16000: 16000 + 4000 x 14000 / 18000 = 19111.
        {"knee at 80 %", 80, 7500, 7500, 249, 1},
        {"below the knee", 80, 5000, 0, 191, 0},
        {"below the knee, plain", 0, 5000, 0, 191, 0},
        {"a pull through the knee", 80, -7500, -7500, 6, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        if (row.knee != 0) SetProfileValue("Soft_Limit", row.knee);
        Bind();
        Download(Effect::Constant(row.first));
        if (row.second != 0) Download(Effect::Constant(row.second));
        Run(1);
        EXPECT_EQ(ForceBytes(), (std::vector<int>{row.byte}));
        EXPECT_EQ(ClippedTicks(), row.clipped);
    }
}

// A game that updates a constant every 16 or 17 ms (60 Hz) at a 1 ms step: plain, each update
// is one step of the byte; with reconstruction, once the interval is learned, the force walks
// from one value to the next over about that interval, one byte at a time or so.
TEST_F(FeelSwitches, ReconstructionWalksBetweenTheGamesUpdates) {
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        Restart();
        host::SetRegistryDword(HKEY_LOCAL_MACHINE, kProductKey, "POLLING_STEP", 1);
        if (on) SetProfileValue("Reconstruction", 1);
        Bind();
        Effect e = Effect::Constant(0);
        DWORD handle = Download(e);
        for (int update = 1; update <= 8; ++update) {
            Run(update % 3 == 0 ? 16 : 17);
            e = Effect::Constant(update % 2 == 0 ? 4000 : -4000);
            ASSERT_EQ(driver->DownloadEffect(0, kEffectConstant, &handle, &e.effect,
                                             DIEP_TYPESPECIFICPARAMS),
                      S_OK);
        }
        ClearReports();
        Run(18);  // the last update (a push of 4000 after a pull of 4000) and one interval
        const std::vector<int> bytes = ForceBytes();
        ASSERT_EQ(bytes.size(), 18u);
        EXPECT_EQ(bytes.back(), 179);  // 127 - 51 to 128 + 51
        int largestStep = 0;
        for (std::size_t i = 1; i < bytes.size(); ++i) {
            EXPECT_GE(bytes[i], bytes[i - 1]);
            largestStep = std::max(largestStep, bytes[i] - bytes[i - 1]);
        }
        if (on) {
            EXPECT_LE(largestStep, 8);  // 103 bytes over about 17 ticks
            EXPECT_LT(bytes[7], 153);   // still on its way halfway through
        } else {
            EXPECT_EQ(bytes.front(), 179);  // the whole step at once
        }
    }
}

// At rest the stabiliser changes nothing: a spring on a wheel held turned pulls as hard.
TEST_F(FeelSwitches, StabiliserLeavesTheSpringAtRestAlone) {
    std::vector<int> plain;
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        Restart();
        if (on) SetProfileValue("Spring_Stabiliser", 1);
        Bind();
        Effect spring;
        spring.conditions[0] = {10240, 5000, 5000, 10000, 10000, 0};
        spring.Use(EffectKind::Condition);
        Download(spring, DIEP_START, kEffectSpring);
        for (int i = 0; i < 12; ++i) {
            wheel->QueueInput(test::WheelInput(600));
            rig.Step();
        }
        if (!on) {
            plain = ForceBytes();
            ASSERT_GT(plain.back(), 150);  // the spring pushes the turned wheel back
        } else {
            EXPECT_EQ(ForceBytes().back(), plain.back());
        }
    }
}

}  // namespace
}  // namespace quorforce
