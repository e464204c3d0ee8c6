// The application-shaped programs (app_patterns.cpp) through the DirectInput stand-in, the
// registered driver and the virtual wheel on Wine's HID stack: what the wheel receives and
// what the stand-in's record shows the driver was given.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness/wine/virtual_wheel.h"

namespace {

using namespace wine_test;

const char kAxesKey[] =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
    "VID_5A1C&PID_E410\\Axes\\";

// Makes axis n an actuator by its registration, or takes that away.
void RegisterActuator(int n, bool actuator) {
    const std::string path = kAxesKey + std::to_string(n);
    if (!actuator) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
        return;
    }
    const DIOBJECTATTRIBUTES attributes = {DIDOI_FFACTUATOR | DIDOI_ASPECTPOSITION, 1,
                                           static_cast<WORD>(0x30 + n)};
    const DIFFOBJECTATTRIBUTES force = {10, 127};
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, "Attributes", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&attributes),
                   sizeof attributes);
    RegSetValueExA(key, "FFAttributes", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&force),
                   sizeof force);
    RegCloseKey(key);
}

bool Contains(const std::string& line, const std::string& part) {
    return line.find(part) != std::string::npos;
}

struct PatternRun {
    int exitCode = -1;
    std::vector<Bytes> reports;  // output reports, in order
    std::vector<std::string> record;
    std::vector<std::string> With(const std::string& part) const {
        std::vector<std::string> lines;
        for (const std::string& line : record) {
            if (Contains(line, part)) lines.push_back(line);
        }
        return lines;
    }
};

class AppPatterns : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        channel_ = OpenWheelChannel();
        registered_ = RunCommandLine("regsvr32 /s \"" + ThisFolder() + "quorforce.dll\"") == 0;
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
        if (channel_ != INVALID_HANDLE_VALUE) CloseHandle(channel_);
    }
    void SetUp() override {
        ASSERT_NE(channel_, INVALID_HANDLE_VALUE) << "the virtual wheel did not install";
        ASSERT_TRUE(registered_) << "regsvr32 failed";
        DeleteFileA(RecordPath().c_str());
    }

    static std::string Folder() { return ThisFolder() + "dinput-stand-in\\"; }
    static std::string RecordPath() { return Folder() + "app-record.txt"; }

    // Runs a pattern; while it runs the wheel turns back and forth when `turn` says so.
    static PatternRun RunPattern(const std::string& arguments, bool turn,
                                 const char* program = "quorforce_app_patterns.exe") {
        PatternRun run;
        Received(channel_);
        std::string line = "\"" + Folder() + program + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                            Folder().c_str(), &startup, &process)) {
            return run;
        }
        for (int tick = 0; WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT; ++tick) {
            if (turn) {
                // X from 112 to 912 and back, 10 bits; Y centred; no button.
                const int x =
                    512 +
                    static_cast<int>(400 * (tick % 40 < 20 ? tick % 20 - 10 : 10 - tick % 20) / 10);
                const unsigned value = static_cast<unsigned>(x) | (512u << 10);
                unsigned char report[5] = {0x01, static_cast<unsigned char>(value),
                                           static_cast<unsigned char>(value >> 8),
                                           static_cast<unsigned char>(value >> 16), 0};
                DWORD size = 0;
                DeviceIoControl(channel_, kInject, report, sizeof report, nullptr, 0, &size,
                                nullptr);
            }
            for (auto& report : Received(channel_))
                if (report.first == 1) run.reports.push_back(report.second);
            if (tick > 20 * 120) TerminateProcess(process.hProcess, 99);
        }
        for (auto& report : Received(channel_))
            if (report.first == 1) run.reports.push_back(report.second);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        run.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        FILE* file = std::fopen(RecordPath().c_str(), "r");
        char text[2048];
        while (file != nullptr && std::fgets(text, sizeof text, file) != nullptr) {
            std::string s = text;
            while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
                s.pop_back();
            run.record.push_back(s);
        }
        if (file != nullptr) std::fclose(file);
        return run;
    }

    static HANDLE channel_;
    static bool registered_;
};

HANDLE AppPatterns::channel_ = INVALID_HANDLE_VALUE;
bool AppPatterns::registered_ = false;

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
    // Every direction reaches the driver in the registered coordinates (polar): the
    // cartesian ramp (1, -1) as 45 degrees, the spherical square (0) as 90 degrees.
    for (const std::string& d : downloads)
        EXPECT_TRUE(Contains(d, "coords=0x20 ")) << d;
    bool ramp = false, square = false;
    for (const std::string& d : downloads) {
        ramp = ramp || (Contains(d, "id=113 ") && Contains(d, "direction=4500,0 "));
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

TEST_F(AppPatterns, DrivingGameOnAOneAxisWheelKeepsItsForcesThroughAReacquisition) {
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 1);
    SetEnvironmentVariableA("QUORFORCE_STAND_IN_AXES", "1");
    const PatternRun run = RunPattern("driving 4", true);
    SetEnvironmentVariableA("QUORFORCE_STAND_IN_AXES", nullptr);
    EXPECT_EQ(run.exitCode, 0);
    ExpectNoAppFailures(run);
    // The constant's updates: direction and magnitude, restarted, in polar coordinates: the
    // side the wheel is turned to, 90 or 270 degrees.
    int right = 0, left = 0;
    for (const std::string& d : run.With("driver DownloadEffect id=371 ")) {
        right += Contains(d, "direction=9000 ");
        left += Contains(d, "direction=27000 ");
    }
    EXPECT_GT(right, 3);
    EXPECT_GT(left, 3);
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
    const PatternRun run = RunPattern("", false, "quorforce_stand_in_conformance.exe");
    EXPECT_EQ(run.exitCode, 0) << "checks whose answer differs from Windows' (printed above)";
    const auto downloads = run.With("driver DownloadEffect");
    EXPECT_GE(downloads.size(), 4u);
    for (const std::string& d : downloads) {
        EXPECT_TRUE(Contains(d, "cAxes=1 ") && Contains(d, "typeSpecific=16:")) << d;
        EXPECT_TRUE(Contains(d, "-> 0x00000000")) << d;
    }
}

}  // namespace
