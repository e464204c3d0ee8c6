// Host stand-in: the virtual HID devices themselves (plugging, the reports they received,
// queued input, pending I/O and the faults a test injects) and the DirectInput registry
// entries that name their joystick ids. The SetupAPI, file and HID functions over them are
// in virtual_hid_api.cpp. One lock (the kernel table's) guards all of it.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/host/kernel.h"
#include "platform/host/registry.h"
#include "platform/host/system.h"
#include "platform/host/virtual_hid_internal.h"

namespace host {

std::atomic<int> liveDeviceHandles{0};
std::atomic<int> livePreparsed{0};

std::vector<std::shared_ptr<VirtualHid>>& Devices() {
    static std::vector<std::shared_ptr<VirtualHid>> devices;
    return devices;
}

void SetResult(LPOVERLAPPED overlapped, ULONG_PTR status, DWORD bytes) {
    if (overlapped == nullptr) return;
    overlapped->Internal = status;
    overlapped->InternalHigh = bytes;
    if (overlapped->hEvent != nullptr) SignalEventLocked(overlapped->hEvent);
}

void Record(VirtualHid& device, RecordedReport::Kind kind, const std::uint8_t* bytes, DWORD n) {
    ++device.receivedCount;
    if (!device.keepReports) return;
    device.reports.push_back({kind, timeGetTime(), std::vector<std::uint8_t>(bytes, bytes + n)});
}

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

void VirtualHid::CancelLocked(DeviceHandleObject* handle, const OVERLAPPED* overlapped) {
    for (std::size_t i = 0; i < pending.size();) {
        if (pending[i].handle == handle &&
            (overlapped == nullptr || pending[i].overlapped == overlapped)) {
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

std::string HidDevicePath(USHORT vendorId, USHORT productId, const std::string& instance) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", vendorId, productId);
    return std::string("\\\\?\\hid#") + ids + "#" + instance +
           "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
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
    SetProcessImage(kDefaultProcessImage);
}

}  // namespace host
