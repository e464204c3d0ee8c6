// quorpanel.exe under Wine and Xvfb beside a game on the virtual wheel: the game plays a
// constant force, the panel's effect list shows it and its meter the byte the wheel gets,
// and the Overall slider, moved by message, halves the wheel's next reports; once the game
// has ended it no longer reads as bound. Without a game the panel shows the registry's
// strengths and still saves. It loads the driver only from the machine's registration or
// from beside itself, never from the current directory or a user's class; without the
// driver the program says so and ends, and the page says why and calls nothing. The Game tab
// lists the wheel's games from both hives with the running one marked and saves each switch
// at once; `quorpanel /import FILE /quiet` imports a profile, or refuses and writes nothing.
// Screenshots go to build/win*/screenshots/panel-*.png.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "config/registry_layout.h"
#include "harness/wine/game_process.h"
#include "harness/wine/program_window.h"
#include "harness/wine/virtual_wheel.h"
#include "harness/wine/wheel_fixture.h"
// After windows.h, which the wheel's header brings.
#include <commctrl.h>

#include "include/quorforce.h"
#include "panel/page_ids.h"
#include "panel/resource.h"
#include "state/game_presence.h"
#include "tests/wine/screenshot.h"

namespace {

using namespace wine_test;

const char kCaption[] = "quorforce control panel";
constexpr int kBits = sizeof(void*) * 8;

// A screenshot of this size's panel.
bool Screenshot(HWND window, const std::string& name) {
    return SaveScreenshotAs(window, name + "-" + std::to_string(kBits) + ".png");
}

// quorpanel.exe of `folder` (where it looks for quorforce.dll when none is registered),
// started in `currentFolder` (the same folder unless given), with `arguments`.
class Panel : public StartedProgram {
public:
    explicit Panel(const std::string& folder, const std::string& currentFolder = "",
                   const std::string& arguments = "")
        : StartedProgram("\"" + folder + "quorpanel.exe\"" + arguments,
                         currentFolder.empty() ? folder : currentFolder) {}
    // Its window with the caption (the dialog, or the message box), within half a minute.
    HWND Window() const { return WaitForWindow(kCaption); }
};

std::string Text(HWND dialog, int control) {
    char text[256] = "";
    GetDlgItemTextA(dialog, control, text, sizeof text);
    return text;
}

// The lines of the live effect list. The wide message: Wine hands another process's list
// text back in UTF-16 whichever form was asked for.
std::vector<std::string> EffectLines(HWND dialog) {
    HWND list = GetDlgItem(dialog, QUORPANEL_EFFECT_LIST);
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[256] = L"";
        char line[256] = "";
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < 255) {
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
            WideCharToMultiByte(CP_ACP, 0, wide, -1, line, sizeof line, nullptr, nullptr);
        }
        lines.push_back(line);
    }
    return lines;
}

// A player's move of a slider to `position`, as the trackbar reports it to the dialog.
void MoveSlider(HWND dialog, int control, int position) {
    HWND slider = GetDlgItem(dialog, control);
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(slider));
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
}

// Until `control` shows a text containing `part` (two seconds at most); the last text.
std::string WaitForText(HWND dialog, int control, const std::string& part) {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text = Text(dialog, control);
        if (text.find(part) != std::string::npos) break;
        Sleep(50);
    }
    return text;
}

// A vibration wheel with two motors: a constant of 5000 at 90 degrees is 10000 on the first.
const Bytes kFull = {0x01, 0x00, 0x7F};
const Bytes kHalved = {0x01, 0x00, 0x3F};

class PanelOnTheWheel : public RegisteredWheelTest<> {
protected:
    // The page is opt-in: /i:page asks for it.
    static void SetUpTestSuite() {
        WheelTest<>::SetUpTestSuite();
        registered_ =
            RunCommandLine("regsvr32 /s /i:page \"" + ThisFolder() + "quorforce.dll\"") == 0;
    }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RegisteredWheelTest::SetUp());
        ClearDeviceKey();
        SetDeviceValue("Shock_or_Force_Feedback", 0);
        SetDeviceValue("Motor_Parameters", 0);
    }
    void TearDown() override { ClearDeviceKey(); }
};

