// The setup under Wine's msiexec, in a 64-bit prefix of its own: what it writes equals what
// the DLLs' own registration writes in both registry views, COM finds the driver from a 32-
// and a 64-bit process, the Start menu has the control panel, the uninstall leaves nothing;
// another wheel's ids, an upgrade that keeps a changed tuning value, no downgrade, a repair,
// bad ids refused before anything is written, and a failed install taken back whole.
// QUORFORCE_SETUP and QUORFORCE_OLD_SETUP name the packages (Unix paths), QUORFORCE_32BIT_PROGRAMS
// the win32 build's bin/ (its registration test activates the class).
#include <gtest/gtest.h>
#include <shlobj.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/registry_layout.h"
#include "harness/wine/program_window.h"
#include "harness/wine/virtual_wheel.h"
#include "harness/wine/wine_test_support.h"
#include "tests/wine/screenshot.h"

namespace {

using namespace wine_test;
using Values = RegistryValues;

const std::string kOem = quorforce::kOemRoot;
const std::string kBuiltIn = kOem + quorforce::kBuiltInDevice;
const std::string kEngineKey = quorforce::kProductKey;
const std::string kClass = quorforce::kDriverClassKey;
const std::string kPageClass = quorforce::kPageClassKey;
const std::string kSetupKey = "Software\\Quorvane";
const std::string kFolder64 = "C:\\Program Files\\Quorvane";
const std::string kFolder32 = "C:\\Program Files (x86)\\Quorvane";
constexpr DWORD kInstallTimeout = 600000;

std::string Package() { return WindowsPath(Env("QUORFORCE_SETUP")); }
std::string OldPackage() { return WindowsPath(Env("QUORFORCE_OLD_SETUP")); }

int Msiexec(const std::string& arguments) {
    return RunCommandLine("msiexec " + arguments, kInstallTimeout);
}
int Install(const std::string& package, const std::string& properties = "") {
    return Msiexec("/i \"" + package + "\" /qn " + properties);
}
int Uninstall(const std::string& package) { return Msiexec("/x \"" + package + "\" /qn"); }

// What the DLLs' registration owns: the driver's and the panel page's classes in each view,
// the wheel's page, force-feedback entry and axis, and the binding's list.
Values Registration(const std::string& device) {
    Values values;
    const struct {
        std::string key, prefix;
        REGSAM view;
    } trees[] = {{kClass, "64:", KEY_WOW64_64KEY},
                 {kClass, "32:", KEY_WOW64_32KEY},
                 {kPageClass, "64 page:", KEY_WOW64_64KEY},
                 {kPageClass, "32 page:", KEY_WOW64_32KEY},
                 {kOem + device + "\\OEMForceFeedback", "ff:", 0},
                 {kOem + device + "\\Axes", "axes:", 0}};
    for (const auto& tree : trees)
        CollectRegistry(HKEY_LOCAL_MACHINE, tree.key, tree.prefix, values, tree.view, true);
    Values wheel = RegistryTree(HKEY_LOCAL_MACHINE, kOem + device, 0, true);
    if (wheel.count("ConfigCLSID")) values["page"] = wheel["ConfigCLSID"];
    Values engine = RegistryTree(HKEY_LOCAL_MACHINE, kEngineKey, 0, true);
    if (engine.count("Accepted_Devices")) values["accepted"] = engine["Accepted_Devices"];
    return values;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The versions of quorforce in the installed-programs list, with publisher and uninstall
// command.
std::vector<std::string> InstalledVersions() {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    std::vector<std::string> versions;
    for (const std::string& name : SubkeyNames(HKEY_LOCAL_MACHINE, uninstall, KEY_WOW64_64KEY)) {
        const std::string entry = uninstall + "\\" + name;
        if (ReadText(HKEY_LOCAL_MACHINE, entry, "DisplayName").rfind("quorforce", 0) != 0) continue;
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, entry, "Publisher"), "Quorvane");
        EXPECT_NE(ReadText(HKEY_LOCAL_MACHINE, entry, "UninstallString").find("MsiExec"),
                  std::string::npos);
        versions.push_back(ReadText(HKEY_LOCAL_MACHINE, entry, "DisplayVersion"));
    }
    return versions;
}

// What a fresh process of either size gets from COM: 0 a driver that answers GetVersions,
// 1 REGDB_E_CLASSNOTREG, 2 anything else.
int Activation64() { return ActivationInAFreshProcess(); }
int Activation32() {
    return RunCommandLine("\"" + Programs32() + "quorforce_registration_tests.exe\" --activate",
                          300000);
}

