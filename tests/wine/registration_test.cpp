// The installation under Wine, in a prefix of its own: regsvr32 of the DLL writes what
// DirectInput reads, real COM activation finds the driver in a fresh process, regsvr32 /u
// takes it all away again, and the device maker's .reg template gives the same entry.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "config/other_driver_entry.h"
#include "config/registry_layout.h"
#include "driver/registration.h"
#include "harness/wine/wine_test_support.h"
#include "include/quorforce.h"

namespace {

using namespace wine_test;

const std::string kDevice = std::string(quorforce::kOemRoot) + quorforce::kBuiltInDevice;
const std::string kOem = kDevice + "\\OEMForceFeedback";
const std::string kClassKey = "CLSID\\{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}";

const auto Bytes = RecordBytes;
const auto Text = TextBytes;

RegistryValues OemEntry() {
    RegistryValues values = RegistryTree(HKEY_LOCAL_MACHINE, kOem);
    CollectRegistry(HKEY_LOCAL_MACHINE, kDevice + "\\Axes", "Axes\\", values);
    const std::string page = ReadText(HKEY_LOCAL_MACHINE, kDevice, "ConfigCLSID");
    if (!page.empty()) values["ConfigCLSID"] = Text(page);
    return values;
}

std::string Dll() { return ThisFolder() + "quorforce.dll"; }

// The template with the built-in wheel's ids, imported by regedit.
bool ImportTemplate() {
    std::ifstream in(ThisFolder() + "quorforce-device.reg", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string reg = text.str();
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"VVVV", "5A1C"},
                                   std::pair<std::string, std::string>{"PPPP", "E410"}}) {
        for (std::size_t at = reg.find(from); at != std::string::npos; at = reg.find(from, at))
            reg.replace(at, from.size(), to);
    }
    const std::string path = ThisFolder() + "quorforce-device-test.reg";
    std::ofstream(path, std::ios::binary) << reg;
    return !reg.empty() && RunCommandLine("regedit /s \"" + path + "\"") == 0;
}

TEST(Registration, RegsvrWritesWhatDirectInputReadsAndTakesItAway) {
    ASSERT_EQ(RunCommandLine("regsvr32 /s \"" + Dll() + "\""), 0);
    ASSERT_EQ(quorforce::kDeviceAttributes.dwFlags, 0u);  // reserved
    ASSERT_TRUE(quorforce::kActuatorAxisAttributes.dwFlags & DIDOI_FFACTUATOR);
    ASSERT_NE(quorforce::kActuatorAxisForce.dwFFMaxForce, 0u);
    RegistryValues expected = {
        {"CLSID", Text("{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}")},
        {"Attributes", Bytes(&quorforce::kDeviceAttributes, 12)},
        {"Axes\\0\\Attributes", Bytes(&quorforce::kActuatorAxisAttributes, 8)},
        {"Axes\\0\\FFAttributes", Bytes(&quorforce::kActuatorAxisForce, 8)}};
    for (std::size_t i = 0; i < quorforce::kRegisteredEffectCount; ++i) {
        const quorforce::RegisteredEffect& e = quorforce::kRegisteredEffects[i];
        const std::string key = std::string("Effects\\") + e.guid + "\\";
        expected[key] = Text(e.name);
        expected[key + "Attributes"] = Bytes(&e.attributes, 20);
    }
    const RegistryValues registered = OemEntry();
    EXPECT_EQ(registered, expected);
    EXPECT_EQ(RegistryTree(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32"),
              (RegistryValues{{"", Text(Dll())}, {"ThreadingModel", Text("Both")}}));
    EXPECT_EQ(ActivationInAFreshProcess(), 0);

    ASSERT_EQ(RunCommandLine("regsvr32 /s /u \"" + Dll() + "\""), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOem));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_EQ(ActivationInAFreshProcess(), 1) << "activation after the unregistration";

    // The device maker's template, with the built-in ids, gives the same entry.
    ASSERT_TRUE(ImportTemplate());
    EXPECT_EQ(OemEntry(), registered);
}