TEST_F(PanelOnTheWheel, ShowsTheGamesForceAndItsOverallSliderHalvesIt) {
    GameProcess game(ThisFolder(), 5000);
    ASSERT_TRUE(game.WaitUntilPlaying()) << "the game did not start";
    auto reports = ReportsAfter(300);
    ASSERT_FALSE(reports.empty());
    ASSERT_EQ(reports.back().second, kFull);

    Panel panel(ThisFolder());
    ASSERT_TRUE(panel.Started());
    HWND dialog = panel.Window();
    ASSERT_NE(dialog, nullptr) << "no panel";
    EXPECT_EQ(WaitForText(dialog, QUORPANEL_FIRST_TEXT, "127"), "First channel: 127 (+49 %)");
    EXPECT_EQ(Text(dialog, QUORPANEL_SECOND_TEXT), "Second channel: 0 (+0 %)");
    EXPECT_EQ(Text(dialog, QUORPANEL_STATUS), "Bound by a game.");
    EXPECT_EQ(Text(dialog, QUORPANEL_DEVICE).rfind("Joystick 1: ", 0), 0u)
        << Text(dialog, QUORPANEL_DEVICE);
    EXPECT_EQ(Text(dialog, QUORPANEL_OVERALL_VALUE), "100 %");
    const std::vector<std::string> lines = EffectLines(dialog);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("1\tconstant\tplaying\t10000\tmag +5000\t90.00\t", 0), 0u) << lines[0];
    EXPECT_EQ(Text(dialog, QUORPANEL_CLIP_TEXT), "No clipping");

    // The effect plays on; QUORPANEL_HOLD_MS holds the panel longer, for a measurement of
    // its processor time from outside.
    char hold[16] = "";
    Sleep(GetEnvironmentVariableA("QUORPANEL_HOLD_MS", hold, sizeof hold) != 0
              ? static_cast<DWORD>(std::strtoul(hold, nullptr, 10))
              : 1500);
    EXPECT_TRUE(Screenshot(dialog, "panel"));

    // Overall to 50 %: from the next tick on the wheel gets half, and the panel shows it.
    Received(channel_);
    MoveSlider(dialog, QUORPANEL_OVERALL, 50);
    EXPECT_EQ(Text(dialog, QUORPANEL_OVERALL_VALUE), "50 %");
    reports = ReportsAfter(300);
    ASSERT_GE(reports.size(), 3u);
    for (const auto& report : reports)
        EXPECT_EQ(report.second, kHalved);
    EXPECT_EQ(WaitForText(dialog, QUORPANEL_FIRST_TEXT, "63"), "First channel: 63 (+24 %)");
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, std::string(kDeviceKey) + "\\0", "Global_Value"),
              50u);  // saved

    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(panel.ExitCode(20000), 0);
}

// No game: nothing is bound, the strengths are the registry's, and a slider still saves.
TEST_F(PanelOnTheWheel, WithoutAGameShowsTheRegistryAndStillSaves) {
    // What the driver reads for a joystick id no game has bound (no vendor or product id).
    const std::string unbound =
        std::string(quorforce::kOemRoot) + "VID_0000&PID_0000" + quorforce::kProductSubkey + "\\0";
    WriteDword(HKEY_CURRENT_USER, unbound, "Global_Value", 70);

    Panel panel(ThisFolder());
    HWND dialog = panel.Window();
    ASSERT_NE(dialog, nullptr) << "no panel";
    EXPECT_EQ(WaitForText(dialog, QUORPANEL_STATUS, "No game"), "No game is using the wheel.");
    EXPECT_EQ(Text(dialog, QUORPANEL_OVERALL_VALUE), "70 %");
    const std::vector<std::string> lines = EffectLines(dialog);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "\tNo game is using the wheel.");
    EXPECT_EQ(Text(dialog, QUORPANEL_OUTPUT_TEXT), "No force is being sent.");
    EXPECT_EQ(Text(dialog, QUORPANEL_FIRST_TEXT), "First channel: at rest");
    Sleep(300);
    EXPECT_TRUE(Screenshot(dialog, "panel-no-game"));

    MoveSlider(dialog, QUORPANEL_CONDITIONS, 30);
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, unbound, "Dynamic_Value"), 30u);
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, unbound, "Global_Value"), 70u);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(panel.ExitCode(20000), 0);
    RegDeleteKeyA(HKEY_CURRENT_USER, unbound.c_str());
}

