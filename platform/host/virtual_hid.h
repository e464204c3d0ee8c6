// Host stand-in: virtual HID devices. Each is made from a real report descriptor, a vendor
// and product id and a device path. SetupAPI enumerates the present ones, CreateFileA
// opens them, and the file and HID functions act on them. A test or tool sees every output
// and feature report a device received (with the clock's time), queues input reports, and
// injects faults: unplugged, writes that stay pending, refused feature requests.
// virtual_hid.cpp is the device model, virtual_hid_api.cpp the SetupAPI, file and HID
// functions over it, virtual_hid_wheel.cpp the built-in wheel (its descriptor shared with the
// Wine minidriver in virtual_hid_wheel_descriptor.h).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/file_io.h"
#include "platform/host/hid_descriptor.h"
#include "platform/host/win_types.h"

namespace host {

struct VirtualHidConfig {
    std::vector<std::uint8_t> descriptor;
    USHORT vendorId = 0;
    USHORT productId = 0;
    std::string path;
};

struct RecordedReport {
    enum Kind { Output, Feature };
    Kind kind = Output;
    DWORD time = 0;  // timeGetTime when the device received it
    std::vector<std::uint8_t> bytes;
};

struct DeviceHandleObject;

// One overlapped operation the device has not completed yet.
struct PendingIo {
    DeviceHandleObject* handle = nullptr;
    OVERLAPPED* overlapped = nullptr;
    bool isWrite = false;
    std::vector<std::uint8_t> data;  // a write's report
    std::uint8_t* buffer = nullptr;  // a read's destination
    DWORD length = 0;
};

class VirtualHid {
public:
    explicit VirtualHid(const VirtualHidConfig& config);

    const VirtualHidConfig& Config() const { return config_; }
    const ParsedDescriptor& Parsed() const { return parsed_; }

    std::vector<RecordedReport> Reports() const;
    // The newest output report received, without copying the others; false when none.
    bool LastOutputReport(std::vector<std::uint8_t>* bytes) const;
    std::uint64_t ReceivedCount() const;  // receivedCount, read under the kernel table lock
    // The output reports only, as bytes.
    std::vector<std::vector<std::uint8_t>> OutputReports() const;
    void ClearReports();
    void QueueInput(const std::vector<std::uint8_t>& report);
    std::size_t QueuedInputCount() const;
    std::size_t PendingCount() const;

    // Gone from the system: opens fail and I/O on open handles reports not connected.
    void Unplug();
    // Writes stay pending until released (then received) or cancelled.
    void HoldWrites(bool hold);
    void ReleaseHeldWrites();
    void RefuseFeatures(bool refuse);
    // Accepts `accepted` more feature requests, then refuses every one after them.
    void RefuseFeaturesAfter(int accepted);
    // Binding faults: HidD_GetPreparsedData fails, or HidP_GetCaps on its data.
    void RefusePreparsedData(bool refuse);
    void RefuseCaps(bool refuse);

    // Used by the stand-in's file and HID functions, with the kernel table lock held.
    bool present = true;
    bool holdWrites = false;
    int featureAllowance = -1;  // feature requests still accepted; -1: every one
    bool refusePreparsedData = false;
    bool refuseCaps = false;
    std::vector<RecordedReport> reports;
    bool keepReports = true;          // false: only counted, for runs of millions of ticks
    std::uint64_t receivedCount = 0;  // output and feature reports received
    std::deque<std::vector<std::uint8_t>> inputQueue;
    std::vector<PendingIo> pending;
    void CompleteLocked(std::size_t index, ULONG_PTR status, DWORD bytes);
    // The handle's pending operations; only those of `overlapped` unless it is null.
    void CancelLocked(DeviceHandleObject* handle, const OVERLAPPED* overlapped = nullptr);

private:
    VirtualHidConfig config_;
    ParsedDescriptor parsed_;
};

std::shared_ptr<VirtualHid> PlugVirtualHid(const VirtualHidConfig& config);
void UnplugAllVirtualHids();
// Unplugs one device and forgets it: handles still open on it report not connected.
void RemoveVirtualHid(const std::shared_ptr<VirtualHid>& device);

// The built-in virtual wheel: vendor 5A1C, product E410. Input report 1: X and Y (10 bits
// each, 0..1023) and 12 buttons; output report 1: one 16-bit value on usage page 1, usage
// 0xBB; feature reports 2 (vendor usages 1, 2) and 3 (usages 3, 4), 16 bits each, on
// page 0xFF00.
std::vector<std::uint8_t> BuiltInWheelDescriptor();
VirtualHidConfig BuiltInWheel();
// "\\?\hid#vid_XXXX&pid_XXXX#<instance>#{4d1e55b2-f16f-11cf-88cb-001111000030}"
std::string HidDevicePath(USHORT vendorId, USHORT productId, const std::string& instance);

// DirectInput's registry entries that give an interface its joystick id (machine hive).
std::string DeviceParametersKey(const std::string& path, bool ntAbove4);
void SetDeviceParametersEntry(const std::string& path, const GUID& instance, DWORD joystickId);
void SetCalibrationEntry(USHORT vendorId, USHORT productId, int index, const GUID& instance,
                         DWORD joystickId);

int OpenDeviceHandleCount();
int LivePreparsedDataCount();

}  // namespace host
