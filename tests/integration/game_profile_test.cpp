// A game's switches, through the module's real entry points in virtual time: the bytes the
// wheel receives for each switch and a combination, the profile winning over the device key,
// a game without a profile left alone, the pause and the actuators across their commands, the
// auto-centre's fade, and what the first DeviceID leaves behind (the profile key, the
// presence).
#include <string>
#include <vector>

#include "state/game_presence.h"
#include "tests/hid/hid_test_support.h"
#include "tests/integration/module_fixture.h"

namespace quorforce {
namespace {

using test::Bytes;
using test::Effect;
using test::ModuleTest;

const Bytes kNeutralOneValue = {0x01, 0x80, 0x00};  // a one-value force device at rest
const Bytes kRestForce = {0x01, 0x80, 0x80};        // the mix of no force

// A one-value force wheel: the report is {id, force byte, 0x80}.
Bytes Force(std::uint8_t byte) { return {0x01, byte, 0x80}; }
// How far a force byte is from no force (128).
int Pull(std::uint8_t byte) { return byte >= 128 ? byte - 128 : 127 - byte; }

class GameProfile : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        UseOneChannelForceWheel();
    }
    // A constant of `magnitude` (a sum of twice that) held for `durationMs`.
    DWORD Play(LONG magnitude, DWORD durationMs = INFINITE) {
        Effect e = Effect::Constant(magnitude);
        e.effect.dwDuration = durationMs == INFINITE ? INFINITE : durationMs * 1000;
        return Download(e);
    }
};

// Each switch alone and together, on a constant (kind gains elsewhere leave it alone). The
// bytes: 128 + ((sum x 255 / 20000) >> 1) for a push, 127 - ((|sum| x 255 / 20000) >> 1) for a
// pull.
TEST_F(GameProfile, EachSwitchAndTheirCombinationGiveTheirBytes) {
    struct Value {
        bool profile;  // in the game's profile, else the device key (every game's)
        const char* name;
        DWORD value;
    };
    struct Row {
        const char* what;
        std::vector<Value> values;
        LONG magnitude;
        DWORD deviceGain;  // SetGain's value, 0: never called
        std::uint8_t byte;
    };
    const Row rows[] = {
        {"nothing set: the plain mix", {}, 5000, 0, 191},
        {"inverted", {{true, "Invert_Force", 1}}, 5000, 0, 64},
        {"inverted for every game", {{false, "Invert_Force", 1}}, 5000, 0, 64},
        {"the profile's 0 wins over the device key's 1",
         {{false, "Invert_Force", 1}, {true, "Invert_Force", 0}},
         5000,
         0,
         191},
        {"constant at half", {{true, "Constant_Gain", 50}}, 5000, 0, 159},
        {"constant doubled to full force", {{true, "Constant_Gain", 200}}, 5000, 0, 255},
        {"constant off", {{true, "Constant_Gain", 0}}, 5000, 0, 128},
        {"the periodic gain leaves a constant alone", {{true, "Periodic_Gain", 10}}, 5000, 0, 191},
        {"a small force without a minimum", {}, 250, 0, 131},
        {"a small force raised to 10 %", {{true, "Minimum_Force", 10}}, 250, 0, 140},
        {"a small pull raised to 10 %", {{true, "Minimum_Force", 10}}, -250, 0, 115},
        {"zero stays zero under a minimum", {{true, "Minimum_Force", 10}}, 0, 0, 128},
        {"the game's global value", {{true, "Global_Value", 50}}, 5000, 0, 159},
        {"the game's static value", {{true, "Static_Value", 50}}, 5000, 0, 159},
        {"the device gain honoured", {{true, "Game_Gain", 1}}, 5000, 5000, 159},
        {"the device gain before any SetGain", {{true, "Game_Gain", 1}}, 5000, 0, 191},
        {"the device gain above 10000 is full", {{true, "Game_Gain", 1}}, 5000, 20000, 191},
        {"the device gain ignored without the switch", {}, 5000, 5000, 191},
        // 2000 x 1.5 = 3000, x 0.5 = 1500, x 0.8 = 1200, inverted -1200, raised to -6000.
        {"all together",
         {{true, "Constant_Gain", 150},
          {true, "Global_Value", 50},
          {true, "Game_Gain", 1},
          {false, "Invert_Force", 1},
          {true, "Minimum_Force", 30}},
         1000,
         8000,
         89},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        for (const Value& v : row.values) {
            if (v.profile) {
                SetProfileValue(v.name, v.value);
            } else {
                SetDeviceValue(v.name, v.value);
            }
        }
        Bind();
        if (row.deviceGain != 0) {
            ASSERT_EQ(driver->SetGain(0, row.deviceGain), S_OK);
        }
        Play(row.magnitude);
        Run(1);
        EXPECT_EQ(Reports(), (std::vector<Bytes>{Force(row.byte)}));
        EXPECT_EQ(Table().settings[0].globalValue, 100);  // the shared table keeps its own
    }
}

