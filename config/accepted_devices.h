// The wheels the binding accepts beyond the two built-in vendors: "Accepted_Devices", a
// text under the product key that lists device names, "VID_046D&PID_C294" for one model or
// "VID_046D" for every product of a vendor, separated by spaces, commas or semicolons. The
// registration of a device adds its name; a device maker may write it too. Read by DeviceID
// (under the TableMutex) and by the registration; never per tick.
#pragma once

#include <cstdint>

namespace quorforce {

constexpr const char* kAcceptedDevicesValue = "Accepted_Devices";
constexpr int kMaxAcceptedDevices = 16;
constexpr int kDeviceNameSize = 18;  // "VID_XXXX&PID_XXXX" and its end

struct AcceptedDevice {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool anyProduct = false;  // "VID_XXXX" alone
};

// One name, in either case; false for anything else.
bool ParseDeviceName(const char* text, int length, AcceptedDevice* device);
// "VID_XXXX&PID_XXXX" (or "VID_XXXX" for every product), upper-case hexadecimal.
void FormatDeviceName(const AcceptedDevice& device, char (&name)[kDeviceNameSize]);

// The names of `text` that parse, in order, at most kMaxAcceptedDevices; the count.
int ParseAcceptedDevices(const char* text, AcceptedDevice (&devices)[kMaxAcceptedDevices]);
// The list stored under the product key (current user first, as every setting); 0 when
// there is none.
int LoadAcceptedDevices(AcceptedDevice (&devices)[kMaxAcceptedDevices]);

}  // namespace quorforce
