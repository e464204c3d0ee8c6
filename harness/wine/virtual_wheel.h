// The virtual wheel of virtual_hid/ as the Windows programs use it: installed in the
// prefix as a root-enumerated HID device, found through SetupAPI, given DirectInput's
// joystick id, and its test channel, which injects input reports and hands back every
// output and feature report the device received.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <newdev.h>
#include <setupapi.h>

#include "config/registry_layout.h"
#include "harness/wine/wine_test_support.h"

namespace wine_test {

using Bytes = std::vector<unsigned char>;

inline const GUID kHidClass = {
    0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};
inline const GUID kHidInterface = {
    0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
inline const GUID kTestInterface = {
    0x8e6f4f2a, 0x4c1d, 0x4b2e, {0x9a, 0x11, 0x51, 0x7a, 0x0c, 0x3d, 0x22, 0x10}};
inline const DWORD kPop = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);

inline std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The device path of the first present interface of a class whose path contains `part`
// (Wine has HID devices of its own), or "".
inline std::string InterfacePath(const GUID& guid, const std::string& part) {
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
            Lower(detail->DevicePath).find(Lower(part)) != std::string::npos) {
            path = detail->DevicePath;
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return path;
}

inline std::string WaitForInterface(const GUID& guid, const std::string& part = "") {
    for (int i = 0; i < 200; ++i) {
        const std::string path = InterfacePath(guid, part);
        if (!path.empty()) return path;
        Sleep(25);
    }
    return "";
}

// The built-in wheel's model; another one ("VID_046D&PID_C294") is a wheel of another vendor
// that the minidriver reports with those ids.
inline const char* const kBuiltInModel = "VID_5A1C&PID_E410";

// The part of both device paths (HID and test channel) that names wheel `n` of the model.
inline std::string WheelPart(int n, const std::string& model = kBuiltInModel) {
    std::string part = model + "#000" + std::to_string(n) + "#";
    CharLowerA(&part[0]);
    return part;
}

// Installs virtual wheel `n` of the model as a root-enumerated device with the minidriver's
// INF; its second hardware id tells the minidriver the model's ids.
inline bool InstallWheel(int n = 0, const std::string& model = kBuiltInModel) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kHidClass, nullptr);
    if (set == INVALID_HANDLE_VALUE) return false;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    const std::string instance = "ROOT\\" + model + "\\000" + std::to_string(n);
    bool ok =
        SetupDiCreateDeviceInfoA(set, instance.c_str(), &kHidClass, nullptr, nullptr, 0, &device);
    const std::string ids = std::string("root\\quorvhid") + '\0' + model + '\0' + '\0';
    ok = ok && SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                                 reinterpret_cast<const BYTE*>(ids.data()),
                                                 static_cast<DWORD>(ids.size()));
    ok = ok && SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device);
    SetupDiDestroyDeviceInfoList(set);
    if (!ok) return false;
    BOOL reboot = FALSE;
    const std::string inf = ThisFolder() + "quorvhid.inf";
    return UpdateDriverForPlugAndPlayDevicesA(nullptr, "root\\quorvhid", inf.c_str(),
                                              INSTALLFLAG_FORCE, &reboot) != FALSE;
}

// DirectInput's joystick id for the interface: 0, under its Device Parameters key.
inline void GiveJoystickId(const std::string& path, DWORD id = 0) {
    const std::string key =
        "System\\CurrentControlSet\\Control\\DeviceClasses\\{4d1e55b2-f16f-11cf-88cb-001111000030}"
        "\\##?#" +
        path.substr(4) + "\\#\\Device Parameters\\DirectX";
    WriteDword(HKEY_LOCAL_MACHINE, key, "Joystick Id", id);
}

// Every report the device received since the last call: kind (1 output, 2 feature) and bytes.
inline std::vector<std::pair<int, Bytes>> Received(HANDLE channel) {
    std::vector<std::pair<int, Bytes>> reports;
    for (;;) {
        unsigned char record[18];
        DWORD size = 0;
        if (!DeviceIoControl(channel, kPop, nullptr, 0, record, sizeof record, &size, nullptr) ||
            size == 0) {
            return reports;
        }
        const unsigned length = record[1] < 16 ? record[1] : 16;
        reports.push_back({record[0], Bytes(record + 2, record + 2 + length)});
    }
}

// The same with each report's performance-counter stamp, taken when the device received it.
inline const DWORD kPopStamped =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x802, METHOD_BUFFERED, FILE_ANY_ACCESS);
struct StampedReport {
    int kind;  // 1 output, 2 feature
    Bytes bytes;
    LONGLONG counter;
};
inline std::vector<StampedReport> ReceivedStamped(HANDLE channel) {
    std::vector<StampedReport> reports;
    for (;;) {
        unsigned char record[26];  // kind, length, 16 bytes of report, 8 of counter
        DWORD size = 0;
        if (!DeviceIoControl(channel, kPopStamped, nullptr, 0, record, sizeof record, &size,
                             nullptr) ||
            size != sizeof record) {
            return reports;
        }
        LONGLONG counter = 0;
        std::memcpy(&counter, record + 18, sizeof counter);
        const unsigned length = record[1] < 16 ? record[1] : 16;
        reports.push_back({record[0], Bytes(record + 2, record + 2 + length), counter});
    }
}