// Runs this thread's messages for `ms`: the page lives on this thread, its refresh timer too.
void PumpMessages(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

// The page of quorpage.dll in `folder` as the Game Controllers applet shows it: the class
// that a wheel's ConfigCLSID names, asked for IDIGameCntrlPropSheet and given the joystick
// id, its one page in a property sheet on this thread. Taken straight from the DLL, so that
// it does not depend on how the class is registered.
class HostedPage {
public:
    explicit HostedPage(const std::string& folder) {
        module_ = LoadLibraryA((folder + "quorpage.dll").c_str());
        using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        const auto getClass = module_ == nullptr
                                  ? nullptr
                                  : reinterpret_cast<GetClassObject>(reinterpret_cast<void (*)()>(
                                        GetProcAddress(module_, "DllGetClassObject")));
        IClassFactory* factory = nullptr;
        if (getClass == nullptr || getClass(quorforce::panel::kPageClassId, IID_IClassFactory,
                                            reinterpret_cast<void**>(&factory)) != S_OK) {
            return;
        }
        factory->CreateInstance(nullptr, quorforce::panel::kGameControllerSheetId,
                                reinterpret_cast<void**>(&sheet_));
        factory->Release();
    }
    HostedPage(const HostedPage&) = delete;
    HostedPage& operator=(const HostedPage&) = delete;
    ~HostedPage() {
        if (window_ != nullptr) DestroyWindow(window_);
        PumpMessages(100);
        if (sheet_ != nullptr) sheet_->Release();
    }

    IDIGameCntrlPropSheet* Sheet() const { return sheet_; }
    // The sheet and its page as the applet shows them, after a second and a half of the
    // page's refreshes; the page, or null.
    HWND Show(const DIGCSHEETINFO& sheetInfo, const DIGCPAGEINFO& pageInfo) {
        PROPSHEETPAGEW page = {};
        page.dwSize = sizeof page;
        page.dwFlags = PSP_USETITLE;
        page.hInstance = pageInfo.hInstance;
        page.pszTemplate = pageInfo.lpwszTemplate;
        page.pfnDlgProc = pageInfo.fpPageProc;
        page.pszTitle = pageInfo.lpwszPageTitle;
        page.lParam = pageInfo.lParam;
        PROPSHEETHEADERW header = {};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOAPPLYNOW;
        header.pszCaption = sheetInfo.lpwszSheetCaption;
        header.nPages = 1;
        header.ppsp = &page;
        window_ = reinterpret_cast<HWND>(PropertySheetW(&header));
        if (window_ == nullptr) return nullptr;
        PumpMessages(1500);
        return reinterpret_cast<HWND>(SendMessageW(window_, PSM_GETCURRENTPAGEHWND, 0, 0));
    }
    HWND Window() const { return window_; }

private:
    HMODULE module_ = nullptr;  // kept loaded: the sheet's window may still hold its code
    IDIGameCntrlPropSheet* sheet_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(PanelOnTheWheel, ItsPageShowsInAPropertySheetThroughTheGameControllerInterface) {
    HostedPage hosted(ThisFolder());
    IDIGameCntrlPropSheet* sheet = hosted.Sheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->SetID(0), S_OK);
    EXPECT_EQ(sheet->GetID(), 0);
    DIGCSHEETINFO* sheetInfo = nullptr;
    DIGCPAGEINFO* pageInfo = nullptr;
    ASSERT_EQ(sheet->GetSheetInfo(&sheetInfo), S_OK);
    ASSERT_EQ(sheet->GetPageInfo(&pageInfo), S_OK);
    ASSERT_EQ(sheetInfo->dwSize, sizeof(DIGCSHEETINFO));
    ASSERT_EQ(sheetInfo->nNumPages, 1);
    ASSERT_EQ(pageInfo->dwSize, sizeof(DIGCPAGEINFO));
    HWND panel = hosted.Show(*sheetInfo, *pageInfo);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(Text(panel, QUORPANEL_STATUS), "No game is using the wheel.");
    EXPECT_EQ(Text(panel, QUORPANEL_OVERALL_VALUE), "100 %");
    EXPECT_EQ(Text(panel, QUORPANEL_OUTPUT_TEXT), "No force is being sent.");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, QUORPANEL_OVERALL)));
    RECT area;  // the page; the sheet adds its tabs and buttons around it
    GetWindowRect(panel, &area);
    EXPECT_LE(area.right - area.left, 640);
    EXPECT_LE(area.bottom - area.top, 480);
    EXPECT_TRUE(Screenshot(hosted.Window(), "panel-page"));
}

