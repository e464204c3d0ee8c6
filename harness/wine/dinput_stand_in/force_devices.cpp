// The stand-in's view of the machine: the record file, and the present HID devices that
// have a force-feedback registration.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "config/registry_layout.h"
#include "harness/wine/dinput_stand_in/stand_in.h"

namespace stand_in {
namespace {

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

void ReadObjects(HANDLE file, ForceDevice& device);

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
    ReadObjects(file, device);
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

struct AxisUsage {
    WORD usage;
    const GUID* guid;
    DWORD offset;
    const char* name;
};
const AxisUsage kAxisUsages[] = {
    {0x30, &GUID_XAxis, DIJOFS_X, "X Axis"},       {0x31, &GUID_YAxis, DIJOFS_Y, "Y Axis"},
    {0x32, &GUID_ZAxis, DIJOFS_Z, "Z Axis"},       {0x33, &GUID_RxAxis, DIJOFS_RX, "X Rotation"},
    {0x34, &GUID_RyAxis, DIJOFS_RY, "Y Rotation"}, {0x35, &GUID_RzAxis, DIJOFS_RZ, "Z Rotation"},
};

const AxisUsage* AxisOfUsage(WORD usage) {
    for (const AxisUsage& axis : kAxisUsages) {
        if (axis.usage == usage) return &axis;
    }
    return nullptr;
}

// The axes (generic desktop X..Rz) and buttons of the device's input reports, in the order
// DirectInput numbers them: axes by usage, buttons by usage.
void ReadObjects(HANDLE file, ForceDevice& device) {
    PHIDP_PREPARSED_DATA data = nullptr;
    if (!HidD_GetPreparsedData(file, &data)) return;
    HIDP_CAPS caps = {};
    HidP_GetCaps(data, &caps);
    device.inputReportLength = caps.InputReportByteLength;
    std::vector<HIDP_VALUE_CAPS> values(caps.NumberInputValueCaps);
    USHORT count = caps.NumberInputValueCaps;
    if (count > 0) HidP_GetValueCaps(HidP_Input, values.data(), &count, data);
    values.resize(count);
    for (const AxisUsage& axis : kAxisUsages) {
        for (const HIDP_VALUE_CAPS& value : values) {
            const WORD usage = value.IsRange ? value.Range.UsageMin : value.NotRange.Usage;
            if (value.UsagePage != 0x01 || usage != axis.usage) continue;
            DeviceObject object;
            object.guid = *axis.guid;
            object.jointOffset = axis.offset;
            object.usagePage = 0x01;
            object.usage = usage;
            object.logicalMin = value.LogicalMin;
            object.logicalMax = value.LogicalMax;
            object.name = axis.name;
            device.inputReportId = value.ReportID;
            device.objects.push_back(object);
        }
    }
    std::vector<HIDP_BUTTON_CAPS> buttons(caps.NumberInputButtonCaps);
    count = caps.NumberInputButtonCaps;
    if (count > 0) HidP_GetButtonCaps(HidP_Input, buttons.data(), &count, data);
    buttons.resize(count);
    for (const HIDP_BUTTON_CAPS& button : buttons) {
        if (button.UsagePage != 0x09) continue;
        const WORD first = button.IsRange ? button.Range.UsageMin : button.NotRange.Usage;
        const WORD last = button.IsRange ? button.Range.UsageMax : button.NotRange.Usage;
        for (WORD usage = first; usage <= last && usage - 1 < 128; ++usage) {
            DeviceObject object;
            object.guid = GUID_Button;
            object.jointOffset = DIJOFS_BUTTON(usage - 1);
            object.usagePage = 0x09;
            object.usage = usage;
            object.logicalMax = 1;
            object.name = "Button " + std::to_string(usage - 1);
            device.objects.push_back(object);
        }
    }
    HidD_FreePreparsedData(data);
}

// QUORFORCE_STAND_IN_AXES=1|2|3 reports X; X, Y; X, Y, Rz as the device's axes, whatever
// its descriptor has: a test's stand-in for wheels with other axes.
void OverrideAxes(ForceDevice& device) {
    const char* text = std::getenv("QUORFORCE_STAND_IN_AXES");
    const int count = text != nullptr ? std::atoi(text) : 0;
    if (count < 1 || count > 3) return;
    std::vector<DeviceObject> objects;
    const WORD usages[3] = {0x30, 0x31, 0x35};
    for (int i = 0; i < count; ++i) {
        DeviceObject object;
        for (const DeviceObject& known : device.objects) {
            if (known.usagePage != 0x01) continue;
            if (known.usage == usages[i]) object = known;
        }
        const AxisUsage& axis = *AxisOfUsage(usages[i]);
        object.guid = *axis.guid;
        object.jointOffset = axis.offset;
        object.usagePage = 0x01;
        object.usage = usages[i];
        if (object.logicalMax == 0) object.logicalMax = 1023;
        object.name = axis.name;
        objects.push_back(object);
    }
    for (const DeviceObject& object : device.objects) {
        if (object.usagePage == 0x09) objects.push_back(object);
    }
    device.objects = objects;
}

// Numbers the objects (axes, then buttons) and gives the axes what their registration
// says: without force-feedback attributes, or with a maximum force of 0, an axis has no
// force feedback.
void NumberObjects(ForceDevice& device, const std::string& oemKey) {
    DWORD axes = 0, buttons = 0;
    for (DeviceObject& object : device.objects) {
        if (object.usagePage == 0x09) {
            object.type = DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(buttons++);
            continue;
        }
        const DWORD n = axes++;
        object.type = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(n);
        const std::string key = oemKey + "\\Axes\\" + std::to_string(n);
        DIOBJECTATTRIBUTES attributes = {};
        DIFFOBJECTATTRIBUTES force = {};
        if (ReadRecord(key, "Attributes", &attributes, sizeof attributes)) {
            object.flags = attributes.dwFlags & ~DIDOI_FFACTUATOR;
            if ((attributes.dwFlags & DIDOI_FFACTUATOR) != 0 &&
                ReadRecord(key, "FFAttributes", &force, sizeof force) && force.dwFFMaxForce != 0) {
                object.flags |= DIDOI_FFACTUATOR;
                object.type |= DIDFT_FFACTUATOR;
                object.ffMaxForce = force.dwFFMaxForce;
                object.ffResolution = force.dwFFForceResolution;
            }
        }
    }
}

// The effect types registered under Effects\{GUID}, each with its 20-byte attributes.
void ReadEffects(ForceDevice& device) {
    HKEY key = nullptr;
    const std::string path = device.registrationKey + "\\Effects";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    char name[64];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        EffectType effect;
        WCHAR wide[64];
        MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 64);
        if (CLSIDFromString(wide, &effect.guid) != S_OK) continue;
        const std::string effectKey = path + "\\" + name;
        if (!ReadRecord(effectKey, "Attributes", &effect.attributes, sizeof effect.attributes)) {
            continue;
        }
        ReadString(effectKey, nullptr, &effect.name);
        device.effects.push_back(effect);
    }
    RegCloseKey(key);
}

