// The stand-in's view of the machine: the record file, and the present HID devices that
// have a force-feedback registration.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "harness/wine/dinput_stand_in/stand_in.h"

namespace stand_in {
namespace {

const char kOemKey[] =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";
const GUID kHidInterface = {
    0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

bool ReadString(const std::string& path, const char* name, std::string* text) {
    char buffer[256] = "";
    DWORD size = sizeof buffer - 1;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    const bool found = RegQueryValueExA(key, name, nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    *text = buffer;
    return found;
}

// DirectInput's joystick id of the interface, under its Device Parameters key; 0 if none.
DWORD JoystickIdOf(const std::string& path) {
    const std::string key =
        "System\\CurrentControlSet\\Control\\DeviceClasses\\{4d1e55b2-f16f-11cf-88cb-001111000030}"
        "\\##?#" +
        path.substr(4) + "\\#\\Device Parameters\\DirectX";
    DWORD id = 0, size = sizeof id;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
        RegQueryValueExA(handle, "Joystick Id", nullptr, nullptr, reinterpret_cast<BYTE*>(&id),
                         &size);
        RegCloseKey(handle);
    }
    return id & 0xFF;
}

// Vendor, product and name from the device itself; false when it cannot be opened.
bool Describe(ForceDevice& device) {
    HANDLE file = CreateFileA(device.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = sizeof attributes;
    const bool described = HidD_GetAttributes(file, &attributes) != FALSE;
    WCHAR name[128] = L"";
    HidD_GetProductString(file, name, sizeof name);
    CloseHandle(file);
    char text[128] = "";
    WideCharToMultiByte(CP_ACP, 0, name, -1, text, sizeof text, nullptr, nullptr);
    device.vendor = attributes.VendorID;
    device.product_id = attributes.ProductID;
    device.product = text;
    return described;
}

// A binary value of exactly `size` bytes.
bool ReadRecord(const std::string& path, const char* name, void* record, DWORD size) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD read = size;
    const bool found = RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE*>(record),
                                        &read) == ERROR_SUCCESS &&
                       read == size;
    RegCloseKey(key);
    return found;
}

// The axes whose object keys make them actuators: without force-feedback attributes, or
// with a maximum force of 0, an axis has no force feedback.
DWORD RegisteredActuators(const std::string& oemKey) {
    DWORD actuators = 0;
    for (DWORD n = 0; n < 3; ++n) {
        const std::string axis = oemKey + "\\Axes\\" + std::to_string(n);
        DIOBJECTATTRIBUTES attributes = {};
        DIFFOBJECTATTRIBUTES force = {};
        if (ReadRecord(axis, "Attributes", &attributes, sizeof attributes) &&
            (attributes.dwFlags & DIDOI_FFACTUATOR) != 0 &&
            ReadRecord(axis, "FFAttributes", &force, sizeof force) && force.dwFFMaxForce != 0) {
            actuators |= 1u << n;
        }
    }
    return actuators;
}

bool Registered(ForceDevice& device) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X", device.vendor, device.product_id);
    device.registrationKey = std::string(kOemKey) + ids + "\\OEMForceFeedback";
    device.actuators = RegisteredActuators(std::string(kOemKey) + ids);
    std::string classText;
    if (!ReadString(device.registrationKey, "CLSID", &classText)) return false;
    WCHAR wide[64];
    MultiByteToWideChar(CP_ACP, 0, classText.c_str(), -1, wide, 64);
    return CLSIDFromString(wide, &device.driverClass) == S_OK;
}

}  // namespace

void Record(const char* format, ...) {
    const char* path = std::getenv("QUORFORCE_STAND_IN_LOG");
    if (path == nullptr || *path == '\0') return;
    FILE* file = std::fopen(path, "a");
    if (file == nullptr) return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file, format, arguments);
    va_end(arguments);
    std::fputc('\n', file);
    std::fclose(file);
}

DWORD AxisCount() {
    const char* text = std::getenv("QUORFORCE_STAND_IN_AXES");
    const int count = text != nullptr ? std::atoi(text) : 2;
    return count >= 1 && count <= 3 ? static_cast<DWORD>(count) : 2;
}

std::vector<ForceDevice> FindForceDevices() {
    std::vector<ForceDevice> devices;
    HDEVINFO set = SetupDiGetClassDevsA(&kHidInterface, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return devices;
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &kHidInterface, i, &data); ++i) {
        char buffer[1024];
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer);
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof buffer, nullptr,
                                              nullptr)) {
            continue;
        }
        ForceDevice device;
        device.path = detail->DevicePath;
        if (!Describe(device) || !Registered(device)) continue;
        device.joystickId = JoystickIdOf(device.path);
        // An instance GUID of its own per device, stable for the vendor, product and order.
        device.instance = {0x51C0DE00u + i,
                           device.vendor,
                           device.product_id,
                           {0x80, 0, 0, 0, 0, 0, 0, static_cast<BYTE>(i)}};
        devices.push_back(device);
    }
    SetupDiDestroyDeviceInfoList(set);
    return devices;
}

}  // namespace stand_in