// The applet may show the page again in the same process (the wheel's properties opened a
// second time): the new page lists the wheel and its games as the first did.
TEST_F(PanelOnTheWheel, ThePageShownAgainInTheSameProcessShowsTheWheelAgain) {
    for (int time = 0; time < 2; ++time) {
        SCOPED_TRACE(time);
        HostedPage hosted(ThisFolder());
        IDIGameCntrlPropSheet* sheet = hosted.Sheet();
        ASSERT_NE(sheet, nullptr);
        DIGCSHEETINFO* sheetInfo = nullptr;
        DIGCPAGEINFO* pageInfo = nullptr;
        sheet->SetID(0);
        ASSERT_EQ(sheet->GetSheetInfo(&sheetInfo), S_OK);
        ASSERT_EQ(sheet->GetPageInfo(&pageInfo), S_OK);
        HWND panel = hosted.Show(*sheetInfo, *pageInfo);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(Text(panel, QUORPANEL_DEVICE), "Joystick 1");
        EXPECT_EQ(Text(panel, QUORPANEL_OVERALL_VALUE), "100 %");
        EXPECT_EQ(Text(panel, QUORPANEL_GAME), "All games");
    }
}

// A game's bind leaves the wheel's ids in the table after the game has ended: the panel
// tells the two apart by the ticks of the game's force pass.
TEST_F(PanelOnTheWheel, NoLongerReadsAsBoundOnceTheGameHasEnded) {
    Panel panel(ThisFolder());
    HWND dialog = panel.Window();
    ASSERT_NE(dialog, nullptr) << "no panel";
    {
        GameProcess game(ThisFolder(), 5000);
        ASSERT_TRUE(game.WaitUntilPlaying()) << "the game did not start";
        EXPECT_EQ(WaitForText(dialog, QUORPANEL_STATUS, "Bound"), "Bound by a game.");
        EXPECT_EQ(game.End(), 0);
    }
    // Its joystick id is still listed: the ids stay in the table.
    EXPECT_EQ(WaitForText(dialog, QUORPANEL_STATUS, "No game"), "No game is sending forces.");
    EXPECT_EQ(Text(dialog, QUORPANEL_DEVICE).rfind("Joystick 1: ", 0), 0u)
        << Text(dialog, QUORPANEL_DEVICE);
    EXPECT_EQ(Text(dialog, QUORPANEL_OUTPUT_TEXT), "No force is being sent.");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(panel.ExitCode(20000), 0);
}

// The games of the built-in wheel, the virtual wheel's model (and the panel's wheel while no
// game has bound one).
const std::string kProfiles = std::string(kDeviceKey) + "\\Profiles";

