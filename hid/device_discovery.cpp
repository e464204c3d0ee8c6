// Device discovery and binding: SetupAPI enumeration, DirectInput's joystick-id entries
// in the registry, capabilities and input axes.
#include "hid/device_discovery.h"

#include <cstdio>
#include <cstring>

#include "config/registry_access.h"
#include "hid/held_reports.h"
#include "hid/report_io.h"
#include "util/mutex_lock.h"
#include "util/sign_extend.h"
#include "util/trace.h"

namespace quorforce {
namespace {

constexpr int kKeySize = 256;
constexpr DWORD kDetailBufferSize = 1024;
constexpr DWORD kMaxInterfaces = 4096;  // an enumeration that never ends stops here
constexpr int kCalibrationEntries = 16;
constexpr const char* kDeviceClassKey =
    "System\\CurrentControlSet\\Control\\DeviceClasses\\{4d1e55b2-f16f-11cf-88cb-001111000030}\\";
constexpr const char* kCalibrationRoot =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\DirectInput\\";

void UpdateSystemVersion(std::int32_t& isNtAbove4) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    isNtAbove4 = 0;
    if (!GetVersionExA(&version)) return;
    const bool above4 =
        version.dwMajorVersion > 4 || (version.dwMajorVersion == 4 && version.dwMinorVersion > 0);
    isNtAbove4 = version.dwPlatformId == VER_PLATFORM_WIN32_NT && above4 ? 1 : 0;
}

// The interface's DirectInput key; false when the path is too short or the key too long.
bool DeviceParametersKey(bool isNtAbove4, const char* path, char (&key)[kKeySize]) {
    if (path == nullptr || std::strlen(path) < 4) return false;
    const int n = std::snprintf(key, sizeof key, "%s%s%s\\#\\Device Parameters\\DirectX",
                                kDeviceClassKey, isNtAbove4 ? "##?#" : "##.#", path + 4);
    return n > 0 && n < kKeySize;
}

bool CalibrationKey(std::uint16_t vendorId, std::uint16_t productId, int index,
                    char (&key)[kKeySize]) {
    char device[32];
    std::snprintf(device, sizeof device, "VID_%04x&PID_%04x", vendorId, productId);
    CharUpperA(device);
    const int n =
        std::snprintf(key, sizeof key, "%s%s\\Calibration\\%d", kCalibrationRoot, device, index);
    return n > 0 && n < kKeySize;
}

// A GUID value of exactly 16 bytes; anything else counts as none, so that no byte the
// registry did not give is ever compared.
bool ReadGuid(const char* key, GUID* guid) {
    *guid = GUID{};
    DWORD length = 0;
    return ReadConfigBinary(guid, sizeof *guid, key, "GUID", &length) && length == sizeof *guid;
}

JoystickIdOrNotFound JoystickIdAt(const char* key) {
    DWORD id = 0;
    if (!ReadConfigBinary(&id, sizeof id, key, "Joystick Id")) return kJoystickIdNotFound;
    return static_cast<int>(id & 0xFF);
}

// Closes and frees what an earlier bind of the link left, under the InputMutex so that a
// running poll never sees a closed handle, and after the force thread has let go of any report
// held for it.
void ReleaseBinding(ProcessState& process, DeviceLink& link) {
    MutexLock lock(process.inputMutex);
    link.inUse = 0;
    DropHeldReports(process, link.deviceHandle);
    if (link.deviceHandle != nullptr) CloseHandle(link.deviceHandle);
    if (link.preparsedData != nullptr) ZXFreePreparsedData(link.preparsedData);
    link.deviceHandle = nullptr;
    link.preparsedData = nullptr;
}

bool ProductMatches(std::uint16_t reported, std::uint16_t wanted, int maskMode) {
    return (maskMode == 1 ? (reported & wanted) : reported) == wanted;
}

// Whether the open interface is the wanted one; fills its attributes.
bool IsWantedInterface(const ProcessState& process, HANDLE device, const char* path,
                       std::uint16_t vendorId, std::uint16_t productId, int joystickId,
                       int maskMode, HIDD_ATTRIBUTES* attributes) {
    attributes->Size = sizeof *attributes;
    if (!HidD_GetAttributes(device, attributes)) {
        QF_TRACE("INFO     ", 1, "bind: %s: attributes not readable\n", path);
        return false;
    }
    JoystickIdOrNotFound id =
        ZXJoystickIdFromCalibration(process, path, attributes->VendorID, attributes->ProductID);
    if (id == kJoystickIdNotFound) id = ZXJoystickIdFromDeviceParameters(process, path);
    if (id == kJoystickIdNotFound || id != joystickId) {
        QF_TRACE("INFO     ", 1, "bind: %s: VID_%04X&PID_%04X has joystick id %d, not %d\n", path,
                 attributes->VendorID, attributes->ProductID, id, joystickId);
        return false;
    }
    if (!HidD_GetAttributes(device, attributes)) return false;
    const bool wanted = attributes->VendorID == vendorId &&
                        ProductMatches(attributes->ProductID, productId, maskMode);
    if (!wanted) {
        QF_TRACE("INFO     ", 1, "bind: %s: VID_%04X&PID_%04X is not VID_%04X (product %04X)\n",
                 path, attributes->VendorID, attributes->ProductID, vendorId, productId);
    }
    return wanted;
}

Done Bind(ProcessState& process, DeviceLink& link, HANDLE device,
          const HIDD_ATTRIBUTES& attributes) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!HidD_GetPreparsedData(device, &preparsed)) {
        QF_TRACE("WARNING  ", 1, "bind: preparsed data refused\n");
        CloseHandle(device);
        return Done::No;
    }
    HIDP_CAPS caps;
    if (HidP_GetCaps(preparsed, &caps) != HIDP_STATUS_SUCCESS) {
        QF_TRACE("WARNING  ", 1, "bind: capabilities refused\n");
        ZXFreePreparsedData(preparsed);
        CloseHandle(device);
        return Done::No;
    }
    {
        MutexLock lock(process.inputMutex);
        link.vendorId = attributes.VendorID;
        link.productId = attributes.ProductID;
        link.outputUsage = caps.Usage;
        link.outputUsagePage = caps.UsagePage;
        link.inputReportLength = caps.InputReportByteLength;
        link.outputReportLength = caps.OutputReportByteLength;
        link.featureReportLength = caps.FeatureReportByteLength;
        link.deviceHandle = device;
        link.preparsedData = preparsed;
        link.inUse = 1;
        link.lastFirst = -1;
        link.lastSecond = -1;
        link.sendFailing = 0;
        BuildSignMasks();
        ZXReadAxisCaps(&link, caps);
        ResetOverlappedForBind(process);
    }
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 0};
    SetCommTimeouts(device, &timeouts);  // HID handles may refuse; that is fine
    return Done::Yes;
}

}  // namespace

