// The application-shaped programs (app_patterns.cpp) through the DirectInput stand-in, the
// registered driver and the virtual wheel on Wine's HID stack: what the wheel receives and
// what the stand-in's record shows the driver was given.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "config/registry_layout.h"
#include "harness/wine/program_window.h"
#include "harness/wine/text_lines.h"
#include "harness/wine/virtual_wheel.h"
#include "harness/wine/wheel_fixture.h"

namespace {

using namespace wine_test;

const std::string kEffectsKey = std::string(quorforce::kOemRoot) + quorforce::kBuiltInDevice +
                                quorforce::kForceFeedbackSubkey + quorforce::kEffectTypesSubkey;

// Each registered effect's DIEFFECTATTRIBUTES, by its key's name.
std::map<std::string, DIEFFECTATTRIBUTES> RegisteredEffects() {
    std::map<std::string, DIEFFECTATTRIBUTES> effects;
    for (const std::string& name : SubkeyNames(HKEY_LOCAL_MACHINE, kEffectsKey)) {
        DIEFFECTATTRIBUTES attributes = {};
        if (ReadValue(HKEY_LOCAL_MACHINE, kEffectsKey + "\\" + name, "Attributes",
                      RRF_RT_REG_BINARY, &attributes, sizeof attributes)) {
            effects[name] = attributes;
        }
    }
    return effects;
}

void WriteEffect(const std::string& name, const DIEFFECTATTRIBUTES& attributes) {
    const std::string path = std::string(kEffectsKey) + "\\" + name;
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, path.c_str(), "Attributes", REG_BINARY, &attributes,
                    sizeof attributes);
}

// Whether the registration lists cartesian coordinates for the constant force.
bool ConstantTakesCartesian() {
    const auto effects = RegisteredEffects();
    const auto constant = effects.find("{13541C20-8E33-11D0-9AD0-00A0C9A06E35}");
    return constant != effects.end() && (constant->second.dwCoords & DIEFF_CARTESIAN) != 0;
}

// For its lifetime, every registered effect lists these coordinates, as a maker's
// registration may; then each lists its own again.
class ListedCoordinates {
public:
    explicit ListedCoordinates(DWORD coords) : saved_(RegisteredEffects()) {
        for (auto effect : saved_) {
            effect.second.dwCoords = coords;
            WriteEffect(effect.first, effect.second);
        }
    }
    ~ListedCoordinates() {
        for (const auto& effect : saved_)
            WriteEffect(effect.first, effect.second);
    }

private:
    std::map<std::string, DIEFFECTATTRIBUTES> saved_;
};

struct PatternRun {
    int exitCode = -1;
    std::vector<Bytes> reports;  // output reports, in order
    std::vector<std::string> record;
    std::vector<std::string> With(const std::string& part) const { return LinesWith(record, part); }
};