void ClearProfiles() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kProfiles.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProfiles.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, kProfiles.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProfiles.c_str());
}

bool UserValueExists(const std::string& key, const char* name) {
    return RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

// The lines of a drop-down list, as EffectLines reads a list box's.
std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[300] = L"";
        char item[300] = "";
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 299) {
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
            WideCharToMultiByte(CP_ACP, 0, wide, -1, item, sizeof item, nullptr, nullptr);
        }
        items.push_back(item);
    }
    return items;
}

// A player's choice of a drop-down's item, as the list reports it to the dialog.
void ChooseItem(HWND dialog, int control, int item) {
    HWND combo = GetDlgItem(dialog, control);
    SendMessageA(combo, CB_SETCURSEL, item, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(control, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

// The Game tab, chosen as the keyboard chooses it: a tab control without buttons selects the
// tab it gives the focus to, and tells the dialog.
void ShowGameTab(HWND dialog) {
    SendMessageA(GetDlgItem(dialog, QUORPANEL_TABS), TCM_SETCURFOCUS, 1, 0);
}

// The bound wheel's games: one of the user's (running), one of the machine's, listed once each
// and sorted after "All games", at most 256 of them; the running game's switches as stored, each
// change saved at once under the user, a value out of range refused, and Reset clearing them while
// the game stays.
TEST_F(PanelOnTheWheel, TheGameTabListsTheGamesWithTheRunningOneAndSavesEachChange) {
    ClearProfiles();
    const std::string racer = kProfiles + "\\racer.exe";
    WriteDword(HKEY_CURRENT_USER, racer, "Spring_Gain", 60);
    WriteDword(HKEY_LOCAL_MACHINE, racer, "Auto_Centre", 20);
    WriteDword(HKEY_LOCAL_MACHINE, kProfiles + "\\Arcade.exe", "Invert_Force", 1);
    // A name longer than the field, and more games than the list holds: the last ones go.
    const std::string longName = std::string(108, 'l') + ".exe";  // as long as a key allows
    WriteDword(HKEY_CURRENT_USER, kProfiles + "\\" + longName, "Record", 1);
    for (int i = 0; i < 300; ++i)
        WriteDword(HKEY_CURRENT_USER, kProfiles + "\\zz" + std::to_string(1000 + i) + ".exe",
                   "Record", 0);
    // The wheel bound by a game, and "racer.exe" running: held here as a game's driver holds it.
    GameProcess game(ThisFolder(), 5000);
    ASSERT_TRUE(game.WaitUntilPlaying()) << "the game did not start";
    HANDLE running = quorforce::HoldGamePresence("racer.exe");
    ASSERT_NE(running, nullptr);

    Panel panel(ThisFolder());
    HWND dialog = panel.Window();
    ASSERT_NE(dialog, nullptr) << "no panel";
    EXPECT_EQ(WaitForText(dialog, QUORPANEL_STATUS, "Bound"), "Bound by a game.");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, QUORPANEL_SWITCH_SPRING)));
    ShowGameTab(dialog);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, QUORPANEL_SWITCH_SPRING)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, QUORPANEL_OVERALL)));

    // Games of the driver's own (a game the driver saw) may be listed too: ours are in order.
    const std::vector<std::string> items = ComboItems(GetDlgItem(dialog, QUORPANEL_GAME));
    ASSERT_EQ(items.size(), 257u);
    EXPECT_EQ(items[0], "All games");
    EXPECT_NE(std::find(items.begin(), items.end(), longName), items.end());
    EXPECT_EQ(Text(dialog, QUORPANEL_GAME_MESSAGE), "Only the first 256 games are listed.");
    const auto arcade = std::find(items.begin(), items.end(), "Arcade.exe");
    const auto racing = std::find(items.begin(), items.end(), "racer.exe (running)");
    ASSERT_NE(arcade, items.end());
    ASSERT_NE(racing, items.end());
    EXPECT_LT(arcade, racing);
    EXPECT_EQ(Text(dialog, QUORPANEL_GAME_STATUS), "Every game's switches.");
    // All games: the strengths are the Force tab's.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, QUORPANEL_SWITCH_GLOBAL)));

    ChooseItem(dialog, QUORPANEL_GAME, static_cast<int>(racing - items.begin()));
    EXPECT_EQ(Text(dialog, QUORPANEL_GAME_STATUS), "Running now.");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, QUORPANEL_SWITCH_GLOBAL)));
    EXPECT_EQ(Text(dialog, QUORPANEL_SWITCH_SPRING), "60");
    EXPECT_EQ(Text(dialog, QUORPANEL_SWITCH_CENTRE), "20");  // the machine's
    EXPECT_EQ(Text(dialog, QUORPANEL_SWITCH_DAMPER), "");
    EXPECT_EQ(IsDlgButtonChecked(dialog, QUORPANEL_SWITCH_INVERT), BST_INDETERMINATE);

    // A number typed is saved at once; a running game is told when it takes it.
    SetDlgItemTextA(dialog, QUORPANEL_SWITCH_DAMPER, "30");
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, racer, "Damper_Gain"), 30u);
    EXPECT_EQ(Text(dialog, QUORPANEL_GAME_MESSAGE),
              "Damper_Gain saved. racer.exe is running: it takes the change the next time it "
              "opens the wheel.");
    // Not set: grey to clear, then clicked to 0 and 1 (a three-state box's order).
    SendDlgItemMessageA(dialog, QUORPANEL_SWITCH_INVERT, BM_CLICK, 0, 0);
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, racer, "Invert_Force"), 0u);
    SendDlgItemMessageA(dialog, QUORPANEL_SWITCH_INVERT, BM_CLICK, 0, 0);
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, racer, "Invert_Force"), 1u);
    SetDlgItemTextA(dialog, QUORPANEL_SWITCH_SPRING, "250");
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, racer, "Spring_Gain"), 60u);
    EXPECT_EQ(Text(dialog, QUORPANEL_GAME_MESSAGE),
              "Spring_Gain takes 0 to 200 (or nothing): not saved.");
    SetDlgItemTextA(dialog, QUORPANEL_SWITCH_SPRING, "");
    EXPECT_FALSE(UserValueExists(racer, "Spring_Gain"));
    SetDlgItemTextA(dialog, QUORPANEL_SWITCH_SPRING, "150");
    SetDlgItemTextA(dialog, QUORPANEL_SWITCH_GLOBAL, "80");
    Sleep(300);
    EXPECT_TRUE(Screenshot(dialog, "panel-game"));

    SendMessageA(dialog, WM_COMMAND, QUORPANEL_GAME_RESET, 0);
    for (const char* name : {"Spring_Gain", "Damper_Gain", "Invert_Force", "Global_Value"})
        EXPECT_FALSE(UserValueExists(racer, name)) << name;
    EXPECT_EQ(Text(dialog, QUORPANEL_SWITCH_SPRING), "");
    EXPECT_EQ(Text(dialog, QUORPANEL_SWITCH_CENTRE), "20");  // the machine's stays
    EXPECT_EQ(Text(dialog, QUORPANEL_GAME_STATUS), "Running now.");

    CloseHandle(running);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(QUORPANEL_GAME, CBN_DROPDOWN),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, QUORPANEL_GAME)));
    const std::vector<std::string> after = ComboItems(GetDlgItem(dialog, QUORPANEL_GAME));
    EXPECT_NE(std::find(after.begin(), after.end(), "racer.exe"), after.end());
    EXPECT_EQ(WaitForText(dialog, QUORPANEL_GAME_STATUS, "Not"), "Not running.");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(panel.ExitCode(20000), 0);
    ClearProfiles();
}