// The control panel's shortcut. The setup is per machine, so Windows puts it in the Start
// menu of every user; Wine's msiexec puts it in the installing user's.
bool PanelShortcutExists() {
    for (int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        char programs[MAX_PATH] = "";
        SHGetFolderPathA(nullptr, folder, nullptr, 0, programs);
        const std::string shortcut =
            std::string(programs) + "\\quorforce\\quorforce control panel.lnk";
        if (GetFileAttributesA(shortcut.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    }
    return false;
}

// Nothing of quorforce is left: no file or folder, no class in either view, no entry of the
// wheel, no engine values, no record of the setup, no installed-programs entry.
void ExpectNothingLeft(const std::string& device, bool otherWheelsListed = false) {
    for (const std::string& folder : {kFolder64, kFolder32})
        EXPECT_FALSE(Exists(folder)) << folder;
    for (const std::string& key : {kClass, kPageClass}) {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
            EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key, view)) << key << " view " << view;
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOem + device)) << device;
    if (!otherWheelsListed) {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBuiltIn + "\\Quorvane"));
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kOem + device + "\\Quorvane"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSetupKey, KEY_WOW64_64KEY));
    EXPECT_TRUE(InstalledVersions().empty());
    EXPECT_FALSE(PanelShortcutExists());
}

bool CopyTo(const std::string& from, const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    return CopyFileA(from.c_str(), (folder + "\\quorforce.dll").c_str(), FALSE) != FALSE;
}

// The registration the DLLs write themselves, with regsvr32 of each size, from the paths
// the setup installs them to; taken away again afterwards.
Values RegsvrRegistration(const std::string& device) {
    const std::string dll64 = kFolder64, dll32 = kFolder32;
    EXPECT_TRUE(CopyTo(ThisFolder() + "quorforce.dll", dll64));
    EXPECT_TRUE(CopyTo(Programs32() + "quorforce.dll", dll32));
    // The page's class is registered only beside its DLL, as the setup installs it.
    for (const auto& [from, to] : {std::pair{ThisFolder(), dll64}, std::pair{Programs32(), dll32}})
        EXPECT_TRUE(
            CopyFileA((from + "quorpage.dll").c_str(), (to + "\\quorpage.dll").c_str(), FALSE));
    const std::string regsvr64 = "C:\\windows\\system32\\regsvr32.exe /s ";
    const std::string regsvr32 = "C:\\windows\\syswow64\\regsvr32.exe /s ";
    const std::string install = device == "VID_5A1C&PID_E410" ? "" : "/i:" + device + " ";
    EXPECT_EQ(RunCommandLine(regsvr64 + install + "\"" + dll64 + "\\quorforce.dll\""), 0);
    EXPECT_EQ(RunCommandLine(regsvr32 + "\"" + dll32 + "\\quorforce.dll\"", 300000), 0);
    const Values values = Registration(device);
    EXPECT_EQ(RunCommandLine(regsvr64 + "/u " + install + "\"" + dll64 + "\\quorforce.dll\""), 0);
    EXPECT_EQ(RunCommandLine(regsvr32 + "/u \"" + dll32 + "\\quorforce.dll\"", 300000), 0);
    for (const std::string& folder : {dll64, dll32}) {
        DeleteFileA((folder + "\\quorforce.dll").c_str());
        DeleteFileA((folder + "\\quorpage.dll").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    return values;
}

// The chain through what the setup installed: a driving game (quorforce_app_patterns) in a
// folder of its own with the DirectInput stand-in, which loads the driver the setup
// registered from Program Files, on the virtual wheel (the test's WINEDLLOVERRIDES has
// dinput8=n, so the stand-in beside the game is loaded). The game's exit code (0: every call
// gave what it must) and the number of reports that carried a force.
std::pair<int, std::size_t> PlayThroughTheInstalledDriver() {
    HANDLE channel = OpenWheelChannel();
    if (channel == INVALID_HANDLE_VALUE) return {-1, 0};
    const std::string game = ThisFolder() + "setup-game\\";
    CreateDirectoryA(game.c_str(), nullptr);
    CopyFileA((ThisFolder() + "quorforce_app_patterns.exe").c_str(),
              (game + "quorforce_app_patterns.exe").c_str(), FALSE);
    CopyFileA((ThisFolder() + "dinput-stand-in\\dinput8.dll").c_str(),
              (game + "dinput8.dll").c_str(), FALSE);
    SetEnvironmentVariableA("QUORFORCE_STAND_IN_AXES", "1");
    Received(channel);
    const int code = RunCommandLine("\"" + game + "quorforce_app_patterns.exe\" driving 2", 120000);
    std::size_t forced = 0;
    for (const auto& report : Received(channel))
        forced += report.first == 1 && report.second != Bytes{0x01, 0x80, 0x80};
    CloseHandle(channel);
    return {code, forced};
}

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env("QUORFORCE_SETUP").empty());
        ASSERT_FALSE(Env("QUORFORCE_32BIT_PROGRAMS").empty());
    }
};

