// Host stand-in: the virtual HID devices, SetupAPI over them, device handles with
// overlapped I/O, and the HidD_ functions. One lock (the kernel table's) guards all of it.
#include "platform/host/virtual_hid.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/host/hid.h"
#include "platform/host/kernel.h"
#include "platform/host/kernel_objects.h"
#include "platform/host/registry.h"
#include "platform/host/system.h"

namespace host {

namespace {
std::atomic<int> liveDeviceHandles{0};
}  // namespace

struct DeviceHandleObject : KernelObject {
    std::shared_ptr<VirtualHid> device;
    DeviceHandleObject() { ++liveDeviceHandles; }
    ~DeviceHandleObject() override {
        device->CancelLocked(this);  // closing a handle cancels its I/O
        --liveDeviceHandles;
    }
};

namespace {

constexpr ULONG_PTR kStatusSuccess = 0;
constexpr ULONG_PTR kStatusNotConnected = 0xC000009Du;
const GUID kHidInterfaceGuid = {
    0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

std::vector<std::shared_ptr<VirtualHid>>& Devices() {
    static std::vector<std::shared_ptr<VirtualHid>> devices;
    return devices;
}

std::atomic<int> livePreparsed{0};

struct DeviceList {
    std::vector<std::string> paths;
};

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

DeviceHandleObject* FindHandle(HANDLE handle) {
    return dynamic_cast<DeviceHandleObject*>(FindObject(handle));
}

// The handle of a present device for a read or write, or null with the error set.
DeviceHandleObject* HandleForIo(HANDLE file, const void* buffer) {
    DeviceHandleObject* handle = FindHandle(file);
    if (handle == nullptr || buffer == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!handle->device->present) {
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return nullptr;
    }
    return handle;
}

void SetResult(LPOVERLAPPED overlapped, ULONG_PTR status, DWORD bytes) {
    if (overlapped == nullptr) return;
    overlapped->Internal = status;
    overlapped->InternalHigh = bytes;
    if (overlapped->hEvent != nullptr) SignalEventLocked(overlapped->hEvent);
}

void MarkPending(LPOVERLAPPED overlapped) {
    overlapped->Internal = STATUS_PENDING;
    overlapped->InternalHigh = 0;
    // Starting an overlapped operation resets its event.
    if (overlapped->hEvent != nullptr) ResetEventLocked(overlapped->hEvent);
}

void Record(VirtualHid& device, RecordedReport::Kind kind, const std::uint8_t* bytes, DWORD n) {
    ++device.receivedCount;
    if (!device.keepReports) return;
    device.reports.push_back({kind, timeGetTime(), std::vector<std::uint8_t>(bytes, bytes + n)});
}

}  // namespace

VirtualHid::VirtualHid(const VirtualHidConfig& config)
    : config_(config), parsed_(ParseReportDescriptor(config.descriptor)) {}

std::uint64_t VirtualHid::ReceivedCount() const {
    std::lock_guard<std::mutex> guard(TableLock());
    return receivedCount;
}

std::vector<RecordedReport> VirtualHid::Reports() const {
    std::lock_guard<std::mutex> guard(TableLock());
    return reports;
}

bool VirtualHid::LastOutputReport(std::vector<std::uint8_t>* bytes) const {
    std::lock_guard<std::mutex> guard(TableLock());
    for (auto r = reports.rbegin(); r != reports.rend(); ++r) {
        if (r->kind != RecordedReport::Output) continue;
        *bytes = r->bytes;
        return true;
    }
    return false;
}

std::vector<std::vector<std::uint8_t>> VirtualHid::OutputReports() const {
    std::lock_guard<std::mutex> guard(TableLock());
    std::vector<std::vector<std::uint8_t>> out;
    for (const RecordedReport& r : reports) {
        if (r.kind == RecordedReport::Output) out.push_back(r.bytes);
    }
    return out;
}

void VirtualHid::ClearReports() {
    std::lock_guard<std::mutex> guard(TableLock());
    reports.clear();
}

void VirtualHid::QueueInput(const std::vector<std::uint8_t>& report) {
    std::lock_guard<std::mutex> guard(TableLock());
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (!pending[i].isWrite) {
            // A read is waiting: it takes the report at once.
            const DWORD n = std::min<DWORD>(pending[i].length, static_cast<DWORD>(report.size()));
            // An empty report has no data to copy from.
            if (n > 0) std::memcpy(pending[i].buffer, report.data(), n);
            CompleteLocked(i, kStatusSuccess, n);
            return;
        }
    }
    inputQueue.push_back(report);
}

std::size_t VirtualHid::QueuedInputCount() const {
    std::lock_guard<std::mutex> guard(TableLock());
    return inputQueue.size();
}

std::size_t VirtualHid::PendingCount() const {
    std::lock_guard<std::mutex> guard(TableLock());
    return pending.size();
}

void VirtualHid::Unplug() {
    std::lock_guard<std::mutex> guard(TableLock());
    present = false;
    while (!pending.empty())
        CompleteLocked(0, kStatusNotConnected, 0);
}

void VirtualHid::HoldWrites(bool hold) {
    std::lock_guard<std::mutex> guard(TableLock());
    holdWrites = hold;
}

void VirtualHid::ReleaseHeldWrites() {
    std::lock_guard<std::mutex> guard(TableLock());
    for (std::size_t i = 0; i < pending.size();) {
        if (pending[i].isWrite) {
            Record(*this, RecordedReport::Output, pending[i].data.data(),
                   static_cast<DWORD>(pending[i].data.size()));
            CompleteLocked(i, kStatusSuccess, static_cast<DWORD>(pending[i].data.size()));
        } else {
            ++i;
        }
    }
}

void VirtualHid::RefuseFeatures(bool refuse) { RefuseFeaturesAfter(refuse ? 0 : -1); }

void VirtualHid::RefuseFeaturesAfter(int accepted) {
    std::lock_guard<std::mutex> guard(TableLock());
    featureAllowance = accepted;
}

void VirtualHid::RefusePreparsedData(bool refuse) {
    std::lock_guard<std::mutex> guard(TableLock());
    refusePreparsedData = refuse;
}

void VirtualHid::RefuseCaps(bool refuse) {
    std::lock_guard<std::mutex> guard(TableLock());
    refuseCaps = refuse;
}

void VirtualHid::CompleteLocked(std::size_t index, ULONG_PTR status, DWORD bytes) {
    OVERLAPPED* overlapped = pending[index].overlapped;
    pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(index));
    SetResult(overlapped, status, bytes);
}

