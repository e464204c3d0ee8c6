// The wheels the binding accepts beyond the two built-in vendors: "Accepted_Devices", a
// text under the product key that lists device names, "VID_046D&PID_C294" for one model or
// "VID_046D" for every product of a vendor, separated by spaces, commas, semicolons or tabs.
// The registration of a device adds its name, and the setup's actions add and take away the
// wheel they install; a device maker may write it too. Parsing and editing are pure (the
// setup's actions DLL links this file alone, so that both read the list one way); loading
// is in accepted_devices_load.cpp. Read by DeviceID (under the TableMutex) and by the
// registration; never per tick.
#pragma once

#include <cstdint>
#include <string>

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

// The next word of a list from `*at`: skips separators, sets `*length` and moves `*at` past
// the word; nullptr at the end of the text.
const char* NextListWord(const char** at, int* length);

// The names of `text` that parse, in order, at most kMaxAcceptedDevices; the count.
int ParseAcceptedDevices(const char* text, AcceptedDevice (&devices)[kMaxAcceptedDevices]);
// The list stored under the product key (current user first, as every setting); 0 when
// there is none.
int LoadAcceptedDevices(AcceptedDevice (&devices)[kMaxAcceptedDevices]);

// Edits of a stored list that keep every other word as it was (also one the driver cannot
// read), one space between words. A device matches a word naming exactly its vendor and
// product; a vendor's "VID_XXXX" is never the name of one model.
bool ListNamesDevice(const char* text, const AcceptedDevice& device);
// `text` with the device's name at the end; false (and `text` unchanged) when the driver
// would not read it there, the list already holding kMaxAcceptedDevices names.
bool AddToList(std::string& text, const AcceptedDevice& device);
// `text` without any word naming the device; true when one was taken away.
bool RemoveFromList(std::string& text, const AcceptedDevice& device);

}  // namespace quorforce
