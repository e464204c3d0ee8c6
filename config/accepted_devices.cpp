// Parsing, formatting and loading the list of accepted devices.
#include "config/accepted_devices.h"

#include <cstdio>
#include <cstring>

#include "config/registry_access.h"
#include "config/settings_store.h"

namespace quorforce {
namespace {

constexpr int kListTextSize = 1024;  // longer lists are not read

bool ParseHex4(const char* text, std::uint16_t* value) {
    unsigned result = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = text[i];
        const unsigned digit = c >= '0' && c <= '9'   ? static_cast<unsigned>(c - '0')
                               : c >= 'a' && c <= 'f' ? static_cast<unsigned>(c - 'a' + 10)
                               : c >= 'A' && c <= 'F' ? static_cast<unsigned>(c - 'A' + 10)
                                                      : 16u;
        if (digit > 15) return false;
        result = result * 16 + digit;
    }
    *value = static_cast<std::uint16_t>(result);
    return true;
}

bool HasPrefix(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        const char c = (*text >= 'a' && *text <= 'z') ? static_cast<char>(*text - 32) : *text;
        if (c != *prefix) return false;
    }
    return true;
}

bool IsSeparator(char c) { return c == ' ' || c == ',' || c == ';' || c == '\t'; }

}  // namespace

bool ParseDeviceName(const char* text, int length, AcceptedDevice* device) {
    AcceptedDevice parsed;
    if (text == nullptr || (length != 8 && length != 17) || !HasPrefix(text, "VID_") ||
        !ParseHex4(text + 4, &parsed.vendorId)) {
        return false;
    }
    parsed.anyProduct = length == 8;
    if (!parsed.anyProduct &&
        (!HasPrefix(text + 8, "&PID_") || !ParseHex4(text + 13, &parsed.productId))) {
        return false;
    }
    *device = parsed;
    return true;
}

void FormatDeviceName(const AcceptedDevice& device, char (&name)[kDeviceNameSize]) {
    if (device.anyProduct) {
        std::snprintf(name, sizeof name, "VID_%04X", device.vendorId);
    } else {
        std::snprintf(name, sizeof name, "VID_%04X&PID_%04X", device.vendorId, device.productId);
    }
}

int ParseAcceptedDevices(const char* text, AcceptedDevice (&devices)[kMaxAcceptedDevices]) {
    int count = 0;
    const char* at = text;
    while (at != nullptr && *at != '\0' && count < kMaxAcceptedDevices) {
        while (IsSeparator(*at))
            ++at;
        const char* end = at;
        while (*end != '\0' && !IsSeparator(*end))
            ++end;
        if (end != at && ParseDeviceName(at, static_cast<int>(end - at), &devices[count])) ++count;
        at = end;
    }
    return count;
}

int LoadAcceptedDevices(AcceptedDevice (&devices)[kMaxAcceptedDevices]) {
    char text[kListTextSize] = {};
    DWORD length = 0;
    // One byte kept back, so that a value stored without its end still ends.
    if (!ReadConfigBinary(text, sizeof text - 1, kProductKey, kAcceptedDevicesValue, &length)) {
        return 0;
    }
    text[length < sizeof text ? length : sizeof text - 1] = '\0';
    return ParseAcceptedDevices(text, devices);
}

}  // namespace quorforce