TEST_F(SetupTest, InstallsWhatTheRegistrationWritesAndTheUninstallLeavesNothing) {
    const std::string device = "VID_5A1C&PID_E410";
    const Values expected = RegsvrRegistration(device);
    ASSERT_FALSE(expected.empty());
    ExpectNothingLeft(device);

    ASSERT_EQ(Install(Package()), 0);
    EXPECT_EQ(Registration(device), expected);
    EXPECT_EQ(Registration(device).count("page"), 0u) << "the applet keeps its own pages";
    for (const std::string& file :
         {kFolder64 + "\\quorforce.dll", kFolder64 + "\\quortest.exe",
          kFolder64 + "\\libquorforce.dll.a", kFolder64 + "\\INSTALL.md",
          kFolder64 + "\\include\\quorforce.h", kFolder32 + "\\quorforce.dll",
          kFolder32 + "\\quortest.exe", kFolder32 + "\\libquorforce.dll.a",
          kFolder64 + "\\quorpanel.exe", kFolder64 + "\\quorpage.dll",
          kFolder32 + "\\quorpanel.exe", kFolder32 + "\\quorpage.dll"}) {
        EXPECT_TRUE(Exists(file)) << file;
    }
    EXPECT_TRUE(PanelShortcutExists());
    // The tuning values with their defaults, and the wheel's name.
    const std::string tuning = kBuiltIn + "\\Quorvane\\FFB_API";
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, tuning, "POLLING_STEP"), 16u);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, tuning, "Shock_or_Force_Feedback"), 1u);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, tuning, "Usage"), 0xBBu);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, tuning + "\\0", "Global_Value"), 100u);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kBuiltIn, "OEMName"), "Quorvane USB wheel");
    EXPECT_EQ(InstalledVersions(), std::vector<std::string>{"0.9.0"});
    EXPECT_EQ(Activation64(), 0);
    EXPECT_EQ(Activation32(), 0);
    const auto [exitCode, forced] = PlayThroughTheInstalledDriver();
    EXPECT_EQ(exitCode, 0);
    EXPECT_GT(forced, 10u) << "the wheel received no force from the installed driver";

    // What the driver stores at run time: effect images, a user's strengths.
    WriteDword(HKEY_LOCAL_MACHINE, tuning + "\\EFFECTS\\0", "1", 371);
    WriteDword(HKEY_CURRENT_USER, tuning + "\\0", "Global_Value", 80);
    ASSERT_EQ(Uninstall(Package()), 0);
    ExpectNothingLeft(device);
    EXPECT_EQ(Activation64(), 1);
    EXPECT_EQ(Activation32(), 1);
}