// regsvr32 /i names a maker's wheel through DllInstall: its own entry and its place among the
// accepted devices; /u /i takes both away again. /n leaves the class alone.
TEST(Registration, RegsvrInstallRegistersAnotherVendorsWheel) {
    const std::string logitech = std::string(quorforce::kOemRoot) + "VID_046D&PID_C294";
    const std::string product = kDevice + "\\Quorvane\\FFB_API";
    ASSERT_EQ(RunCommandLine("regsvr32 /s /n /i:VID_046D&PID_C294 \"" + Dll() + "\""), 0);
    RegistryValues entry = RegistryTree(HKEY_LOCAL_MACHINE, logitech);
    EXPECT_EQ(entry["OEMForceFeedback\\CLSID"], Text("{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}"));
    EXPECT_EQ(entry["Axes\\0\\FFAttributes"], Bytes(&quorforce::kActuatorAxisForce, 8));
    const auto accepted = [&product] {
        return ReadText(HKEY_LOCAL_MACHINE, product, "Accepted_Devices");
    };
    EXPECT_NE(accepted().find("VID_046D&PID_C294"), std::string::npos);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));

    ASSERT_EQ(RunCommandLine("regsvr32 /s /u /n /i:VID_046D&PID_C294 \"" + Dll() + "\""), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, logitech));
    EXPECT_EQ(accepted().find("VID_046D&PID_C294"), std::string::npos);
}

// Writes `values` ("key\\name" relative to `path`) as the setup of another driver would.
void WriteValues(const std::string& path, const RegistryValues& values) {
    for (const auto& [relative, data] : values) {
        const std::size_t slash = relative.rfind('\\');
        const std::string key =
            slash == std::string::npos ? path : path + "\\" + relative.substr(0, slash);
        const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
        ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, key, name.c_str(),
                               name == "CLSID" || name.empty() ? REG_SZ : REG_BINARY, data.data(),
                               data.size()));
    }
}

// Another driver's entry for the wheel, on the real registry: regsvr32 sets it aside and
// regsvr32 /u gives it back whole, for the built-in wheel (DllRegisterServer) and a maker's
// (DllInstall /n /i); a second registration keeps the copy of theirs.
TEST(Registration, AnotherDriversEntryIsKeptAcrossRegsvrAndRegsvrUninstall) {
    const std::string theirs = "{0A1B2C3D-0000-4000-8000-00000000F00D}";
    const RegistryValues other = {
        {"OEMForceFeedback\\CLSID", Text(theirs)},
        {"OEMForceFeedback\\Attributes", {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}},
        {"OEMForceFeedback\\Effects\\{E6E1A1B0-0000-4000-8000-000000000001}\\", Text("Rumble")},
        {"OEMForceFeedback\\Effects\\{E6E1A1B0-0000-4000-8000-000000000001}\\Attributes",
         {7, 0, 0, 0}},
        {"Axes\\0\\FFAttributes", {7, 0, 0, 0, 1, 0, 0, 0}}};
    ASSERT_TRUE(
        CreateKey(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\" + theirs + "\\InprocServer32"));
    const std::string oemRoot = kDevice.substr(0, kDevice.rfind('\\') + 1);
    const struct {
        const char* device;
        std::string install, uninstall;
    } routes[] = {
        {"VID_5A1C&PID_E410", "regsvr32 /s \"" + Dll() + "\"", "regsvr32 /s /u \"" + Dll() + "\""},
        {"VID_046D&PID_C294", "regsvr32 /s /n /i:VID_046D&PID_C294 \"" + Dll() + "\"",
         "regsvr32 /s /u /n /i:VID_046D&PID_C294 \"" + Dll() + "\""},
    };
    for (const auto& route : routes) {
        SCOPED_TRACE(route.device);
        const std::string wheel = oemRoot + route.device;
        WriteValues(wheel, other);
        const RegistryValues before = RegistryTree(HKEY_LOCAL_MACHINE, wheel);
        ASSERT_EQ(RunCommandLine(route.install), 0);
        ASSERT_EQ(RunCommandLine(route.install), 0);
        RegistryValues ours = RegistryTree(HKEY_LOCAL_MACHINE, wheel);
        EXPECT_EQ(ours["OEMForceFeedback\\CLSID"], Text("{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}"));
        EXPECT_EQ(ours.count("OEMForceFeedback\\Effects\\{E6E1A1B0-0000-4000-8000-000000000001}\\"),
                  0u);
        ASSERT_EQ(RunCommandLine(route.uninstall), 0);
        EXPECT_EQ(RegistryTree(HKEY_LOCAL_MACHINE, wheel), before);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, quorforce::kSetAsideRoot))
            << "the copy is gone once given back";
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, wheel.c_str());  // the other tests start clean
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\CLSID\\" + theirs).c_str());
}

