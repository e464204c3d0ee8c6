// quortest.exe under Wine and Xvfb, driven like a player drives it: its windows found,
// their texts read, its buttons pressed by posted messages, and screenshots kept in
// build/win32/screenshots/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "config/registry_layout.h"
#include "harness/wine/program_window.h"
#include "harness/wine/text_lines.h"
#include "harness/wine/virtual_wheel.h"
#include "harness/wine/wheel_fixture.h"
#include "tests/wine/screenshot.h"

namespace {

using namespace wine_test;

const char kBoxCaption[] = "QV FFB Tester";

// quortest.exe started from `folder` (where the DirectInput it gets is decided).
struct Tester : StartedProgram {
    explicit Tester(const std::string& folder)
        : StartedProgram("\"" + folder + "quortest.exe\"", folder) {}
};

// No force-feedback controller: one error box, and once it is dismissed the program ends
// with 0 without showing another.
TEST(Tester, WithoutADeviceShowsOneErrorAndEnds) {
    Tester tester(ThisFolder());
    ASSERT_TRUE(tester.Started());
    HWND box = tester.WaitForWindow(kBoxCaption);
    ASSERT_NE(box, nullptr) << "no error box";
    const std::vector<std::string> texts = ChildTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Force feedback device not found."),
              texts.end());
    EXPECT_EQ(tester.Windows(kBoxCaption).size(), 1u);
    Sleep(500);  // painted
    EXPECT_TRUE(SaveScreenshotAs(box, "no-device.png"));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    const long code = tester.ExitCode(20000);
    EXPECT_TRUE(tester.Windows(kBoxCaption).empty()) << "a second box";
    EXPECT_EQ(code, 0);
}

// The whole chain: quortest.exe beside the DirectInput stand-in, which loads the driver that
// regsvr32 registered for the virtual wheel on Wine's HID stack.
class TesterChain : public RegisteredWheelTest<> {
protected:
    static void SetUpTestSuite() {
        RegisteredWheelTest::SetUpTestSuite();
        CopyFileA((ThisFolder() + "quortest.exe").c_str(), (Folder() + "quortest.exe").c_str(),
                  FALSE);
        SetEnvironmentVariableA("QUORFORCE_STAND_IN_LOG", RecordPath().c_str());
        // The force-feedback wheel of the tester's quorsim example: two halves, signed.
        SetDeviceValue("Shock_or_Force_Feedback", 1);
        SetDeviceValue("Motor_Parameters", 0);
    }
    static void TearDownTestSuite() {
        ClearDeviceKey();
        RegisteredWheelTest::TearDownTestSuite();
    }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RegisteredWheelTest::SetUp());
        DeleteFileA(RecordPath().c_str());
    }

    static std::string Folder() { return ThisFolder() + "dinput-stand-in\\"; }
    static std::string RecordPath() { return Folder() + "record.txt"; }
    // The calls the stand-in handed the driver so far.
    static std::vector<std::string> DriverCalls() {
        return LinesWith(FileLines(RecordPath()), "driver ", true);
    }
    // Presses a button of the dialog and gives the press time to reach the wheel.
    static void Press(HWND dialog, int id) {
        PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
        Sleep(400);
    }
};

