// Virtual devices for the device-link tests: a small report-descriptor builder, DirectInput
// registry entries, and a fixture that starts every test from an empty system.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hid/device_discovery.h"
#include "hid/report_io.h"
#include "platform/host/virtual_hid.h"
#include "platform/win32.h"

namespace quorforce::test {

// Short items of a report descriptor, each with the smallest data size that holds it.
class Descriptor {
public:
    Descriptor& Item(std::uint8_t tag, std::int64_t value) {
        const int size = value >= -128 && value <= 127       ? 1
                         : value >= -32768 && value <= 32767 ? 2
                                                             : 4;
        bytes_.push_back(static_cast<std::uint8_t>(tag | (size == 4 ? 3 : size)));
        for (int i = 0; i < size; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        return *this;
    }
    Descriptor& UsagePage(std::int64_t page) { return Item(0x04, page); }
    Descriptor& Usage(std::int64_t usage) { return Item(0x08, usage); }
    Descriptor& UsageRange(std::int64_t min, std::int64_t max) {
        return Item(0x18, min).Item(0x28, max);
    }
    Descriptor& Logical(std::int64_t min, std::int64_t max) {
        return Item(0x14, min).Item(0x24, max);
    }
    Descriptor& Size(int bits, int count) { return Item(0x74, bits).Item(0x94, count); }
    Descriptor& ReportId(int id) { return Item(0x84, id); }
    Descriptor& Input() { return Item(0x80, 0x02); }
    Descriptor& Output() { return Item(0x90, 0x02); }
    Descriptor& Feature() { return Item(0xB0, 0x02); }
    Descriptor& Application() { return Item(0xA0, 0x01); }
    Descriptor& End() {
        bytes_.push_back(0xC0);
        return *this;
    }
    // Generic-desktop buttons 1..count as one-bit variables.
    Descriptor& Buttons(int count) {
        return UsagePage(9).UsageRange(1, count).Logical(0, 1).Size(1, count).Input();
    }
    // The force value: one output field of `bits` bits on page 1, usage 0xBB.
    Descriptor& ForceOutput(int bits) {
        return UsagePage(1).Usage(0xBB).Logical(0, 0x7FFFFFFF).Size(bits, 1).Output();
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

inline GUID InstanceGuid(std::uint32_t n) {
    return GUID{0xA0000000u + n, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, static_cast<BYTE>(n)}};
}

// The built-in wheel's input report 1: X and Y (10 bits each) and 12 buttons.
inline std::vector<std::uint8_t> WheelInput(std::uint32_t x, std::uint32_t y = 512,
                                            std::uint32_t buttons = 0) {
    const std::uint32_t bits = (x & 0x3FF) | ((y & 0x3FF) << 10) | ((buttons & 0xFFF) << 20);
    return {1, static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

class DeviceLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        ZXLoadCancelIo(process);  // as the module's load does
    }
    void TearDown() override {
        for (DeviceLink& link : process.deviceLinks) {
            if (link.deviceHandle != nullptr) CloseHandle(link.deviceHandle);
            if (link.preparsedData != nullptr) HidD_FreePreparsedData(link.preparsedData);
        }
        ZXCloseEvents(process);
        ZXReleaseCancelIo(process);
        Reset();
    }
    void Reset() {
        host::ResetStandIn();
        host::SetSystemVersion(VER_PLATFORM_WIN32_NT, 6, 1);
        ZXReleaseBuffer(process);
        process = ProcessState{};
    }

    // A device carrying a joystick id through a DirectInput calibration entry.
    std::shared_ptr<host::VirtualHid> Plug(host::VirtualHidConfig config, int joystickId,
                                           int calibrationIndex = 0) {
        auto device = host::PlugVirtualHid(config);
        const GUID instance = InstanceGuid(static_cast<std::uint32_t>(++instances_));
        // The Device Parameters key gives the instance GUID; its own id (200) would only be a
        // fallback, so a test that sees 200 has read the wrong entry.
        host::SetDeviceParametersEntry(config.path, instance, 200);
        host::SetCalibrationEntry(config.vendorId, config.productId, calibrationIndex, instance,
                                  static_cast<DWORD>(joystickId));
        return device;
    }

    static host::VirtualHidConfig Config(const std::vector<std::uint8_t>& descriptor, USHORT vendor,
                                         USHORT product, const std::string& instance) {
        host::VirtualHidConfig config;
        config.descriptor = descriptor;
        config.vendorId = vendor;
        config.productId = product;
        config.path = host::HidDevicePath(vendor, product, instance);
        return config;
    }

    ProcessState process;  // no mutexes: the device link runs without rivals here
    int instances_ = 0;
};

}  // namespace quorforce::test