class AppPatterns : public RegisteredWheelTest<> {
protected:
    static void SetUpTestSuite() {
        RegisteredWheelTest::SetUpTestSuite();
        for (const char* program :
             {"quorforce_app_patterns.exe", "quorforce_stand_in_conformance.exe"})
            CopyFileA((ThisFolder() + program).c_str(), (Folder() + program).c_str(), FALSE);
        SetEnvironmentVariableA("QUORFORCE_STAND_IN_LOG", RecordPath().c_str());
        // COM's CLSID_DirectInput8 names the system's dinput8.dll: the stand-in takes its
        // place in this test's own prefix (dinput8=n makes Wine load the file), as
        // scripts/run-with-wheel does.
        char system[MAX_PATH];
        GetSystemDirectoryA(system, sizeof system);
        CopyFileA((Folder() + "dinput8.dll").c_str(),
                  (std::string(system) + "\\dinput8.dll").c_str(), FALSE);
    }
    static void TearDownTestSuite() {
        ClearDeviceKey();
        RegisterActuator(1, false);
        RegisteredWheelTest::TearDownTestSuite();
    }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RegisteredWheelTest::SetUp());
        DeleteFileA(RecordPath().c_str());
    }

    static std::string Folder() { return ThisFolder() + "dinput-stand-in\\"; }
    static std::string RecordPath() { return Folder() + "app-record.txt"; }

    // Runs a pattern; while it runs the wheel turns back and forth when `turn` says so.
    static PatternRun RunPattern(const std::string& arguments, bool turn,
                                 const char* program = "quorforce_app_patterns.exe") {
        PatternRun run;
        Received(channel_);
        StartedProgram pattern("\"" + Folder() + program + "\" " + arguments, Folder());
        if (!pattern.Started()) return run;
        for (int tick = 0; pattern.RunsAfter(50); ++tick) {
            if (turn) {  // X from 112 to 912 and back; Y centred
                const int x = 512 + 400 * (tick % 40 < 20 ? tick % 20 - 10 : 10 - tick % 20) / 10;
                InjectPosition(channel_, static_cast<unsigned>(x), 512);
            }
            for (auto& report : Received(channel_))
                if (report.first == 1) run.reports.push_back(report.second);
            if (tick > 20 * 120) pattern.Terminate();
        }
        for (auto& report : Received(channel_))
            if (report.first == 1) run.reports.push_back(report.second);
        run.exitCode = static_cast<int>(pattern.ExitCode(0));
        run.record = FileLines(RecordPath());
        return run;
    }
};

std::size_t NotNeutral(const PatternRun& run, const Bytes& neutral) {
    std::size_t n = 0;
    for (const Bytes& report : run.reports)
        n += report != neutral;
    return n;
}

// Every app call the record shows succeeded, apart from those listed as expected refusals.
void ExpectNoAppFailures(const PatternRun& run) {
    for (const std::string& line : run.record) {
        if (line.rfind("app ", 0) != 0) continue;
        const std::size_t at = line.find("-> 0x8");
        EXPECT_EQ(at, std::string::npos) << line;
    }
}

TEST_F(AppPatterns, HapticsLibraryPlaysNineEffectsOnATwoActuatorWheel) {
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 0);
    RegisterActuator(1, true);
    const PatternRun run = RunPattern("haptics com", false);
    RegisterActuator(1, false);
    EXPECT_EQ(run.exitCode, 0);
    ExpectNoAppFailures(run);
    EXPECT_EQ(run.With("app CoCreateInstance CLSID_DirectInput8 -> 0x00000000").size(), 1u);
    const auto downloads = run.With("driver DownloadEffect");
    ASSERT_GE(downloads.size(), 9u);
    // Every direction reaches the driver in coordinates the registration lists: the spherical
    // square (0) as polar 90 degrees; the cartesian ramp (1, -1) as it is where cartesian
    // is listed, else as polar 45 degrees.
    const bool cartesian = ConstantTakesCartesian();
    for (const std::string& d : downloads) {
        EXPECT_TRUE(Contains(d, "coords=0x20 ") || (cartesian && Contains(d, "coords=0x10 "))) << d;
    }
    bool ramp = false, square = false;
    const char* rampDirection = cartesian ? "direction=1,-1 " : "direction=4500,0 ";
    for (const std::string& d : downloads) {
        ramp = ramp || (Contains(d, "id=113 ") && Contains(d, rampDirection));
        square = square || (Contains(d, "id=32 ") && Contains(d, "direction=9000,0 "));
    }
    EXPECT_TRUE(ramp);
    EXPECT_TRUE(square);
    // The updates carry only what changed (and the trigger and sample period, which the
    // registration does not declare, never).
    for (const std::string& d : downloads) {
        if (!Contains(d, "handle=0 ")) {
            EXPECT_FALSE(Contains(d, "flags=0x000003FF")) << d;
        }
    }
    EXPECT_GT(NotNeutral(run, Bytes{0x01, 0x80, 0x80}), 50u);
}