inline const DWORD kInject = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS);

// Queues an input report 1 with the wheel at X and Y (10 bits each) and no button down.
inline bool InjectPosition(HANDLE channel, unsigned x, unsigned y) {
    const unsigned value = x | (y << 10);
    unsigned char report[5] = {0x01, static_cast<unsigned char>(value),
                               static_cast<unsigned char>(value >> 8),
                               static_cast<unsigned char>(value >> 16), 0};
    DWORD size = 0;
    return DeviceIoControl(channel, kInject, report, sizeof report, nullptr, 0, &size, nullptr) !=
           FALSE;
}

inline const DWORD kSetFault =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x803, METHOD_BUFFERED, FILE_ANY_ACCESS);
enum class WriteFault : unsigned char { None = 0, Unplugged = 1, Stall = 2, RefuseFeatures = 3 };

// From now on the wheel's writes succeed, fail as unplugged, or stall until set back to None;
// or its feature requests fail while its writes succeed.
inline bool SetWriteFault(HANDLE channel, WriteFault fault) {
    unsigned char code = static_cast<unsigned char>(fault);
    DWORD size = 0;
    return DeviceIoControl(channel, kSetFault, &code, sizeof code, nullptr, 0, &size, nullptr) !=
           FALSE;
}
inline const char* const kDeviceKey = quorforce::kProductKey;

// Installs wheel `n` (once per prefix), gives it joystick id `joystick` and opens its test
// channel; INVALID_HANDLE_VALUE when any step fails.
inline HANDLE OpenWheelChannel(int n = 0, DWORD joystick = 0,
                               const std::string& model = kBuiltInModel) {
    if (InterfacePath(kHidInterface, WheelPart(n, model)).empty() && !InstallWheel(n, model)) {
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = WaitForInterface(kHidInterface, WheelPart(n, model));
    if (path.empty()) return INVALID_HANDLE_VALUE;
    GiveJoystickId(path, joystick);
    const std::string channelPath = WaitForInterface(kTestInterface, WheelPart(n, model));
    if (channelPath.empty()) return INVALID_HANDLE_VALUE;
    return CreateFileA(channelPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

// A tuning value of the wheel's device key, as a device maker's installation writes it. A name
// with backslashes is a path below the device key: the part before the last one names the
// subkey ("Profiles\\game.exe\\Invert_Force" is a game's switch).
inline void SetDeviceValue(const char* name, DWORD value) {
    std::string path = kDeviceKey;
    const char* valueName = name;
    if (const char* last = std::strrchr(name, '\\')) {
        path += '\\';
        path.append(name, static_cast<std::size_t>(last - name));
        valueName = last + 1;
    }
    WriteDword(HKEY_CURRENT_USER, path, valueName, value);
}

// The built-in wheel's registered axis n.
inline std::string AxisKey(int n) {
    return std::string(quorforce::kOemRoot) + quorforce::kBuiltInDevice + "\\Axes\\" +
           std::to_string(n);
}

// Makes axis n an actuator by its registration, as the registration does the X axis, or
// takes that away.
inline void RegisterActuator(int n, bool actuator = true) {
    if (!actuator) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, AxisKey(n).c_str());
        return;
    }
    const DIOBJECTATTRIBUTES attributes = {DIDOI_FFACTUATOR | DIDOI_ASPECTPOSITION, 1,
                                           static_cast<WORD>(0x30 + n)};
    const DIFFOBJECTATTRIBUTES force = {10, 127};
    WriteValue(HKEY_LOCAL_MACHINE, AxisKey(n), "Attributes", REG_BINARY, &attributes,
               sizeof attributes);
    WriteValue(HKEY_LOCAL_MACHINE, AxisKey(n), "FFAttributes", REG_BINARY, &force, sizeof force);
}

// The games' profiles below the device key (the driver makes one for each program that binds
// the wheel), and the Profiles key.
inline void ClearProfiles() {
    const std::string profiles = std::string(kDeviceKey) + "\\Profiles";
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, profiles.c_str(), 0, KEY_ALL_ACCESS, &key) != 0) return;
    char name[MAX_PATH];
    DWORD size = sizeof name;
    // Always the first: each deletion moves the next one up.
    while (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) == 0 &&
           RegDeleteKeyA(key, name) == 0) {
        size = sizeof name;
    }
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, profiles.c_str());
}

// The device key with everything below it: the joystick keys an unload writes the strengths
// into and the games' profiles. (RegDeleteKey refuses a key that has subkeys: a test that left
// a joystick key of its own left its values to every later test.)
inline void ClearDeviceKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kDeviceKey); }

}  // namespace wine_test
