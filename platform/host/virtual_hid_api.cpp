// Host stand-in: SetupAPI over the virtual HID devices, device handles with overlapped
// I/O (CreateFileA, WriteFile, ReadFile, GetOverlappedResult, CancelIo) and the HidD_
// functions, as the driver calls them. One lock (the kernel table's) guards all of it.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/host/hid.h"
#include "platform/host/kernel.h"
#include "platform/host/virtual_hid_internal.h"

namespace host {
namespace {

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

void MarkPending(LPOVERLAPPED overlapped) {
    overlapped->Internal = STATUS_PENDING;
    overlapped->InternalHigh = 0;
    // Starting an overlapped operation resets its event.
    if (overlapped->hEvent != nullptr) ResetEventLocked(overlapped->hEvent);
}

}  // namespace
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

BOOL CancelIoEx(HANDLE file, LPOVERLAPPED overlapped) {
    std::lock_guard<std::mutex> guard(TableLock());
    DeviceHandleObject* handle = FindHandle(file);
    if (handle == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    handle->device->CancelLocked(handle, overlapped);
    return TRUE;
}

// Every operation on the handle, whichever thread started it (Windows' cancels only the
// calling thread's).
BOOL CancelIo(HANDLE file) { return CancelIoEx(file, nullptr); }

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