// A maker's wheel of another vendor, named at install time: its entry, its name in the
// binding's list beside the names already there, and another driver's per-user entry for it
// removed; the uninstall takes its own and leaves other devices' entries.
TEST_F(SetupTest, InstallsAnotherWheelNamedOnTheCommandLine) {
    const std::string device = "VID_046D&PID_C294";
    const std::string other = kOem + "VID_1234&PID_5678";
    const Values expected = RegsvrRegistration(device);
    WriteText(HKEY_LOCAL_MACHINE, other, "OEMName", "Someone else's pad");
    WriteText(HKEY_LOCAL_MACHINE, kEngineKey, "Accepted_Devices", "VID_1234&PID_5678");
    WriteText(HKEY_CURRENT_USER, kOem + device + "\\OEMForceFeedback", "CLSID",
              "{00000000-1111-2222-3333-444444444444}");

    ASSERT_EQ(Install(Package(), "VID=046d PID=C294 DEVICENAME=\"Maker wheel GT\""), 0);
    Values registered = Registration(device);
    const std::string both = "VID_1234&PID_5678 VID_046D&PID_C294";
    std::vector<BYTE> list(both.begin(), both.end());
    list.insert(list.end(), {0, REG_SZ});
    EXPECT_EQ(registered["accepted"], list);
    registered.erase("accepted");
    Values fromRegsvr = expected;
    fromRegsvr.erase("accepted");
    EXPECT_EQ(registered, fromRegsvr);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kOem + device, "OEMName"), "Maker wheel GT");
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kOem + device + "\\Quorvane\\FFB_API", "Usage"), 0xBBu);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kOem + device + "\\OEMForceFeedback"));

    // A maker who rewrites the list with commas and in lower case: the uninstall still
    // finds the wheel's name in it.
    WriteText(HKEY_LOCAL_MACHINE, kEngineKey, "Accepted_Devices",
              "VID_1234&PID_5678,vid_046d&pid_c294");
    ASSERT_EQ(Uninstall(Package()), 0);
    ExpectNothingLeft(device, true);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEngineKey + "\\0"));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, other, "OEMName"), "Someone else's pad");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kEngineKey, "Accepted_Devices"), "VID_1234&PID_5678");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, other.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEngineKey.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kBuiltIn + "\\Quorvane").c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kBuiltIn.c_str());
}

// Another driver's entry for the wheel is set aside while quorforce is installed and given
// back whole by the uninstall; GCPAGE=1 names the control panel's page in ConfigCLSID.
TEST_F(SetupTest, KeepsAnotherDriversEntryAndNamesThePageOnlyWhenAsked) {
    const std::string entry = kBuiltIn + "\\OEMForceFeedback";
    const std::string theirs = "{0A1B2C3D-0000-4000-8000-00000000F00D}";
    const std::string theirEffect = entry + "\\Effects\\{E6E1A1B0-0000-4000-8000-000000000001}";
    const std::string theirClass = "Software\\Classes\\CLSID\\" + theirs;
    WriteText(HKEY_LOCAL_MACHINE, entry, "CLSID", theirs);
    WriteText(HKEY_LOCAL_MACHINE, theirEffect, "", "Rumble");
    WriteDword(HKEY_LOCAL_MACHINE, kBuiltIn + "\\Axes\\0", "FFAttributes", 7);
    WriteText(HKEY_LOCAL_MACHINE, theirClass + "\\InprocServer32", "", "C:\\vendor\\ffb.dll");
    // The wheel's entry, its axes and its page (the tuning a failed install leaves under
    // Wine is AFailedInstallRollsBack's matter).
    const auto wheel = [&entry] {
        Values values;
        CollectRegistry(HKEY_LOCAL_MACHINE, entry, "ff:", values, 0, true);
        CollectRegistry(HKEY_LOCAL_MACHINE, kBuiltIn + "\\Axes", "axes:", values, 0, true);
        const std::string page = ReadText(HKEY_LOCAL_MACHINE, kBuiltIn, "ConfigCLSID");
        if (!page.empty()) values["page"] = std::vector<BYTE>(page.begin(), page.end());
        return values;
    };
    const Values before = wheel();

    // A failed install puts their entry back through the rollback of the setting-aside.
    EXPECT_EQ(Install(Package(), "GCPAGE=1 QF_FAIL_WHEN_DEFERRED=1"),
              static_cast<int>(ERROR_INSTALL_FAILURE));
    EXPECT_EQ(wheel(), before);

    ASSERT_EQ(Install(Package(), "GCPAGE=1"), 0);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kBuiltIn, "ConfigCLSID"),
              "{5C0E2A72-3B94-4D6A-9E21-7F40C8D1A6B3}");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, entry, "CLSID"),
              "{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, theirEffect)) << "not offered as ours";
    EXPECT_EQ(Activation64(), 0);

    ASSERT_EQ(Uninstall(Package()), 0);
    EXPECT_EQ(wheel(), before);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBuiltIn + "\\Quorvane")) << "no copy is left";

    // A third driver takes the wheel while quorforce is installed (over the copy of theirs):
    // the uninstall leaves the third one's entry as it finds it, although the package's rows
    // name the same values.
    const std::string third = "{0A1B2C3D-0000-4000-8000-0000000BEEF0}";
    WriteText(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\" + third + "\\InprocServer32", "",
              "C:\\third\\ffb.dll");
    ASSERT_EQ(Install(Package()), 0);
    WriteText(HKEY_LOCAL_MACHINE, entry, "CLSID", third);
    ASSERT_EQ(Uninstall(Package()), 0);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, entry, "CLSID"), third);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\CLSID\\" + third).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kBuiltIn.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, theirClass.c_str());
}

