// The real quorforce.dll with a wheel on Wine's own HID stack: a virtual HID minidriver
// (virtual_hid/) installed in the prefix, found by SetupAPI, bound by DeviceID, and the exact
// output reports it receives through hidclass, hid.dll and the real HidP_ parser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wine/wine_test_support.h"

#include <newdev.h>
#include <setupapi.h>

namespace {

using namespace wine_test;
using Bytes = std::vector<unsigned char>;

const GUID kHidClass = {
    0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};
const GUID kHidInterface = {
    0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
const GUID kTestInterface = {
    0x8e6f4f2a, 0x4c1d, 0x4b2e, {0x9a, 0x11, 0x51, 0x7a, 0x0c, 0x3d, 0x22, 0x10}};
const DWORD kPop = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);

// The device path of the first present interface of a class whose path contains `part`
// (Wine has HID devices of its own), or "".
std::string InterfacePath(const GUID& guid, const std::string& part) {
    HDEVINFO set =
        SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return "";
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    std::string path;
    for (DWORD i = 0; path.empty() && SetupDiEnumDeviceInterfaces(set, nullptr, &guid, i, &data);
         ++i) {
        char buffer[1024];
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer);
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof buffer, nullptr, nullptr) &&
            std::string(detail->DevicePath).find(part) != std::string::npos) {
            path = detail->DevicePath;
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return path;
}

std::string WaitForInterface(const GUID& guid, const std::string& part = "") {
    for (int i = 0; i < 200; ++i) {
        const std::string path = InterfacePath(guid, part);
        if (!path.empty()) return path;
        Sleep(25);
    }
    return "";
}

// Installs the virtual wheel as a root-enumerated device with the minidriver's INF.
bool InstallWheel() {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kHidClass, nullptr);
    if (set == INVALID_HANDLE_VALUE) return false;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    bool ok = SetupDiCreateDeviceInfoA(set, "ROOT\\VID_5A1C&PID_E410\\0000", &kHidClass, nullptr,
                                       nullptr, 0, &device);
    static const char ids[] = "root\\quorvhid\0";
    ok = ok && SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                                 reinterpret_cast<const BYTE*>(ids), sizeof ids);
    ok = ok && SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device);
    SetupDiDestroyDeviceInfoList(set);
    if (!ok) return false;
    BOOL reboot = FALSE;
    const std::string inf = ThisFolder() + "quorvhid.inf";
    return UpdateDriverForPlugAndPlayDevicesA(nullptr, "root\\quorvhid", inf.c_str(),
                                              INSTALLFLAG_FORCE, &reboot) != FALSE;
}

// DirectInput's joystick id for the interface: 0, under its Device Parameters key.
void GiveJoystickId(const std::string& path) {
    const std::string key =
        "System\\CurrentControlSet\\Control\\DeviceClasses\\{4d1e55b2-f16f-11cf-88cb-001111000030}"
        "\\##?#" +
        path.substr(4) + "\\#\\Device Parameters\\DirectX";
    HKEY handle = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &handle, nullptr);
    const DWORD id = 0;
    RegSetValueExA(handle, "Joystick Id", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&id),
                   sizeof id);
    RegCloseKey(handle);
}

// Every report the device received since the last call: kind (1 output, 2 feature) and bytes.
std::vector<std::pair<int, Bytes>> Received(HANDLE channel) {
    std::vector<std::pair<int, Bytes>> reports;
    for (;;) {
        unsigned char record[18];
        DWORD size = 0;
        if (!DeviceIoControl(channel, kPop, nullptr, 0, record, sizeof record, &size, nullptr) ||
            size == 0) {
            return reports;
        }
        reports.push_back({record[0], Bytes(record + 2, record + 2 + record[1])});
    }
}

const DWORD kInject = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS);
const char* const kDeviceKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
    "VID_5A1C&PID_E410\\Quorvane\\FFB_API";