void VirtualHid::CancelLocked(DeviceHandleObject* handle) {
    for (std::size_t i = 0; i < pending.size();) {
        if (pending[i].handle == handle) {
            CompleteLocked(i, STATUS_CANCELLED, 0);
        } else {
            ++i;
        }
    }
}

std::shared_ptr<VirtualHid> PlugVirtualHid(const VirtualHidConfig& config) {
    auto device = std::make_shared<VirtualHid>(config);
    std::lock_guard<std::mutex> guard(TableLock());
    Devices().push_back(device);
    return device;
}

void UnplugAllVirtualHids() {
    std::vector<std::shared_ptr<VirtualHid>> devices;
    {
        std::lock_guard<std::mutex> guard(TableLock());
        devices.swap(Devices());
    }
    for (auto& device : devices)
        device->Unplug();
}

void RemoveVirtualHid(const std::shared_ptr<VirtualHid>& device) {
    {
        std::lock_guard<std::mutex> guard(TableLock());
        auto& devices = Devices();
        devices.erase(std::remove(devices.begin(), devices.end(), device), devices.end());
    }
    device->Unplug();
}

std::vector<std::uint8_t> BuiltInWheelDescriptor() {
    return {
        0x05, 0x01,                    // Usage Page (Generic Desktop)
        0x09, 0x04,                    // Usage (Joystick)
        0xA1, 0x01,                    // Collection (Application)
        0x85, 0x01,                    //   Report ID (1)
        0x09, 0x30,                    //   Usage (X)
        0x09, 0x31,                    //   Usage (Y)
        0x15, 0x00,                    //   Logical Minimum (0)
        0x26, 0xFF, 0x03,              //   Logical Maximum (1023)
        0x75, 0x0A,                    //   Report Size (10)
        0x95, 0x02,                    //   Report Count (2)
        0x81, 0x02,                    //   Input (Data, Variable, Absolute)
        0x05, 0x09,                    //   Usage Page (Button)
        0x19, 0x01,                    //   Usage Minimum (1)
        0x29, 0x0C,                    //   Usage Maximum (12)
        0x15, 0x00,                    //   Logical Minimum (0)
        0x25, 0x01,                    //   Logical Maximum (1)
        0x75, 0x01,                    //   Report Size (1)
        0x95, 0x0C,                    //   Report Count (12)
        0x81, 0x02,                    //   Input (Data, Variable, Absolute)
        0x05, 0x01,                    //   Usage Page (Generic Desktop)
        0x09, 0xBB,                    //   Usage (0xBB): the force value
        0x15, 0x00,                    //   Logical Minimum (0)
        0x27, 0xFF, 0xFF, 0x00, 0x00,  // Logical Maximum (65535)
        0x75, 0x10,                    //   Report Size (16)
        0x95, 0x01,                    //   Report Count (1)
        0x91, 0x02,                    //   Output (Data, Variable, Absolute)
        0x06, 0x00, 0xFF,              //   Usage Page (Vendor 0xFF00)
        0x85, 0x02,                    //   Report ID (2): the spring switch
        0x09, 0x01,                    //   Usage (1)
        0x09, 0x02,                    //   Usage (2)
        0x95, 0x02,                    //   Report Count (2)
        0xB1, 0x02,                    //   Feature (Data, Variable, Absolute)
        0x85, 0x03,                    //   Report ID (3): the spring strength
        0x09, 0x03,                    //   Usage (3)
        0x09, 0x04,                    //   Usage (4)
        0xB1, 0x02,                    //   Feature (Data, Variable, Absolute)
        0xC0,                          // End Collection
    };
}