TEST_F(TesterChain, ButtonsReachTheWheelThroughDirectInputAndTheDriver) {
    Tester tester(Folder());
    ASSERT_TRUE(tester.Started());
    HWND dialog = tester.WaitForWindow("Quorvane FFB Tester Utility, v1.00");
    ASSERT_NE(dialog, nullptr) << "no dialog";
    char name[128] = "";
    GetDlgItemTextA(dialog, 1005, name, sizeof name);
    EXPECT_STREQ(name, "quorforce virtual wheel");
    Sleep(300);
    EXPECT_TRUE(SaveScreenshotAs(dialog, "dialog.png"));

    // Stop before any effect: nothing reaches the driver, nothing is shown.
    const std::size_t before = DriverCalls().size();
    Press(dialog, 1004);
    EXPECT_EQ(DriverCalls().size(), before);
    EXPECT_TRUE(tester.Windows(kBoxCaption).empty());

    // Constant: the tester asks for a full force (10000, gain 10000) on its one axis from the
    // cartesian direction (-8000), the negative side of X. The registration lists cartesian
    // beside polar, so DirectInput hands the driver that direction as given, and the driver
    // keeps it as the polar angle of its sign, 27000. The driver's synthesis makes
    // 2 x 10000 = 20000 of it (static and global strengths at 100) and splits it by the angle
    // (two halves, force mode): the half turn 9000 has a sine of 1, so the halves are
    // 20000 / 2 -+ 20000 / 2 = 0 and 20000; their bytes are 128 + (0 * 255 / 20000 >> 1) = 0x80
    // and 128 + (20000 * 255 / 20000 >> 1) = 0xFF, sent second half first. (Read as an angle,
    // the cartesian value would be -80 degrees and give bytes 0x80 and 0xFE.)
    const Bytes full = {0x01, 0xFF, 0x80};
    Received(channel_);
    Press(dialog, 1000);
    auto reports = Received(channel_);
    ASSERT_GE(reports.size(), 5u);
    EXPECT_EQ(reports.back().second, full);
    std::size_t constant = 0;
    for (const auto& report : reports)
        constant += report.second == full;
    EXPECT_GE(constant, reports.size() - 1) << "at most the reset's neutral report before it";

    // Ramp while the constant plays: the constant is destroyed before the ramp's download.
    Press(dialog, 1001);
    // Periodic: a sine of magnitude 4000, period 1 s, gain 10000, 5 s.
    Press(dialog, 1002);
    const std::vector<std::string> calls = DriverCalls();
    int effects = 0, most = 0;
    std::vector<std::string> downloads;
    for (const std::string& call : calls) {
        if (Contains(call, "driver DownloadEffect") && Contains(call, "handle=0 ")) {
            ++effects;
            downloads.push_back(call);
        }
        if (Contains(call, "driver DestroyEffect")) --effects;
        most = std::max(most, effects);
    }
    EXPECT_EQ(most, 1) << "never more than one effect";
    ASSERT_EQ(downloads.size(), 3u);
    EXPECT_TRUE(Contains(downloads[0], "id=371 ") && Contains(downloads[0], "flags=0x200003FF") &&
                Contains(downloads[0], "coords=0x10 ") &&
                Contains(downloads[0], "direction=-8000 "))
        << downloads[0];
    EXPECT_TRUE(Contains(downloads[1], "id=113 "));
    EXPECT_TRUE(Contains(downloads[2], "id=615 ") && Contains(downloads[2], "duration=5000000") &&
                Contains(downloads[2], "gain=10000") &&
                Contains(downloads[2], "typeSpecific=16:4000,0,0,1000000"))
        << downloads[2];

    // Stop: the wheel comes to rest with exactly one neutral report, then nothing.
    Received(channel_);
    Press(dialog, 1004);
    reports = Received(channel_);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().second, (Bytes{0x01, 0x80, 0x80}));
    Sleep(200);
    EXPECT_TRUE(Received(channel_).empty()) << "reports after the stop";
    EXPECT_TRUE(tester.Windows(kBoxCaption).empty());

    Press(dialog, IDCANCEL);
    EXPECT_EQ(tester.ExitCode(20000), 0);
}

// One actuator axis gives the effects one axis (X); three or more give two (X and Y). The
// device reports three axes in the second run, each made an actuator by its registration.
TEST_F(TesterChain, EffectsTakeAtMostTwoActuatorAxes) {
    for (const char* axes : {"1", "3"}) {
        SCOPED_TRACE(axes);
        SetEnvironmentVariableA("QUORFORCE_STAND_IN_AXES", axes);
        if (axes[0] == '3') {
            RegisterActuator(1);
            RegisterActuator(2);
        }
        DeleteFileA(RecordPath().c_str());
        Tester tester(Folder());
        HWND dialog = tester.WaitForWindow("Quorvane FFB Tester Utility, v1.00");
        ASSERT_NE(dialog, nullptr);
        Press(dialog, 1000);
        Press(dialog, IDCANCEL);
        EXPECT_EQ(tester.ExitCode(20000), 0);
        std::string download;
        for (const std::string& call : DriverCalls()) {
            if (Contains(call, "DownloadEffect")) download = call;
        }
        EXPECT_TRUE(Contains(download, axes[0] == '1' ? "cAxes=1 " : "cAxes=2 ")) << download;
    }
    SetEnvironmentVariableA("QUORFORCE_STAND_IN_AXES", nullptr);
    for (int n : {1, 2})
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, AxisKey(n).c_str());
}

// As on Windows, an axis without force-feedback attributes plays nothing: without the X
// axis's registration the press fails before the driver sees a download.
TEST_F(TesterChain, WithoutTheActuatorRegistrationNoEffectReachesTheDriver) {
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, AxisKey(0).c_str()), ERROR_SUCCESS);
    Tester tester(Folder());
    HWND dialog = tester.WaitForWindow("Quorvane FFB Tester Utility, v1.00");
    ASSERT_NE(dialog, nullptr);
    PostMessageA(GetDlgItem(dialog, 1000), BM_CLICK, 0, 0);
    HWND box = tester.WaitForWindow(kBoxCaption);
    ASSERT_NE(box, nullptr) << "no error box";
    const std::vector<std::string> texts = ChildTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Setting force feedback effect failed"),
              texts.end());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    Sleep(300);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(tester.ExitCode(20000), 0);
    for (const std::string& call : DriverCalls())
        EXPECT_FALSE(Contains(call, "DownloadEffect")) << call;
    EXPECT_EQ(RunCommandLine("regsvr32 /s \"" + ThisFolder() + "quorforce.dll\""), 0);
}

