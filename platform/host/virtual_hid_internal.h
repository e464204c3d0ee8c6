// Host stand-in, inside the virtual HID devices: what the device model and the API
// stand-ins over it share. Everything here is used with the kernel table lock held.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "platform/host/kernel_objects.h"
#include "platform/host/virtual_hid.h"

namespace host {

constexpr ULONG_PTR kStatusSuccess = 0;
constexpr ULONG_PTR kStatusNotConnected = 0xC000009Du;
// GUID_DEVINTERFACE_HID: the interface class SetupAPI enumerates the devices under.
const GUID kHidInterfaceGuid = {
    0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

extern std::atomic<int> liveDeviceHandles;
extern std::atomic<int> livePreparsed;

// An open handle on a device: closing it cancels its I/O.
struct DeviceHandleObject : KernelObject {
    std::shared_ptr<VirtualHid> device;
    DeviceHandleObject() { ++liveDeviceHandles; }
    ~DeviceHandleObject() override {
        device->CancelLocked(this);
        --liveDeviceHandles;
    }
};

// The plugged devices, present or unplugged but still held by open handles' owners.
std::vector<std::shared_ptr<VirtualHid>>& Devices();
// Completes an overlapped operation: its status, its byte count, its event.
void SetResult(LPOVERLAPPED overlapped, ULONG_PTR status, DWORD bytes);
// A report the device received: counted, and kept with the clock's time unless told not to.
void Record(VirtualHid& device, RecordedReport::Kind kind, const std::uint8_t* bytes, DWORD n);

}  // namespace host
