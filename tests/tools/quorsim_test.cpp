// quorsim: the script parser's refusals, golden runs of the shipped examples checked
// against hand-derived bytes at chosen instants, and what the virtual rig lets it write and
// read of the module.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "harness/virtual_rig.h"
#include "tools/quorsim/output.h"
#include "tools/quorsim/script.h"
#include "tools/quorsim/simulator.h"

namespace quorsim {
namespace {

const std::string kExamples = std::string(QF_SOURCE_DIR) + "/tools/examples/";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ScriptParser, RefusesBadLinesWithTheirNumber) {
    struct Case {
        const char* script;
        const char* error;
    };
    const Case cases[] = {
        {"bogus 1\nrun 10", "line 1: unknown command 'bogus'"},
        {"set Global_Valu 50\nrun 10", "line 1: 'Global_Valu' is not a driver setting"},
        {"set Global_Value fifty\nrun 10", "line 1: 'fifty' is not a number"},
        {"wheel vid=5A1C pid=E410 joystick=9\nrun 10", "line 1: joystick must be 0 to 7"},
        {"wheel vid=12345\nrun 10", "line 1: vid must be four hexadecimal digits"},
        {"wheel descriptor=missing.hex\nrun 10", "line 1: cannot read descriptor file"},
        {"\n\nat 0 download e wobble\nrun 10", "line 3: unknown effect kind 'wobble'"},
        {"at 0 download e constant period=5\nrun 10",
         "line 1: 'period' is not a parameter of a constant"},
        {"at 0 download e sine period=abc\nrun 10", "line 1: 'abc' is not a number for period"},
        {"at 0 download e sine flags=start,later\nrun 10",
         "line 1: 'later' is not a DIEP_ flag name"},
        {"at 0 download e sine direction=1,2,3\nrun 10", "line 1: direction takes one or two"},
        {"at 0 download e sine axes=3\nrun 10", "line 1: axes must be 0, 1 or 2"},
        {"at 0 download e sine gain\nrun 10", "line 1: 'gain' is not name=value"},
        {"at 0 start e\nrun 10", "line 1: no effect named 'e' was downloaded before"},
        {"at 0 download e sine\nat 5 stop e solo\nrun 10", "line 2: stop takes an effect name"},
        {"at 0 command shake\nrun 10", "line 1: command takes one of reset"},
        {"at 0 x left\nrun 10", "line 1: x takes a position"},
        {"at soon x 5\nrun 10", "line 1: at takes a time in ms and a command"},
        {"run 100\nrun 50", "line 2: run goes back in time"},
        {"run 100\nat 50 x 1\nrun 200", "line 2: at 50 comes after a run"},
        {"at 100 x 1\nrun 100", "line 1: at 100 is not before the last run (100)"},
        {"at 0 x 1", "line 1: the script has no run command"},
        {"at 0 config put\nrun 10", "line 1: unknown control panel call 'config put'"},
        {"at 0 config set spring=lots\nrun 10", "line 1: 'spring=lots' is not a parameter"},
        {"at 0 image arm\nrun 10", "line 1: image arm takes an effect handle"},
        {"at 0 image save 1 enable=1\nrun 10", "line 1: 'enable=1' is not a parameter"},
        {"wheel name=a\nwheel name=a joystick=1 internal=1\nrun 10",
         "line 2: a wheel named 'a' exists"},
        {"wheel name=a\nwheel name=b internal=1\nrun 10", "line 2: joystick id taken"},
        {"wheel name=a\nwheel name=b joystick=1\nrun 10", "line 2: internal id taken"},
        {"wheel internal=8\nrun 10", "line 1: internal must be 0 to 7"},
        {"at 0 on pad x 5\nwheel name=pad\nrun 10", "line 1: no wheel named 'pad' before"},
        {"wheel name=pad\nat 0 on pad\nrun 10", "line 2: at MS on NAME takes a command"},
        {"set Usage 1 on\nrun 10", "line 1: set takes a name, a value and optionally on"},
        {"\nprofile Invert_Force=2\nrun 10", "line 2: Invert_Force takes 0 to 1"},
        {"profile Auto_Centre=101\nrun 10", "line 1: Auto_Centre takes 0 to 100"},
        {"profile Invert_Forc=1\nrun 10", "line 1: 'Invert_Forc' is not a game's switch"},
        {"profile Global_Value 50\nrun 10", "line 1: profile takes NAME=VALUE"},
        {"profile Game_Gain=yes\nrun 10", "line 1: 'yes' is not a number"},
        {"at 0 gain loud\nrun 10", "line 1: gain takes the device gain"},
        {"wheel name=a\nwheel name=b joystick=1 internal=1\nat 0 download e sine\n"
         "at 5 on b stop e\nrun 10",
         "line 4: no effect named 'e' was downloaded before"},  // effects are the device's own
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const ParseResult result = ParseScript(c.script, "");
        ASSERT_FALSE(result.ok());
        EXPECT_NE(result.errors[0].find(c.error), std::string::npos) << result.errors[0];
    }
}

TEST(ScriptParser, ReadsSettingsWheelCommandsAndRuns) {
    const ParseResult result = ParseScript(
        "# a comment\n"
        "set POLLING_STEP 8   # faster\n"
        "wheel vid=7b3e pid=0042 joystick=2\n"
        "at 10 download a 912 gain=5000 flags=start\n"
        "at 20 start a solo\n"
        "at 30 command stopall\n"
        "run 40\n",
        "");
    ASSERT_TRUE(result.ok()) << result.errors[0];
    const Script& s = result.script;
    ASSERT_EQ(s.settings.size(), 1u);
    EXPECT_EQ(s.settings[0].value, 8u);
    EXPECT_EQ(s.wheels.at(0).vendorId, 0x7B3E);
    EXPECT_EQ(s.wheels.at(0).productId, 0x0042);
    EXPECT_EQ(s.wheels.at(0).joystick, 2);
    ASSERT_EQ(s.steps.size(), 4u);
    EXPECT_EQ(s.steps[0].command.effectId, 912u);
    EXPECT_EQ(s.steps[0].command.params.at("gain"), "5000");
    EXPECT_TRUE(s.steps[1].command.solo);
    EXPECT_EQ(s.steps[2].command.deviceCommand, 0x02u);
    EXPECT_TRUE(s.steps[3].isRun);
    EXPECT_EQ(s.steps[3].ms, 40u);
}

// The CSV report lines, by time (the last line of each instant).
std::map<std::uint32_t, std::string> ReportsByTime(const RunLog& log) {
    std::map<std::uint32_t, std::string> lines;
    std::ostringstream csv;
    WriteCsv(log, csv);
    std::istringstream in(csv.str());
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#' || line == "ms,report") continue;
        lines[static_cast<std::uint32_t>(std::stoul(line))] = line.substr(line.find(',') + 1);
    }
    return lines;
}