// The driving game's constant updates (direction and magnitude, restarted) follow the side
// the wheel is turned to: as given (1 or -1) where the registration lists cartesian
// coordinates for the effect, else as the polar angle of that side (90 or 270 degrees).
void ExpectBothSides(const PatternRun& run, bool cartesian) {
    const char* right = cartesian ? "coords=0x10 axes=2 direction=1 " : "direction=9000 ";
    const char* left = cartesian ? "coords=0x10 axes=2 direction=-1 " : "direction=27000 ";
    int rights = 0, lefts = 0;
    for (const std::string& d : run.With("driver DownloadEffect id=371 ")) {
        rights += Contains(d, right);
        lefts += Contains(d, left);
    }
    EXPECT_GT(rights, 3);
    EXPECT_GT(lefts, 3);
}

TEST_F(AppPatterns, DrivingGameOnAOneAxisWheelKeepsItsForcesThroughAReacquisition) {
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 1);
    SetEnvironmentVariableA("QUORFORCE_STAND_IN_AXES", "1");
    const PatternRun run = RunPattern("driving 4", true);
    SetEnvironmentVariableA("QUORFORCE_STAND_IN_AXES", nullptr);
    EXPECT_EQ(run.exitCode, 0);
    ExpectNoAppFailures(run);
    ExpectBothSides(run, ConstantTakesCartesian());
    // Access ends and begins again: the driver is let go and bound again, and the effects
    // are downloaded anew.
    EXPECT_EQ(run.With("begin=1").size(), 2u);
    EXPECT_GE(run.With("begin=0").size(), 1u);
    EXPECT_GE(run.With("driver DownloadEffect id=912 handle=0 ").size(), 2u);
    EXPECT_GE(run.With("driver DownloadEffect id=65 handle=0 ").size(), 2u);
    // A one-value wheel: the force is the low byte of the value, 0x80 without force.
    std::size_t forced = 0;
    for (const Bytes& report : run.reports)
        forced += report.size() > 1 && report[1] != 0x80;
    EXPECT_GT(forced, 20u);
}

TEST_F(AppPatterns, RumbleOnAVibrationPadDrivesBothMotors) {
    SetDeviceValue("Shock_or_Force_Feedback", 0);
    SetDeviceValue("Motor_Parameters", 0);
    RegisterActuator(1, true);
    const PatternRun run = RunPattern("rumble", false);
    RegisterActuator(1, false);
    EXPECT_EQ(run.exitCode, 0);
    ExpectNoAppFailures(run);
    EXPECT_EQ(run.With("driver SetGain gain=5000").size(), 1u);
    EXPECT_GE(run.With("driver StartEffect").size(), 38u);
    EXPECT_GT(NotNeutral(run, Bytes{0x01, 0x00, 0x00}), 10u);
}

// The refusals pattern's table (app_patterns.cpp): every row gets the result it must, and
// nothing refused reaches the driver, although the wheel is acquired exclusively, where an
// effect that passes is downloaded at its creation.
TEST_F(AppPatterns, RefusedEffectsAndPropertiesNeverReachTheDriver) {
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 0);
    const PatternRun run = RunPattern("refusals", false);
    EXPECT_EQ(run.exitCode, 0) << "rows with another result (printed above)";
    const auto creations = run.With("app CreateEffect ");
    EXPECT_EQ(creations.size(), 16u) << "every effect row ran";
    std::size_t created = 0;
    for (const std::string& line : creations)
        created += Contains(line, "-> 0x00000000");
    EXPECT_EQ(created, 2u);
    EXPECT_EQ(run.With("driver DownloadEffect").size(), created);
    // The gain row reached the driver; the refused one did not.
    EXPECT_EQ(run.With("driver SetGain gain=8000").size(), 1u);
    EXPECT_TRUE(run.With("driver SetGain gain=10001").empty());
}