// Another game's profile changes nothing for this one, and nothing makes this one's ticks
// different from the plain mix's: the same reports, the same monitor counts.
TEST_F(GameProfile, AnotherGamesProfileLeavesThisOneAlone) {
    host::SetRegistryDword(HKEY_CURRENT_USER, test::kWheelDeviceKey + "\\Profiles\\other.exe",
                           "Invert_Force", 1);
    SetProfileValue("Invert_Force", 7);  // out of range: absent
    Bind();
    EXPECT_EQ(Module().process.gameTuning[0].changesMix, 0);
    Play(5000);
    Run(1);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{Force(191)}));
}

// The kind gains reach the kinds they name: a spring pushing against a turned wheel at half.
TEST_F(GameProfile, KindGainsScaleTheirKind) {
    struct Row {
        const char* switchName;
        DWORD percent;
        bool halved;
    };
    const Row rows[] = {{"Spring_Gain", 50, true}, {"Damper_Gain", 50, false}};
    std::uint8_t plain = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.switchName);
        for (bool set : {false, true}) {
            TearDown();
            SetUp();
            if (set) SetProfileValue(row.switchName, row.percent);
            Bind();
            Effect spring;
            spring.conditions[0] = {10240, 5000, 5000, 10000, 10000, 0};
            spring.Use(EffectKind::Condition);
            Download(spring, DIEP_START, kEffectSpring);
            wheel->QueueInput(test::WheelInput(600));
            rig.Step();
            const std::vector<Bytes> reports = Reports();
            ASSERT_EQ(reports.size(), 1u);
            if (!set) {
                plain = reports[0][1];
                ASSERT_GT(Pull(plain), 40);  // the spring pulls the turned wheel back
                continue;
            }
            EXPECT_EQ(Pull(reports[0][1]), row.halved ? Pull(plain) / 2 : Pull(plain));
        }
    }
}

// Paused, the wheel rests and the effect's time stands: a 1 s effect paused after 176 ms for
// 320 ms ends 1320 ms after its start. With the actuators off the wheel rests too, but the time
// runs: it ends at 1000 ms.
TEST_F(GameProfile, PauseStopsTheTimeActuatorsOffOnlyMute) {
    struct Row {
        const char* what;
        DWORD off, on;
        int lastPlayingTick;  // after the resumption, 16 ms apart from 1496 ms
    };
    const Row rows[] = {
        {"pause", DISFFC_PAUSE, DISFFC_CONTINUE, 51},                      // 2312 < 2320
        {"actuators", DISFFC_SETACTUATORSOFF, DISFFC_SETACTUATORSON, 31},  // 1992 < 2000
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        SetProfileValue("Game_Pause", 1);
        Bind();
        Play(5000, 1000);
        Run(11);  // ticks at 1000..1160: playing from 1000
        ASSERT_EQ(driver->SendForceFeedbackCommand(0, row.off), S_OK);
        ClearReports();
        Run(20);  // 1176..1480
        EXPECT_EQ(Reports(), std::vector<Bytes>(20, kNeutralOneValue));
        ASSERT_EQ(driver->SendForceFeedbackCommand(0, row.on), S_OK);
        ClearReports();
        Run(row.lastPlayingTick + 2);
        const std::vector<Bytes> reports = Reports();
        ASSERT_EQ(reports.size(), static_cast<std::size_t>(row.lastPlayingTick + 2));
        EXPECT_EQ(reports[0], Force(191));
        EXPECT_EQ(reports[row.lastPlayingTick], Force(191));
        EXPECT_EQ(reports[row.lastPlayingTick + 1], kRestForce);
    }
}

// Without the switch the pause changes no byte and no time (the plain driver's behaviour).
TEST_F(GameProfile, PauseWithoutTheSwitchChangesNothing) {
    Bind();
    Play(5000, 1000);
    Run(11);
    ASSERT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_PAUSE), S_OK);
    ClearReports();
    Run(20);
    EXPECT_EQ(Reports(), std::vector<Bytes>(20, Force(191)));
    ASSERT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_CONTINUE), S_OK);
    ClearReports();
    Run(33);
    EXPECT_EQ(Reports()[31], Force(191));  // 1992 ms
    EXPECT_EQ(Reports()[32], kRestForce);  // 2008 ms: over, not shifted
}