RunLog RunExample(const std::string& name) {
    const ParseResult parsed = ParseScript(ReadFile(kExamples + name), kExamples);
    EXPECT_TRUE(parsed.ok());
    return RunScenario(parsed.script, false);
}

TEST(QuorsimGolden, TesterEffects) {
    const RunLog log = RunExample("tester.qsim");
    for (const CallRecord& call : log.calls)
        EXPECT_EQ(call.result.substr(0, 4), "S_OK") << call.text;
    const auto reports = ReportsByTime(log);
    // Constant 10000 at -8000 (wrapped to 280 degrees): 20000 split into 152 and 19848.
    EXPECT_EQ(reports.at(0), "01 FE 80");
    EXPECT_EQ(reports.at(4992), "01 FE 80");
    // The ramp 2496 ms after it started at 5008: 2 x 4992 at 100 degrees, 9908 and 76.
    EXPECT_EQ(reports.at(7504), "01 80 BF");
    // The sine at 86 and 270 degrees, split evenly at angle 0.
    EXPECT_EQ(reports.at(10240), "01 99 99");
    EXPECT_EQ(reports.at(10752), "01 66 66");
    // Destroying the last effect puts the wheel at rest; nothing follows.
    EXPECT_EQ(reports.at(15008), "01 80 80");
    EXPECT_EQ(reports.rbegin()->first, 15008u);
}

TEST(QuorsimGolden, SpringAgainstAMovingWheel) {
    const auto reports = ReportsByTime(RunExample("spring.qsim"));
    EXPECT_EQ(reports.at(0), "01 80 80");    // at the centre
    EXPECT_EQ(reports.at(96), "01 D9 80");   // x 600: 2 x 4 x 1760 = 14080
    EXPECT_EQ(reports.at(192), "01 FF 80");  // x 700: saturated
    EXPECT_EQ(reports.at(400), "01 0D 80");  // x 400: -17920
    EXPECT_EQ(reports.at(608), "01 80 80");
    EXPECT_EQ(reports.at(800), "01 80 00");  // stopped: the one-value rest 0x80
}