// Refused before anything is written, whatever is wrong.
TEST_F(SetupTest, RefusesBadIdsAndNamesBeforeWritingAnything) {
    for (const char* properties : {"VID=12G4", "VID=5A1", "PID=E4100", "PID=\"\"",
                                   "DEVICENAME=\"back\\slash\"", "DEVICENAME=\"\""}) {
        EXPECT_NE(Install(Package(), properties), 0) << properties;
        ExpectNothingLeft("VID_5A1C&PID_E410");
    }
}

// An install that fails after it has written everything rolls back all of it: the package's
// rows and files, and through the setup's rollback actions (run from the rollback script
// with their data) the tuning values, the wheel's name and the binding's list, up to the
// wheel's own key; the system's OEM key stays, however empty.
TEST_F(SetupTest, AFailedInstallRollsBackWhatItWroteAndNoMore) {
    const std::string device = "VID_046D&PID_C294";
    const std::string oem = kOem.substr(0, kOem.size() - 1);
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, oem));
    EXPECT_EQ(Install(Package(), "VID=046D PID=C294 QF_FAIL_WHEN_DEFERRED=1"),
              static_cast<int>(ERROR_INSTALL_FAILURE));
    EXPECT_TRUE(Registration(device).empty());
    EXPECT_FALSE(Exists(kFolder64)) << kFolder64;
    EXPECT_FALSE(Exists(kFolder32)) << kFolder32;
    EXPECT_TRUE(InstalledVersions().empty());
    EXPECT_EQ(Activation64(), 1);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOem + device));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBuiltIn));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, oem));
    EXPECT_FALSE(PanelShortcutExists());
}

// An upgrade replaces the old version and keeps a changed tuning value; the old version
// does not install over the new one; a second install of the same version repairs.
TEST_F(SetupTest, UpgradesKeepingTuningRepairsAndRefusesADowngrade) {
    ASSERT_FALSE(Env("QUORFORCE_OLD_SETUP").empty());
    const std::string tuning = kBuiltIn + "\\Quorvane\\FFB_API";
    ASSERT_EQ(Install(OldPackage()), 0);
    EXPECT_EQ(InstalledVersions(), std::vector<std::string>{"0.1.0"});
    WriteDword(HKEY_LOCAL_MACHINE, tuning, "By10_Spring_Coef", 55);
    WriteDword(HKEY_LOCAL_MACHINE, tuning + "\\0", "Global_Value", 70);

    ASSERT_EQ(Install(Package()), 0);
    EXPECT_EQ(InstalledVersions(), std::vector<std::string>{"0.9.0"});
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, tuning, "By10_Spring_Coef"), 55u);
    // The upgrade is known from UPGRADINGPRODUCTCODE: nothing marks it in the registry.
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, tuning, "Setup_Upgrading"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, tuning + "\\0", "Global_Value"), 70u);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, tuning, "By10_Damper_Coef"), 20u);
    EXPECT_EQ(Activation64(), 0);

    EXPECT_NE(Install(OldPackage()), 0);
    EXPECT_EQ(InstalledVersions(), std::vector<std::string>{"0.9.0"});

    const std::string tester = kFolder64 + "\\quortest.exe";
    ASSERT_TRUE(DeleteFileA(tester.c_str()));
    EXPECT_EQ(Install(Package()), 0);
    EXPECT_TRUE(Exists(tester)) << "the repair puts a missing file back";
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, tuning, "By10_Spring_Coef"), 55u);

    ASSERT_EQ(Uninstall(Package()), 0);
    ExpectNothingLeft("VID_5A1C&PID_E410");
}