// The driver's class registered for one test, under a hive's Software\\Classes (the
// machine's, or a user's own), naming `path`; deleted at the end.
class DriverRegistration {
public:
    DriverRegistration(HKEY hive, const std::string& path)
        : hive_(hive), key_(std::string("Software\\Classes\\CLSID\\") + QUORFORCE_CLSID_TEXT) {
        written_ = WriteText(hive, key_ + "\\InprocServer32", nullptr, path);
    }
    DriverRegistration(const DriverRegistration&) = delete;
    DriverRegistration& operator=(const DriverRegistration&) = delete;
    ~DriverRegistration() { RegDeleteTreeA(hive_, key_.c_str()); }
    bool Written() const { return written_; }

private:
    HKEY hive_;
    std::string key_;
    bool written_ = false;
};

// A folder of this prefix with copies of some of the build's files.
std::string FolderWith(const std::string& name, std::initializer_list<const char*> files) {
    const std::string folder = ThisFolder() + name + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* file : files)
        CopyFileA((ThisFolder() + file).c_str(), (folder + file).c_str(), FALSE);
    return folder;
}

// Without quorforce.dll (none registered in this prefix, none beside the program): one
// message, and once it is dismissed the panel ends with 2. A driver in the folder the panel
// is started in, and a user's own class registration naming it, are not taken: either is
// writable by any program the user runs.
TEST(PanelAlone, WithoutTheDriverSaysSoAndEnds) {
    const std::string folder = FolderWith("panel-alone", {"quorpanel.exe"});
    const std::string current = FolderWith("panel-current", {"quorforce.dll"});
    DriverRegistration users(HKEY_CURRENT_USER, current + "quorforce.dll");
    ASSERT_TRUE(users.Written());
    Panel panel(folder, current);
    HWND box = panel.Window();
    ASSERT_NE(box, nullptr) << "no message";
    EXPECT_EQ(GetDlgItem(box, QUORPANEL_OVERALL), nullptr) << "the dialog, not a message";
    Sleep(300);
    EXPECT_TRUE(Screenshot(box, "panel-no-driver"));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(panel.ExitCode(20000), 2);
}