Done ZXOpenDevice(ProcessState& process, std::uint16_t vendorId, std::uint16_t productId,
                  DeviceLink* link, int joystickId, int maskMode) {
    if (link == nullptr) return Done::No;
    UpdateSystemVersion(process.isNtAbove4);
    ReleaseBinding(process, *link);
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    char path[kDevicePathSize];
    for (DWORD index = 0; index < kMaxInterfaces; ++index) {
        bool noMore = false;
        HANDLE device = ZXOpenInterface(hidGuid, index, path, &noMore);
        if (noMore) return Done::No;
        if (device == nullptr) continue;
        HIDD_ATTRIBUTES attributes;
        if (IsWantedInterface(process, device, path, vendorId, productId, joystickId, maskMode,
                              &attributes)) {
            return Bind(process, *link, device, attributes);
        }
        CloseHandle(device);
    }
    return Done::No;
}

HANDLE ZXOpenInterface(const GUID& classGuid, DWORD index, char* path, bool* noMore) {
    *noMore = false;
    auto* detail =
        static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(LocalAlloc(LPTR, kDetailBufferSize));
    if (detail == nullptr) {
        *noMore = true;  // without memory no later index will do better
        return nullptr;
    }
    HDEVINFO devices =
        SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices == INVALID_HANDLE_VALUE) {
        LocalFree(detail);
        *noMore = true;
        return nullptr;
    }
    HANDLE device = nullptr;
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(devices, nullptr, &classGuid, index, &data)) {
        if (GetLastError() == ERROR_NO_MORE_ITEMS) *noMore = true;
    } else {
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailA(devices, &data, nullptr, 0, &required, nullptr);
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (SetupDiGetDeviceInterfaceDetailA(devices, &data, detail, kDetailBufferSize, nullptr,
                                             nullptr)) {
            std::snprintf(path, kDevicePathSize, "%s", detail->DevicePath);
            device = CreateFileA(path, GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
            if (device == INVALID_HANDLE_VALUE) device = nullptr;
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
    LocalFree(detail);
    return device;
}

JoystickIdOrNotFound ZXJoystickIdFromCalibration(const ProcessState& process, const char* path,
                                                 std::uint16_t vendorId, std::uint16_t productId) {
    char key[kKeySize];
    GUID instance;
    if (!DeviceParametersKey(process.isNtAbove4 != 0, path, key) || !ReadGuid(key, &instance)) {
        return kJoystickIdNotFound;
    }
    int match = -1;
    for (int index = 0; index < kCalibrationEntries; ++index) {
        GUID entry;
        if (CalibrationKey(vendorId, productId, index, key) && ReadGuid(key, &entry) &&
            std::memcmp(&entry, &instance, sizeof entry) == 0) {
            match = index;  // the highest matching entry wins
        }
    }
    if (match < 0 || !CalibrationKey(vendorId, productId, match, key)) return kJoystickIdNotFound;
    return JoystickIdAt(key);
}

JoystickIdOrNotFound ZXJoystickIdFromDeviceParameters(const ProcessState& process,
                                                      const char* path) {
    char key[kKeySize];
    if (!DeviceParametersKey(process.isNtAbove4 != 0, path, key)) return kJoystickIdNotFound;
    return JoystickIdAt(key);
}

void ZXReadAxisCaps(DeviceLink* link, const HIDP_CAPS& caps) {
    link->inputAxisCount = 0;
    link->axisSpan = 0;  // taken afresh from the new caps
    const USHORT total = caps.NumberInputValueCaps;
    if (total == 0) return;
    auto* values = static_cast<HIDP_VALUE_CAPS*>(LocalAlloc(LPTR, total * sizeof(HIDP_VALUE_CAPS)));
    if (values == nullptr) return;
    USHORT count = total;
    if (HidP_GetSpecificValueCaps(HidP_Input, 0, 0, 0, values, &count, link->preparsedData) ==
        HIDP_STATUS_SUCCESS) {
        std::uint16_t recorded = 0;
        for (USHORT i = 0; i < count && i < total && recorded < kMaxInputAxes; ++i) {
            const HIDP_VALUE_CAPS& v = values[i];
            // X, Y, Z, Rx, Ry, Rz and Slider; Dial, Wheel and Hat switch are passed over.
            if (v.UsagePage != 1 || v.IsRange || v.NotRange.Usage < 0x30 ||
                v.NotRange.Usage > 0x36) {
                continue;
            }
            AxisCaps& axis = link->inputAxes[recorded++];
            axis.usage = v.NotRange.Usage;
            axis.usagePage = v.UsagePage;
            axis.logicalMin = v.LogicalMin;
            axis.logicalMax = v.LogicalMax;
            axis.bitSize = v.BitSize;
            axis.isSigned = v.LogicalMin < 0 ? 1 : 0;
        }
        link->inputAxisCount = recorded;
    }
    LocalFree(values);
}

HidStatus ZXGetCapabilities(HANDLE device, PHIDP_PREPARSED_DATA* preparsed,
                            std::uint16_t* inputReportLength, std::uint16_t* outputReportLength) {
    HIDD_ATTRIBUTES attributes;
    attributes.Size = sizeof attributes;
    HIDP_CAPS caps;
    if (preparsed == nullptr || !HidD_GetAttributes(device, &attributes) ||
        !HidD_GetPreparsedData(device, preparsed)) {
        return HidStatus::Failed;
    }
    if (HidP_GetCaps(*preparsed, &caps) != HIDP_STATUS_SUCCESS) return HidStatus::Failed;
    if (inputReportLength != nullptr) *inputReportLength = caps.InputReportByteLength;
    if (outputReportLength != nullptr) *outputReportLength = caps.OutputReportByteLength;
    return HidStatus::Ok;
}

HidStatus ZXFreePreparsedData(PHIDP_PREPARSED_DATA preparsed) {
    return HidD_FreePreparsedData(preparsed) ? HidStatus::Ok : HidStatus::Failed;
}

}  // namespace quorforce