// Windows' recorded answers about one effect from its creation to its release
// (stand_in_conformance.cpp), asked while the driver serves the wheel: every check agrees,
// and whatever reaches the driver is a complete effect.
TEST_F(AppPatterns, EffectCallsAnswerAsWindowsDoes) {
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 0);
    RegisterActuator(1, true);
    const PatternRun two = RunPattern("two-actuators", false, "quorforce_stand_in_conformance.exe");
    RegisterActuator(1, false);
    EXPECT_EQ(two.exitCode, 0) << "checks on two axes that differ (printed above)";
    const PatternRun run = RunPattern("", false, "quorforce_stand_in_conformance.exe");
    EXPECT_EQ(run.exitCode, 0) << "checks whose answer differs from Windows' (printed above)";
    const auto downloads = run.With("driver DownloadEffect");
    EXPECT_GE(downloads.size(), 4u);
    for (const std::string& d : downloads) {
        EXPECT_TRUE(Contains(d, "cAxes=1 ") && Contains(d, "typeSpecific=16:")) << d;
        EXPECT_TRUE(Contains(d, "-> 0x00000000")) << d;
    }
}

// A one-axis cartesian direction reaches the driver as given where the registration lists
// cartesian coordinates beside polar ones, and as a polar angle where it lists polar only.
TEST_F(AppPatterns, OneAxisDirectionPassesThroughWhereTheRegistrationListsCartesian) {
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 1);
    SetEnvironmentVariableA("QUORFORCE_STAND_IN_AXES", "1");
    for (const bool cartesian : {true, false}) {
        SCOPED_TRACE(cartesian ? "polar and cartesian listed" : "polar listed");
        const ListedCoordinates listed(cartesian ? DIEFF_POLAR | DIEFF_CARTESIAN : DIEFF_POLAR);
        const PatternRun run = RunPattern("driving 2", true);
        EXPECT_EQ(run.exitCode, 0);
        ExpectBothSides(run, cartesian);
    }
    SetEnvironmentVariableA("QUORFORCE_STAND_IN_AXES", nullptr);
}

// A game that builds its effects one parameter at a time: nothing reaches the driver before
// an effect is complete and the wheel acquired; the constant that never got a gain reaches
// it with a gain of 0, the spring with its own, held back until the start.
TEST_F(AppPatterns, StepwiseEffectsReachTheDriverOnlyComplete) {
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 0);
    const PatternRun run = RunPattern("stepwise", false);
    EXPECT_EQ(run.exitCode, 0);
    ExpectNoAppFailures(run);
    // The downloads, apart from the driver's check of the held-back gain (DIEP_NODOWNLOAD).
    std::vector<std::string> downloads;
    for (const std::string& d : run.With("driver DownloadEffect"))
        if (!Contains(d, "flags=0x8")) downloads.push_back(d);
    ASSERT_EQ(downloads.size(), 2u);
    EXPECT_TRUE(Contains(downloads[0], "id=371 ") && Contains(downloads[0], " gain=0 "))
        << downloads[0];
    EXPECT_TRUE(Contains(downloads[1], "id=912 ") && Contains(downloads[1], " gain=8000 ") &&
                Contains(downloads[1], "flags=0x200003FF"))
        << downloads[1];
    for (const std::string& d : downloads)
        EXPECT_TRUE(Contains(d, "cAxes=1 ") && Contains(d, "-> 0x00000000")) << d;
}

// Shaped like a game-controller applet's page: every registered effect is created in spite
// of the zeroed trigger, and input wakes the applet through its event, with buffered data.
TEST_F(AppPatterns, AppletCreatesEveryEffectAndIsWokenByInput) {
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 0);
    const PatternRun run = RunPattern("applet", true);
    EXPECT_EQ(run.exitCode, 0) << "calls with another result (printed above)";
    ExpectNoAppFailures(run);
    const std::size_t registered = RegisteredEffects().size();
    EXPECT_GE(registered, 10u);
    EXPECT_EQ(run.With("app CreateEffect ").size(), registered);
    std::size_t buffered = 0;
    for (const std::string& line : run.With("app GetDeviceData count="))
        buffered += !Contains(line, "count=0 ");
    EXPECT_GT(buffered, 0u);
    EXPECT_FALSE(run.With("driver StartEffect").empty());
}

}  // namespace