// The page in Game Controllers only on request, and only where quorpage.dll lies beside the
// driver: a ConfigCLSID replaces the applet's own Test and Settings pages.
TEST(Registration, ThePageIsOptInAndNeedsItsDll) {
    ASSERT_EQ(RunCommandLine("regsvr32 /s \"" + Dll() + "\""), 0);
    EXPECT_EQ(OemEntry().count("ConfigCLSID"), 0u);
    ASSERT_EQ(RunCommandLine("regsvr32 /s /n /i:page \"" + Dll() + "\""), 0);
    EXPECT_EQ(OemEntry()["ConfigCLSID"], Text(QUORFORCE_PAGE_CLSID_TEXT));
    RegistryValues page =
        RegistryTree(HKEY_CLASSES_ROOT, std::string("CLSID\\") + QUORFORCE_PAGE_CLSID_TEXT);
    EXPECT_EQ(page["InprocServer32\\"], Text(ThisFolder() + "quorpage.dll"));
    ASSERT_EQ(RunCommandLine("regsvr32 /s /u /n /i:page \"" + Dll() + "\""), 0);
    EXPECT_EQ(OemEntry().count("ConfigCLSID"), 0u);
    ASSERT_EQ(RunCommandLine("regsvr32 /s /u \"" + Dll() + "\""), 0);

    // A copy of the driver in a folder without quorpage.dll names no page.
    const std::string alone = ThisFolder() + "page-missing";
    CreateDirectoryA(alone.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(Dll().c_str(), (alone + "\\quorforce.dll").c_str(), FALSE));
    EXPECT_NE(RunCommandLine("regsvr32 /s /n /i:page \"" + alone + "\\quorforce.dll\""), 0);
    EXPECT_EQ(OemEntry().count("ConfigCLSID"), 0u);
    DeleteFileA((alone + "\\quorforce.dll").c_str());
    RemoveDirectoryA(alone.c_str());
}

// The quorforce.dll of the other size and its registration test, for a 64-bit prefix: the
// win32 build's bin/; empty elsewhere.
std::string Folder32() { return sizeof(void*) == 8 ? Programs32() : ""; }

// The class's InprocServer32 path in one registry view, or "" when absent.
std::string ServerIn(REGSAM view) {
    return ReadText(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + kClassKey + "\\InprocServer32",
                    nullptr, view);
}

// Both sizes in one 64-bit prefix: each DLL's class in its own view with its own path, the
// shared force-feedback entry written alike by either; unregistering one leaves the other
// working, unregistering both leaves nothing.
TEST(Registration, BothSizesRegisterInTheirOwnViews) {
    const std::string folder32 = Folder32();
    if (folder32.empty()) GTEST_SKIP() << "needs a 64-bit prefix and the win32 build's programs";
    const std::string dll32 = folder32 + "quorforce.dll";
    const std::string regsvr32 = "C:\\windows\\syswow64\\regsvr32.exe";
    const auto activation32 = [&folder32] {
        return RunCommandLine("\"" + folder32 + "quorforce_registration_tests.exe\" --activate");
    };
    ASSERT_EQ(RunCommandLine("regsvr32 /s \"" + Dll() + "\""), 0);
    const RegistryValues entry = OemEntry();
    ASSERT_EQ(RunCommandLine(regsvr32 + " /s \"" + dll32 + "\""), 0);
    EXPECT_EQ(ServerIn(KEY_WOW64_64KEY), Dll());
    EXPECT_EQ(ServerIn(KEY_WOW64_32KEY), dll32);
    EXPECT_EQ(OemEntry(), entry);
    EXPECT_EQ(ActivationInAFreshProcess(), 0);
    EXPECT_EQ(activation32(), 0);

    ASSERT_EQ(RunCommandLine(regsvr32 + " /s /u \"" + dll32 + "\""), 0);
    EXPECT_EQ(ServerIn(KEY_WOW64_32KEY), "");
    EXPECT_EQ(OemEntry(), entry) << "the 64-bit driver still needs the entry";
    EXPECT_EQ(ActivationInAFreshProcess(), 0);
    EXPECT_EQ(activation32(), 1);

    ASSERT_EQ(RunCommandLine(regsvr32 + " /s \"" + dll32 + "\""), 0);
    ASSERT_EQ(RunCommandLine("regsvr32 /s /u \"" + Dll() + "\""), 0);
    EXPECT_EQ(OemEntry(), entry) << "the 32-bit driver still needs the entry";
    EXPECT_EQ(activation32(), 0);
    ASSERT_EQ(RunCommandLine(regsvr32 + " /s /u \"" + dll32 + "\""), 0);
    EXPECT_TRUE(OemEntry().empty());
    EXPECT_EQ(ServerIn(KEY_WOW64_64KEY) + ServerIn(KEY_WOW64_32KEY), "");
    EXPECT_EQ(ActivationInAFreshProcess(), 1);
    EXPECT_EQ(activation32(), 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--activate") return ActivateInThisProcess();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