// In the menus (nothing playing) the auto-centre pulls the turned wheel back, fading in over
// 250 ms to the pull of a game's own spring of its strength; when the game starts its own
// spring the auto-centre fades out instead of stacking on it, and back in when it stops.
TEST_F(GameProfile, AutoCentreFadesAroundTheGamesSpring) {
    Effect spring;
    spring.conditions[0] = {10240, 5000, 5000, 10000, 10000, 0};  // about 512 x 20
    spring.Use(EffectKind::Condition);
    // The pull of the game's own spring of coefficient 5000, alone.
    Bind();
    Download(spring, DIEP_START, kEffectSpring);
    wheel->QueueInput(test::WheelInput(700));
    rig.Step();
    const std::uint8_t full = Reports().at(0)[1];
    ASSERT_GT(Pull(full), 40);

    TearDown();
    SetUp();
    SetProfileValue("Auto_Centre", 50);
    Bind();
    wheel->QueueInput(test::WheelInput(700));
    for (int i = 0; i < 20; ++i)
        rig.Step();
    std::vector<Bytes> reports = Reports();
    ASSERT_EQ(reports.size(), 20u);     // ticks with nothing playing
    EXPECT_EQ(reports[0], Force(128));  // the fade starts from nothing
    for (std::size_t i = 1; i < 16; ++i)
        EXPECT_GE(Pull(reports[i][1]), Pull(reports[i - 1][1])) << i;
    EXPECT_LT(Pull(reports[8][1]), Pull(full));
    EXPECT_EQ(reports[16], Force(full));  // 256 ms: the whole pull
    EXPECT_EQ(reports[19], Force(full));

    // The game's own spring, of no strength: only the auto-centre's fading pull is left.
    Effect limp = spring;
    limp.conditions[0].lPositiveCoefficient = 0;
    limp.conditions[0].lNegativeCoefficient = 0;
    const DWORD handle = Download(limp, DIEP_START, kEffectSpring);
    ClearReports();
    for (int i = 0; i < 18; ++i)
        rig.Step();
    reports = Reports();
    for (std::size_t i = 1; i < reports.size(); ++i)
        EXPECT_LE(Pull(reports[i][1]), Pull(reports[i - 1][1])) << i;
    EXPECT_GT(Pull(reports[0][1]), 0);
    EXPECT_EQ(reports[16], Force(128));  // faded out within 250 ms, and stays so
    EXPECT_EQ(reports[17], Force(128));

    ASSERT_EQ(driver->StopEffect(0, handle), S_OK);
    ClearReports();
    for (int i = 0; i < 18; ++i)
        rig.Step();
    reports = Reports();
    EXPECT_EQ(reports.back(), Force(full));  // back once the game's spring is gone
}

// The first DeviceID makes the game known (its empty profile key, under the current user) and
// shows it running until the module goes.
TEST_F(GameProfile, FirstDeviceIdMakesTheGameKnownAndRunning) {
    host::SetProcessImage("D:\\Steam\\Race\\RaceGame64.EXE");
    const std::string key = test::kWheelDeviceKey + "\\Profiles\\racegame64.exe";
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_CURRENT_USER, key));
    Bind();
    EXPECT_TRUE(host::RegistryKeyExists(HKEY_CURRENT_USER, key));
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_LOCAL_MACHINE, key));
    EXPECT_TRUE(GameIsRunning("racegame64.exe"));
    EXPECT_FALSE(GameIsRunning("game.exe"));
    ASSERT_EQ(rig.DeviceID(0, 0), S_OK);  // a second bind keeps the one object
    EXPECT_EQ(Module().process.gameKnown, 1);
    Detach();
    EXPECT_FALSE(GameIsRunning("racegame64.exe"));
}

// An executable name that cannot be a key leaves the game without a profile: the device key's
// switches still apply.
TEST_F(GameProfile, AnUnusableNameFallsBackToTheDeviceKey) {
    host::SetProcessImage(std::string(300, 'x') + ".exe");
    SetDeviceValue("Invert_Force", 1);
    Bind();
    EXPECT_EQ(Module().process.gameName[0], '\0');
    Play(5000);
    Run(1);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{Force(64)}));
}

}  // namespace
}  // namespace quorforce