// The machine's registration, by its full path, wherever that is: no copy beside the panel.
TEST(PanelAlone, LoadsTheDriverTheMachineRegistered) {
    const std::string folder = FolderWith("panel-alone", {"quorpanel.exe"});
    const std::string installed = FolderWith("panel-installed", {"quorforce.dll"});
    DriverRegistration machine(HKEY_LOCAL_MACHINE, installed + "quorforce.dll");
    ASSERT_TRUE(machine.Written());
    Panel panel(folder);
    HWND dialog = panel.Window();
    ASSERT_NE(dialog, nullptr) << "no panel";
    EXPECT_NE(GetDlgItem(dialog, QUORPANEL_OVERALL), nullptr) << "a message, not the dialog";
    EXPECT_EQ(WaitForText(dialog, QUORPANEL_STATUS, "No game"), "No game is using the wheel.");
    EXPECT_EQ(Text(dialog, QUORPANEL_OVERALL_VALUE), "100 %");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(panel.ExitCode(20000), 0);
}

// The Game Controllers applet shows the page even where quorforce.dll cannot be loaded: the
// page says why, its controls are off, and a player's moves call nothing.
TEST(PanelAlone, ThePageWithoutTheDriverSaysWhyAndCallsNothing) {
    // The test program's own folder holds a driver; the page's folder does not.
    const std::string folder = FolderWith("page-alone", {"quorpage.dll"});
    HostedPage hosted(folder);
    IDIGameCntrlPropSheet* sheet = hosted.Sheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->SetID(0), S_OK);
    DIGCSHEETINFO* sheetInfo = nullptr;
    DIGCPAGEINFO* pageInfo = nullptr;
    ASSERT_EQ(sheet->GetSheetInfo(&sheetInfo), S_OK);
    ASSERT_EQ(sheet->GetPageInfo(&pageInfo), S_OK);
    HWND page = hosted.Show(*sheetInfo, *pageInfo);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Text(page, QUORPANEL_STATUS), "The driver is not loaded.");
    // The games' switches are the registry's alone: the Game tab works without the driver.
    EXPECT_EQ(Text(page, QUORPANEL_GAME), "All games");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, QUORPANEL_SWITCH_INVERT)));
    EXPECT_EQ(
        Text(page, QUORPANEL_SPRING_NOTE).rfind("quorforce.dll could not be loaded (error ", 0), 0u)
        << Text(page, QUORPANEL_SPRING_NOTE);
    for (int control : {QUORPANEL_OVERALL, QUORPANEL_SPRING_ON, QUORPANEL_RELOAD, QUORPANEL_DEVICE})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, control))) << control;
    const std::vector<std::string> lines = EffectLines(page);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "\tThe driver is not loaded.");
    EXPECT_TRUE(Screenshot(hosted.Window(), "panel-page-no-driver"));

    // What a player's moves send (by message: the controls are off): each of them once
    // called a null function.
    MoveSlider(page, QUORPANEL_OVERALL, 50);
    SendMessageA(page, WM_COMMAND, QUORPANEL_RELOAD, 0);
    SendMessageA(page, WM_COMMAND, QUORPANEL_SPRING_ON, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(QUORPANEL_DEVICE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, QUORPANEL_DEVICE)));
    PumpMessages(300);
    EXPECT_TRUE(IsWindow(page));
    EXPECT_EQ(Text(page, QUORPANEL_STATUS), "The driver is not loaded.");
}