// The dialog template as the resource holds it: a plain DIALOG, its nine controls in order.
class TemplateReader {
public:
    explicit TemplateReader(const unsigned char* at) : at_(at) {}
    DWORD Dword() { return Take<DWORD>(); }
    WORD Word() { return Take<WORD>(); }
    // A string or an ordinal (0xFFFF then the value, as "#N").
    std::string Text() {
        if (Peek() == 0xFFFF) {
            Word();
            return "#" + std::to_string(Word());
        }
        std::string text;
        for (WORD c = Word(); c != 0; c = Word())
            text += static_cast<char>(c);
        return text;
    }
    void AlignDword() { at_ += (4 - reinterpret_cast<std::uintptr_t>(at_) % 4) % 4; }

private:
    WORD Peek() const { return *reinterpret_cast<const WORD*>(at_); }
    template <typename T>
    T Take() {
        T value;
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    const unsigned char* at_;
};

TEST(TesterResources, DialogIconAndVersionAreTheProgramsOwn) {
    HMODULE exe =
        LoadLibraryExA((ThisFolder() + "quortest.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(5));  // RT_DIALOG
    ASSERT_NE(found, nullptr);
    TemplateReader r(static_cast<const unsigned char*>(LockResource(LoadResource(exe, found))));
    EXPECT_EQ(r.Dword(), static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                            DS_MODALFRAME | DS_CENTER | DS_SETFONT));
    EXPECT_EQ(r.Dword(), 0u);  // no extended style
    const WORD count = r.Word();
    EXPECT_EQ(count, 9u);
    const WORD frame[4] = {r.Word(), r.Word(), r.Word(), r.Word()};
    EXPECT_EQ(std::vector<WORD>(frame, frame + 4), (std::vector<WORD>{0, 0, 232, 126}));
    EXPECT_EQ(r.Text(), "");  // no menu
    EXPECT_EQ(r.Text(), "");  // the default class
    EXPECT_EQ(r.Text(), "Quorvane FFB Tester Utility, v1.00");
    EXPECT_EQ(r.Word(), 8u);
    EXPECT_EQ(r.Text(), "MS Sans Serif");
    const DWORD child = WS_CHILD | WS_VISIBLE, push = child | WS_TABSTOP | BS_PUSHBUTTON;
    const struct {
        WORD id;
        const char* cls;
        const char* text;
        DWORD style;
        WORD rect[4];
    } controls[] = {
        {2, "#128", "Exit", child | WS_TABSTOP | BS_DEFPUSHBUTTON, {170, 102, 50, 15}},
        {0xFFFF, "#128", "Apply Effects", child | BS_GROUPBOX, {10, 27, 88, 90}},
        {1000, "#128", "Constant", push, {20, 43, 50, 14}},
        {1001, "#128", "Ramp", push, {20, 67, 50, 14}},
        {1002, "#128", "Periodic", push, {20, 92, 50, 14}},
        {1004, "#128", "Stop", push, {105, 102, 50, 14}},
        {1005,
         "#129",
         "",
         child | WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_READONLY,
         {105, 41, 115, 51}},
        {0xFFFF, "#130", "Device:", child | WS_GROUP | SS_LEFT, {105, 32, 26, 8}},
        {0xFFFF,
         "#130",
         "Ensure that the device is the first controller and then press on any of the effects "
         "below to feel the effect on your device.",
         child | WS_GROUP | SS_LEFT,
         {10, 6, 210, 18}},
    };
    for (int i = 0; i < count && i < 9; ++i) {
        SCOPED_TRACE(controls[i].text);
        r.AlignDword();
        EXPECT_EQ(r.Dword(), controls[i].style);
        EXPECT_EQ(r.Dword(), 0u);
        const WORD rect[4] = {r.Word(), r.Word(), r.Word(), r.Word()};
        EXPECT_EQ(std::vector<WORD>(rect, rect + 4),
                  std::vector<WORD>(controls[i].rect, controls[i].rect + 4));
        EXPECT_EQ(r.Word(), controls[i].id);
        EXPECT_EQ(r.Text(), controls[i].cls);
        EXPECT_EQ(r.Text(), controls[i].text);
        EXPECT_EQ(r.Word(), 0u);  // no creation data
    }
    EXPECT_NE(FindResourceA(exe, MAKEINTRESOURCEA(102), MAKEINTRESOURCEA(14)), nullptr);  // icon
    EXPECT_NE(FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16)), nullptr);    // version
    FreeLibrary(exe);
}

}  // namespace