std::string HidDevicePath(USHORT vendorId, USHORT productId, const std::string& instance) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", vendorId, productId);
    return std::string("\\\\?\\hid#") + ids + "#" + instance +
           "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

VirtualHidConfig BuiltInWheel() {
    VirtualHidConfig config;
    config.descriptor = BuiltInWheelDescriptor();
    config.vendorId = 0x5A1C;
    config.productId = 0xE410;
    config.path = HidDevicePath(0x5A1C, 0xE410, "0000");
    return config;
}

std::string DeviceParametersKey(const std::string& path, bool ntAbove4) {
    std::string key =
        "System\\CurrentControlSet\\Control\\DeviceClasses\\"
        "{4d1e55b2-f16f-11cf-88cb-001111000030}\\";
    key += ntAbove4 ? "##?#" : "##.#";
    key += path.size() > 4 ? path.substr(4) : "";
    return key + "\\#\\Device Parameters\\DirectX";
}

namespace {
std::vector<BYTE> GuidBytes(const GUID& guid) {
    std::vector<BYTE> bytes(sizeof(GUID));
    std::memcpy(bytes.data(), &guid, sizeof(GUID));
    return bytes;
}
}  // namespace

void SetDeviceParametersEntry(const std::string& path, const GUID& instance, DWORD joystickId) {
    for (bool nt : {true, false}) {
        const std::string key = DeviceParametersKey(path, nt);
        SetRegistryValue(HKEY_LOCAL_MACHINE, key, "GUID", REG_BINARY, GuidBytes(instance));
        SetRegistryDword(HKEY_LOCAL_MACHINE, key, "Joystick Id", joystickId);
    }
}

void SetCalibrationEntry(USHORT vendorId, USHORT productId, int index, const GUID& instance,
                         DWORD joystickId) {
    char key[256];
    std::snprintf(key, sizeof key,
                  "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\"
                  "DirectInput\\VID_%04X&PID_%04X\\Calibration\\%d",
                  vendorId, productId, index);
    SetRegistryValue(HKEY_LOCAL_MACHINE, key, "GUID", REG_BINARY, GuidBytes(instance));
    SetRegistryDword(HKEY_LOCAL_MACHINE, key, "Joystick Id", joystickId);
}