// `quorpanel /import FILE /quiet`, where no driver is installed (the import needs none): a
// valid profile lands under the built-in wheel's key and ends with 0; a refused one, or a file
// that is not there, ends with 1 and writes nothing. Without /quiet it says so in a message.
TEST(PanelAlone, ImportsAProfileFromTheCommandLineOrRefusesAndWritesNothing) {
    ClearProfiles();
    const std::string folder = FolderWith("panel-alone", {"quorpanel.exe"});
    const std::string good = folder + "racer.qfprofile";
    const std::string bad = folder + "bad profile.qfprofile";
    std::ofstream(good, std::ios::binary)
        << "quorforce profile 1\r\n# for Racer\r\ngame=Racer.exe\r\nInvert_Force=1\r\n"
           "Spring_Gain=60\r\n";
    std::ofstream(bad, std::ios::binary)
        << "quorforce profile 1\ngame=truck.exe\nInvert_Force=1\nSpring_Gain=260\n";
    {
        Panel panel(folder, "", " /import \"" + good + "\" /quiet");
        EXPECT_EQ(panel.ExitCode(30000), 0);
    }
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kProfiles + "\\racer.exe", "Invert_Force"), 1u);
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kProfiles + "\\racer.exe", "Spring_Gain"), 60u);
    {
        Panel panel(folder, "", " /quiet /import \"" + bad + "\"");
        EXPECT_EQ(panel.ExitCode(30000), 1);
    }
    HKEY truck = nullptr;
    EXPECT_NE(
        RegOpenKeyExA(HKEY_CURRENT_USER, (kProfiles + "\\truck.exe").c_str(), 0, KEY_READ, &truck),
        ERROR_SUCCESS);
    {
        Panel panel(folder, "", " /import \"" + folder + "none.qfprofile\" /quiet");
        EXPECT_EQ(panel.ExitCode(30000), 1);
    }
    // Without /quiet the outcome is a message, and the panel ends once it is dismissed.
    {
        Panel panel(folder, "", " /import \"" + bad + "\"");
        HWND box = panel.Window();
        ASSERT_NE(box, nullptr) << "no message";
        EXPECT_EQ(GetDlgItem(box, QUORPANEL_OVERALL), nullptr) << "the dialog, not a message";
        Sleep(300);
        EXPECT_TRUE(Screenshot(box, "panel-import-refused"));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(panel.ExitCode(20000), 1);
    }
    ClearProfiles();
    DeleteFileA(good.c_str());
    DeleteFileA(bad.c_str());
}

}  // namespace