TEST(QuorsimGolden, VibrationPad) {
    const auto reports = ReportsByTime(RunExample("vibration.qsim"));
    EXPECT_EQ(reports.at(0), "01 00 99");     // rumble 12000 on the first motor
    EXPECT_EQ(reports.at(240), "01 7F 99");   // the pulse at 86 degrees: 9974
    EXPECT_EQ(reports.at(752), "01 00 99");   // its negative half is silence
    EXPECT_EQ(reports.at(1520), "01 00 00");  // stopped: zero intensities
}

// The wheel's own spring by feature reports, and a gain override from a stored image.
TEST(QuorsimGolden, ControlPanel) {
    const RunLog log = RunExample("control-panel.qsim");
    std::ostringstream out;
    WriteCsv(log, out);
    const std::string csv = out.str();
    for (const char* line : {"48,feature 02 FF FF 00 80\n", "48,feature 03 3F 00 7F 00\n",
                             "96,feature 02 00 00 00 80\n"}) {
        EXPECT_NE(csv.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(csv.find("96,feature 03"), std::string::npos);  // off: the first report only
    const auto reports = ReportsByTime(log);
    EXPECT_EQ(reports.at(144), "01 9F 80");  // 2500 at full gain: 5000
    EXPECT_EQ(reports.at(160), "01 87 80");  // the game's gain 2500: 1250
    EXPECT_EQ(reports.at(240), "01 9F 80");  // the image's gain 10000 again
}

// A spring on a force-feedback wheel and a rumble on a pad of another report format, both
// bound: each device's lines carry its name, and the wheel's spring follows its own X only.
TEST(QuorsimGolden, WheelAndPad) {
    std::ostringstream out;
    WriteCsv(RunExample("wheel-and-pad.qsim"), out);
    const std::string csv = out.str();
    EXPECT_EQ(csv.rfind("ms,device,report\n", 0), 0u);
    for (const char* line : {"0,wheel,01 80 80\n", "0,pad,02 90\n",  // rumble 12000: nibble 9
                             "112,wheel,01 D9 80\n",  // x 600 on the wheel, the pad's x 250 aside
                             "400,wheel,01 0D 80\n", "800,wheel,01 80 00\n", "800,pad,02 00\n"}) {
        EXPECT_NE(csv.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(csv.find(",01 ", csv.find("816,")), std::string::npos) << "reports after the stop";
}

TEST(Quorsim, SameScriptSameOutputByteForByte) {
    std::ostringstream first, second;
    WriteCsv(RunExample("tester.qsim"), first);
    WriteCsv(RunExample("tester.qsim"), second);
    EXPECT_EQ(first.str(), second.str());
    EXPECT_GT(first.str().size(), 10000u);
}

TEST(Quorsim, WheelFromADescriptorFileAndEveryResultByName) {
    const std::string folder = testing::TempDir();
    std::ofstream(folder + "pad.hex") << "# a pad with an 8-bit signed X and a 16-bit output\n"
                                         "05 01 09 04 A1 01\n"
                                         "09 30 15 80 25 7F 75 08 95 01 81 02\n"
                                         "05 09 19 01 29 08 15 00 25 01 75 01 95 08 81 02\n"
                                         "05 01 09 BB 15 00 27 FF FF 00 00 75 10 95 01 91 02\n"
                                         "C0\n";
    const ParseResult parsed = ParseScript(
        "wheel vid=5A1C pid=0001 descriptor=pad.hex\n"
        "at 0 download a 34\n"
        "at 0 download b constant magnitude=5000 flags=start\n"
        "at 0 x -3\n"
        "run 32\n",
        folder);
    ASSERT_TRUE(parsed.ok()) << parsed.errors[0];
    const RunLog log = RunScenario(parsed.script, false);
    ASSERT_GE(log.calls.size(), 5u);
    EXPECT_EQ(log.calls[2].result, "S_OK");                // DeviceID found the pad
    EXPECT_EQ(log.calls[3].result, "E_NOTIMPL handle 0");  // id 34
    EXPECT_EQ(log.calls[5].result, "queued");
    ASSERT_FALSE(log.reports.empty());
    // No report ids: byte 0 is 0. A vibration device by default: 2 x 5000 = 10000 split
    // evenly at angle 0: 5000 each, 63 per channel.
    EXPECT_EQ(log.reports[0].bytes, (std::vector<std::uint8_t>{0x00, 0x3F, 0x3F}));
}

// The settings a script writes land in the keys the driver reads them from; a name the
// catalogue does not know, or a joystick id past the table, writes nothing.
TEST(QuorsimRig, WritesEachSettingUnderItsOwnKey) {
    using quorforce::harness::VirtualRig;
    const std::string oem =
        "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\"
        "OEM\\";
    struct Case {
        const char* name;
        int joystick;
        bool written;
        std::string key;
    };
    const Case cases[] = {
        {"POLLING_STEP", 3, true, oem + "VID_5A1C&PID_E410\\Quorvane\\FFB_API"},
        {"Report_Format", 3, true, oem + "VID_046D&PID_C29A\\Quorvane\\FFB_API"},
        {"Global_Value", 3, true, oem + "VID_046D&PID_C29A\\Quorvane\\FFB_API\\3"},
        {"Global_Valu", 3, false, ""},
        {"Global_Value", 8, false, ""},
        {"Report_Format", -1, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " joystick " + std::to_string(c.joystick));
        VirtualRig::ResetHost();
        EXPECT_EQ(VirtualRig::WriteSetting(c.name, 7, 0x046D, 0xC29A, c.joystick), c.written);
        DWORD type = 0;
        std::vector<BYTE> data;
        if (c.written) {
            ASSERT_TRUE(host::GetRegistryValue(HKEY_CURRENT_USER, c.key, c.name, &type, &data));
            EXPECT_EQ(data, (std::vector<BYTE>{7, 0, 0, 0}));
        } else {
            EXPECT_FALSE(host::RegistryKeyExists(HKEY_CURRENT_USER, oem));
        }
    }
    VirtualRig::ResetHost();
}

// A profile line writes the simulated game's switch below the wheel's device key, where the
// game's DeviceID finds it: the inverted ramp starts at full force the other way.
TEST(QuorsimRig, ProfileLinesFixTheSimulatedGame) {
    using quorforce::harness::VirtualRig;
    const std::string script = ReadFile(kExamples + "profile-invert.qsim");
    const std::size_t line = script.find("\nprofile ") + 1;
    const std::string plain = script.substr(0, line) + script.substr(script.find('\n', line) + 1);
    for (bool profiled : {false, true}) {
        const ParseResult parsed = ParseScript(profiled ? script : plain, kExamples);
        ASSERT_TRUE(parsed.ok());
        EXPECT_EQ(ReportsByTime(RunScenario(parsed.script, false)).at(0),
                  profiled ? "01 FF 80" : "01 00 80");
    }
    VirtualRig::ResetHost();
    EXPECT_EQ(VirtualRig::SimulatedGame(), "game.exe");
    EXPECT_TRUE(VirtualRig::WriteGameSwitch("Minimum_Force", 20, 0x046D, 0xC29A, nullptr));
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(host::GetRegistryValue(
        HKEY_CURRENT_USER,
        "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
        "VID_046D&PID_C29A\\Quorvane\\FFB_API\\Profiles\\game.exe",
        "Minimum_Force", &type, &data));
    EXPECT_EQ(data, (std::vector<BYTE>{20, 0, 0, 0}));
    VirtualRig::ResetHost();
}

// Before a load, or for an area or joystick id past the table, the rig reads nothing bound
// and queues nothing.
TEST(QuorsimRig, ReadsNothingOfAnUnloadedModuleOrOutOfRange) {
    using quorforce::harness::VirtualRig;
    VirtualRig rig;
    rig.PlugWheel(host::BuiltInWheel(), 0, GUID{});
    for (DWORD area : {0u, 7u, 8u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(area);
        EXPECT_EQ(rig.ReportFormat(area), 0);
        EXPECT_EQ(rig.ConditionVelocity(area, 0), 0.0);
        EXPECT_EQ(rig.QueueSteering(area, 0, 5), VirtualRig::InputResult::NotBound);
    }
    for (int joystick : {-1, 0, 8}) {
        EXPECT_FALSE(rig.ForceFeedback(joystick)) << joystick;
    }
    EXPECT_EQ(rig.QueueSteering(0, 1, 5), VirtualRig::InputResult::NotBound);  // no second wheel
}

}  // namespace
}  // namespace quorsim