int OpenDeviceHandleCount() { return liveDeviceHandles; }

int LivePreparsedDataCount() { return livePreparsed; }

void ResetStandIn() {
    UnplugAllVirtualHids();
    ResetRegistry();
    UseSteadyClock();
    SetSleepGranularity(1);
    HoldNewThreads(false);
    ClearDebugOutput();
}

}  // namespace host

using namespace host;

// SetupAPI: a snapshot of the present devices' paths.
HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, LPCSTR, HWND, DWORD flags) {
    if (classGuid == nullptr || !(flags & DIGCF_DEVICEINTERFACE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto* list = new DeviceList();
    std::lock_guard<std::mutex> guard(TableLock());
    if (IsEqualGUID(*classGuid, kHidInterfaceGuid)) {
        for (auto& device : Devices()) {
            if (device->present) list->paths.push_back(device->Config().path);
        }
    }
    return list;
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO devices, SP_DEVINFO_DATA*, const GUID* interfaceGuid,
                                 DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
    auto* list = static_cast<DeviceList*>(devices);
    if (list == nullptr || devices == INVALID_HANDLE_VALUE || data == nullptr ||
        interfaceGuid == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (index >= list->paths.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->InterfaceClassGuid = *interfaceGuid;
    data->Flags = 1;
    data->Reserved = index;
    return TRUE;
}

BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO devices, PSP_DEVICE_INTERFACE_DATA data,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD detailSize,
                                      PDWORD requiredSize, SP_DEVINFO_DATA*) {
    auto* list = static_cast<DeviceList*>(devices);
    if (list == nullptr || data == nullptr || data->Reserved >= list->paths.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string& path = list->paths[data->Reserved];
    const DWORD required = static_cast<DWORD>(
        offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
    if (requiredSize != nullptr) *requiredSize = required;
    if (detail == nullptr || detailSize < required) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO devices) {
    if (devices == nullptr || devices == INVALID_HANDLE_VALUE) return FALSE;
    delete static_cast<DeviceList*>(devices);
    return TRUE;
}

// Device handles.
HANDLE CreateFileA(LPCSTR path, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD disposition, DWORD,
                   HANDLE) {
    std::lock_guard<std::mutex> guard(TableLock());
    if (path != nullptr && disposition == OPEN_EXISTING) {
        for (auto& device : Devices()) {
            if (device->present && Lower(device->Config().path) == Lower(path)) {
                auto handle = std::make_unique<DeviceHandleObject>();
                handle->device = device;
                return AddObject(std::move(handle));
            }
        }
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, LPDWORD written, LPOVERLAPPED overlapped) {
    std::lock_guard<std::mutex> guard(TableLock());
    if (written != nullptr) *written = 0;
    DeviceHandleObject* handle = HandleForIo(file, buffer);
    if (handle == nullptr) return FALSE;
    VirtualHid& device = *handle->device;
    if (bytes != device.Parsed().outputLength || bytes == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* data = static_cast<const std::uint8_t*>(buffer);
    if (device.holdWrites && overlapped != nullptr) {
        MarkPending(overlapped);
        PendingIo io;
        io.handle = handle;
        io.overlapped = overlapped;
        io.isWrite = true;
        io.data.assign(data, data + bytes);
        device.pending.push_back(io);
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    Record(device, RecordedReport::Output, data, bytes);
    if (written != nullptr) *written = bytes;
    SetResult(overlapped, kStatusSuccess, bytes);
    return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytes, LPDWORD read, LPOVERLAPPED overlapped) {
    std::lock_guard<std::mutex> guard(TableLock());
    if (read != nullptr) *read = 0;
    DeviceHandleObject* handle = HandleForIo(file, buffer);
    if (handle == nullptr) return FALSE;
    VirtualHid& device = *handle->device;
    if (bytes < device.Parsed().inputLength || device.Parsed().inputLength == 0) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    auto* destination = static_cast<std::uint8_t*>(buffer);
    if (!device.inputQueue.empty()) {
        const std::vector<std::uint8_t>& report = device.inputQueue.front();
        const DWORD n = std::min<DWORD>(bytes, static_cast<DWORD>(report.size()));
        if (n > 0) std::memcpy(destination, report.data(), n);  // an empty one has no data
        device.inputQueue.pop_front();
        if (read != nullptr) *read = n;
        SetResult(overlapped, kStatusSuccess, n);
        return TRUE;
    }
    if (overlapped == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);  // a blocking read would never return here
        return FALSE;
    }
    MarkPending(overlapped);
    PendingIo io;
    io.handle = handle;
    io.overlapped = overlapped;
    io.buffer = destination;
    io.length = bytes;
    device.pending.push_back(io);
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL wait) {
    std::unique_lock<std::mutex> guard(TableLock());
    if (FindHandle(file) == nullptr || overlapped == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (overlapped->Internal == STATUS_PENDING) {
        if (!wait) {
            SetLastError(ERROR_IO_INCOMPLETE);
            return FALSE;
        }
        TableChanged().wait(guard, [&] { return overlapped->Internal != STATUS_PENDING; });
    }
    if (transferred != nullptr) *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    if (overlapped->Internal == kStatusSuccess) return TRUE;
    SetLastError(overlapped->Internal == STATUS_CANCELLED ? ERROR_OPERATION_ABORTED
                                                          : ERROR_DEVICE_NOT_CONNECTED);
    return FALSE;
}

BOOL CancelIo(HANDLE file) {
    std::lock_guard<std::mutex> guard(TableLock());
    DeviceHandleObject* handle = FindHandle(file);
    if (handle == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    handle->device->CancelLocked(handle);
    return TRUE;
}

// HID devices are not comm devices: the call fails, as on Windows.
BOOL SetCommTimeouts(HANDLE, LPCOMMTIMEOUTS) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
}

// The HidD_ functions.
void HidD_GetHidGuid(LPGUID guid) {
    if (guid != nullptr) *guid = kHidInterfaceGuid;
}

BOOLEAN HidD_GetAttributes(HANDLE file, PHIDD_ATTRIBUTES attributes) {
    std::lock_guard<std::mutex> guard(TableLock());
    DeviceHandleObject* handle = FindHandle(file);
    if (handle == nullptr || attributes == nullptr || !handle->device->present) return FALSE;
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    attributes->VendorID = handle->device->Config().vendorId;
    attributes->ProductID = handle->device->Config().productId;
    attributes->VersionNumber = 0x0100;
    return TRUE;
}

BOOLEAN HidD_GetPreparsedData(HANDLE file, PHIDP_PREPARSED_DATA* preparsed) {
    std::lock_guard<std::mutex> guard(TableLock());
    DeviceHandleObject* handle = FindHandle(file);
    if (handle == nullptr || preparsed == nullptr || !handle->device->present ||
        !handle->device->Parsed().valid || handle->device->refusePreparsedData) {
        return FALSE;
    }
    *preparsed = new _HIDP_PREPARSED_DATA{handle->device->Parsed(), handle->device->refuseCaps};
    ++livePreparsed;
    return TRUE;
}

BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsed) {
    if (preparsed == nullptr) return FALSE;
    delete preparsed;
    --livePreparsed;
    return TRUE;
}

BOOLEAN HidD_SetFeature(HANDLE file, PVOID report, ULONG length) {
    std::lock_guard<std::mutex> guard(TableLock());
    DeviceHandleObject* handle = FindHandle(file);
    if (handle == nullptr || report == nullptr) return FALSE;
    VirtualHid& device = *handle->device;
    if (!device.present || device.featureAllowance == 0 ||
        length != device.Parsed().featureLength) {
        return FALSE;
    }
    if (device.featureAllowance > 0) --device.featureAllowance;
    Record(device, RecordedReport::Feature, static_cast<const std::uint8_t*>(report), length);
    return TRUE;
}