// The wheel is installed once for the suite; each test loads the driver afresh.
class WineHidWheel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Installed by an earlier run in this prefix, or now.
        if (InterfacePath(kHidInterface, "vid_5a1c&pid_e410").empty() && !InstallWheel()) return;
        const std::string path = WaitForInterface(kHidInterface, "vid_5a1c&pid_e410");
        if (path.empty()) return;
        GiveJoystickId(path);
        const std::string channelPath = WaitForInterface(kTestInterface);
        if (channelPath.empty()) return;
        channel_ =
            CreateFileA(channelPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    static void TearDownTestSuite() {
        if (channel_ != INVALID_HANDLE_VALUE) CloseHandle(channel_);
    }

    void SetUp() override {
        ASSERT_NE(channel_, INVALID_HANDLE_VALUE) << "the virtual wheel did not install";
        Received(channel_);
    }
    void TearDown() override {
        if (driver_ != nullptr) driver_->Release();
        if (factory_ != nullptr) factory_->Release();
        if (dll_ != nullptr) FreeLibrary(dll_);
        // The unload saved the force gains under the joystick key, below the device key.
        RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kDeviceKey) + "\\0").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, kDeviceKey);
    }

    static void SetDeviceValue(const char* name, DWORD value) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, kDeviceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
        RegCloseKey(key);
    }

    // Loads the DLL, creates a driver object and binds joystick 0.
    void Bind() {
        dll_ = LoadLibraryA((ThisFolder() + "quorforce.dll").c_str());
        ASSERT_NE(dll_, nullptr);
        auto getClassObject = reinterpret_cast<GetClassObjectFunction>(
            reinterpret_cast<void*>(GetProcAddress(dll_, "DllGetClassObject")));
        ASSERT_EQ(getClassObject(kClassId, kClassFactory, reinterpret_cast<void**>(&factory_)),
                  S_OK);
        ASSERT_EQ(
            factory_->CreateInstance(nullptr, kEffectDriver, reinterpret_cast<void**>(&driver_)),
            S_OK);
        ASSERT_EQ(driver_->DeviceID(0x0800, 0, TRUE, 0, nullptr), S_OK);
    }

    DWORD Download(DWORD effectId, void* record, DWORD size, LONG direction) {
        DirectInputEffect effect = Effect(record, size, direction);
        DWORD handle = 0;
        EXPECT_EQ(driver_->DownloadEffect(0, effectId, &handle, &effect.effect, DIEP_START), S_OK);
        return handle;
    }

    static HANDLE channel_;
    HMODULE dll_ = nullptr;
    IClassFactory* factory_ = nullptr;
    IDirectInputEffectDriver* driver_ = nullptr;
};

HANDLE WineHidWheel::channel_ = INVALID_HANDLE_VALUE;

TEST_F(WineHidWheel, IsBoundAndReceivesTheExactReports) {
    SetDeviceValue("Shock_or_Force_Feedback", 0);
    SetDeviceValue("Motor_Parameters", 0);
    Bind();
    // A constant force of 5000 at 90 degrees on the default (vibration, two motors) settings:
    // 10000 on the first motor, byte 127; the value 0x7F00 as report 1: 01 00 7F.
    DICONSTANTFORCE force = {5000};
    const DWORD handle = Download(371, &force, sizeof force, 9000);
    Sleep(200);
    EXPECT_EQ(driver_->StopEffect(0, handle), S_OK);
    Sleep(50);
    const auto reports = Received(channel_);
    ASSERT_GE(reports.size(), 3u);
    for (std::size_t i = 0; i + 1 < reports.size(); ++i) {
        EXPECT_EQ(reports[i].first, 1);
        EXPECT_EQ(reports[i].second, (Bytes{0x01, 0x00, 0x7F})) << "report " << i;
    }
    // The stop of the last effect puts the vibration device at rest: the value 0.
    EXPECT_EQ(reports.back().second, (Bytes{0x01, 0x00, 0x00}));
    std::printf("[ measured ] %u reports through Wine's HID stack in about 200 ms\n",
                static_cast<unsigned>(reports.size()));
}

// The input side through hidclass: the wheel's X position reaches the spring.
TEST_F(WineHidWheel, SpringFollowsTheInjectedPosition) {
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 1);
    Bind();
    DICONDITION spring = {10240, 10000, 10000, 10000, 10000, 0};  // centre 512 x 20
    Download(912, &spring, sizeof spring, 0);
    Sleep(100);
    // X = 600 in report 1: 2 x 4 x (12000 - 10240) = 14080, byte 128 + 89 = 0xD9.
    const DWORD x = 600;
    unsigned char report[5] = {0x01, static_cast<unsigned char>(x & 0xFF),
                               static_cast<unsigned char>(x >> 8), 0, 0};
    DWORD size = 0;
    ASSERT_TRUE(
        DeviceIoControl(channel_, kInject, report, sizeof report, nullptr, 0, &size, nullptr));
    Sleep(200);
    const auto reports = Received(channel_);
    ASSERT_GE(reports.size(), 5u);
    EXPECT_EQ(reports.front().second, (Bytes{0x01, 0x00, 0x80}));  // at 0: full force right
    EXPECT_EQ(reports.back().second, (Bytes{0x01, 0xD9, 0x80}));
}

}  // namespace