bool Registered(ForceDevice& device) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X", device.vendor, device.product_id);
    const std::string oemKey = std::string(quorforce::kOemRoot) + ids;
    device.registrationKey = oemKey + "\\OEMForceFeedback";
    std::string classText;
    if (!ReadString(device.registrationKey, "CLSID", &classText)) return false;
    WCHAR wide[64];
    MultiByteToWideChar(CP_ACP, 0, classText.c_str(), -1, wide, 64);
    if (CLSIDFromString(wide, &device.driverClass) != S_OK) return false;
    ReadRecord(device.registrationKey, "Attributes", &device.attributes, sizeof device.attributes);
    OverrideAxes(device);
    NumberObjects(device, oemKey);
    ReadEffects(device);
    return true;
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

const EffectType* ForceDevice::Effect(const GUID& guid) const {
    for (const EffectType& effect : effects) {
        if (IsEqualGUID(effect.guid, guid)) return &effect;
    }
    return nullptr;
}

DWORD ForceDevice::AxisCount() const {
    DWORD n = 0;
    for (const DeviceObject& object : objects)
        n += object.IsAxis() ? 1 : 0;
    return n;
}

DWORD ForceDevice::ButtonCount() const { return static_cast<DWORD>(objects.size()) - AxisCount(); }

std::string GuidText(const GUID& guid) {
    WCHAR wide[64];
    char text[64];
    StringFromGUID2(guid, wide, 64);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

}  // namespace stand_in