// The interactive setup under Xvfb, its pages found by their titles.
class SetupWindow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(Env("QUORFORCE_SETUP").empty()); }
    void TearDown() override {
        if (setup_ != nullptr) Finish();
    }

    void Start(const std::string& properties) {
        setup_ = std::make_unique<StartedProgram>("msiexec /i \"" + Package() + "\" " + properties);
        ASSERT_TRUE(setup_->Started());
    }
    // Waits for the setup to end (two minutes at most); its exit code, or -1.
    long Finish() {
        const long code = setup_->ExitCode(120000);
        EXPECT_NE(code, -1) << "the setup did not end";
        setup_.reset();
        return code;
    }

    static HWND WaitForPage(const std::string& title) {
        for (int i = 0; i < 1200; ++i) {
            if (HWND page = FindWindowA(nullptr, title.c_str())) {
                Sleep(1500);  // drawn
                return page;
            }
            Sleep(100);
        }
        return nullptr;
    }
    static std::string Texts(HWND page) {
        std::string text;
        for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            char part[1024];
            GetWindowTextA(child, part, sizeof part);
            text += std::string(part) + "\n";
        }
        return text;
    }
    static void Picture(HWND page, const std::string& name) {
        EXPECT_TRUE(SaveScreenshotAs(page, name));
    }
    static void Click(HWND page, const char* button) {
        HWND control = FindWindowExA(page, nullptr, nullptr, button);
        ASSERT_NE(control, nullptr) << button;
        PostMessageA(control, BM_CLICK, 0, 0);
    }

    std::unique_ptr<StartedProgram> setup_;
};

// The first page says what the setup installs, for which wheel and where; Cancel ends the
// setup with nothing written, also while an older version is installed: the older version's
// uninstall afterwards still takes its tuning away. The picture goes to
// build/win64/screenshots/setup-first-page.png.
TEST_F(SetupWindow, FirstPageShowsWhatItInstallsAndCancelWritesNothing) {
    ASSERT_FALSE(Env("QUORFORCE_OLD_SETUP").empty());
    ASSERT_EQ(Install(OldPackage()), 0);
    Start("VID=046D PID=C294 DEVICENAME=\"Maker wheel GT\"");
    HWND page = WaitForPage("quorforce 0.9.0 Setup");
    ASSERT_NE(page, nullptr) << "no first page";
    const std::string text = Texts(page);
    EXPECT_NE(text.find("Maker wheel GT (vendor id 046D, product id C294)"), std::string::npos)
        << text;
    EXPECT_NE(text.find("C:\\Program Files\\Quorvane\\"), std::string::npos) << text;
    EXPECT_NE(text.find("C:\\Program Files (x86)\\Quorvane\\"), std::string::npos) << text;
    Picture(page, "setup-first-page.png");
    Click(page, "Cancel");
    Finish();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOem + "VID_046D&PID_C294"));
    EXPECT_EQ(InstalledVersions(), std::vector<std::string>{"0.1.0"});
    ASSERT_EQ(Uninstall(OldPackage()), 0);
    ExpectNothingLeft("VID_5A1C&PID_E410");
}

// Install shows the progress page while the script runs, then the last page, which says
// what was installed and where the control panel is; the Start menu has it. The pictures go
// to build/win64/screenshots/setup-progress-page.png and setup-last-page.png.
TEST_F(SetupWindow, InstallShowsItsProgressAndTheLastPageNamesThePanel) {
    Start("");
    HWND page = WaitForPage("quorforce 0.9.0 Setup");
    ASSERT_NE(page, nullptr) << "no first page";
    Click(page, "&Install");
    HWND progress = nullptr, done = nullptr;
    bool sawBar = false;
    for (int i = 0; i < 3000 && done == nullptr; ++i) {
        if (progress == nullptr &&
            (progress = FindWindowA(nullptr, "quorforce 0.9.0 Setup: installing")) != nullptr) {
            Sleep(300);  // its controls made and drawn
            sawBar = FindWindowExA(progress, nullptr, "msctls_progress32", nullptr) != nullptr;
            Picture(progress, "setup-progress-page.png");
        }
        done = FindWindowA(nullptr, "quorforce 0.9.0 Setup: done");
        if (done == nullptr) Sleep(50);
    }
    EXPECT_NE(progress, nullptr) << "no progress page";
    EXPECT_TRUE(sawBar) << "no progress bar on the progress page";
    ASSERT_NE(done, nullptr) << "no last page";
    Sleep(1500);
    const std::string text = Texts(done);
    EXPECT_NE(text.find("Quorvane USB wheel is installed, for 64-bit and 32-bit games, in "
                        "C:\\Program Files\\Quorvane\\."),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("C:\\Program Files\\Quorvane\\quorpanel.exe"), std::string::npos) << text;
    EXPECT_NE(text.find("Start menu"), std::string::npos) << text;
    Picture(done, "setup-last-page.png");
    Click(done, "&Finish");
    EXPECT_EQ(Finish(), 0);
    EXPECT_TRUE(PanelShortcutExists());
    ASSERT_EQ(Uninstall(Package()), 0);
    ExpectNothingLeft("VID_5A1C&PID_E410");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--activate") return ActivateInThisProcess();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
