// Parsing, formatting and editing the list of accepted devices: pure text, no registry.
#include "config/accepted_devices.h"

#include <cstdio>

namespace quorforce {
namespace {

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

bool NamesDevice(const char* word, int length, const AcceptedDevice& device) {
    AcceptedDevice named;
    return !device.anyProduct && ParseDeviceName(word, length, &named) && !named.anyProduct &&
           named.vendorId == device.vendorId && named.productId == device.productId;
}

void Append(std::string& text, const char* word, int length) {
    if (!text.empty()) text += ' ';
    text.append(word, static_cast<std::size_t>(length));
}

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

const char* NextListWord(const char** at, int* length) {
    const char* start = *at;
    if (start == nullptr) return nullptr;
    while (IsSeparator(*start))
        ++start;
    const char* end = start;
    while (*end != '\0' && !IsSeparator(*end))
        ++end;
    *at = end;
    *length = static_cast<int>(end - start);
    return end == start ? nullptr : start;
}

int ParseAcceptedDevices(const char* text, AcceptedDevice (&devices)[kMaxAcceptedDevices]) {
    int count = 0, length = 0;
    const char* at = text;
    for (const char* word = NextListWord(&at, &length);
         word != nullptr && count < kMaxAcceptedDevices; word = NextListWord(&at, &length)) {
        if (ParseDeviceName(word, length, &devices[count])) ++count;
    }
    return count;
}

bool ListNamesDevice(const char* text, const AcceptedDevice& device) {
    int length = 0;
    const char* at = text;
    for (const char* word = NextListWord(&at, &length); word != nullptr;
         word = NextListWord(&at, &length)) {
        if (NamesDevice(word, length, device)) return true;
    }
    return false;
}

bool AddToList(std::string& text, const AcceptedDevice& device) {
    AcceptedDevice parsed[kMaxAcceptedDevices];
    if (ParseAcceptedDevices(text.c_str(), parsed) == kMaxAcceptedDevices) return false;
    std::string edited;
    int length = 0;
    const char* at = text.c_str();
    for (const char* word = NextListWord(&at, &length); word != nullptr;
         word = NextListWord(&at, &length)) {
        Append(edited, word, length);
    }
    char name[kDeviceNameSize];
    FormatDeviceName(device, name);
    Append(edited, name, device.anyProduct ? 8 : 17);
    text = edited;
    return true;
}

bool RemoveFromList(std::string& text, const AcceptedDevice& device) {
    std::string kept;
    bool removed = false;
    int length = 0;
    const char* at = text.c_str();
    for (const char* word = NextListWord(&at, &length); word != nullptr;
         word = NextListWord(&at, &length)) {
        if (NamesDevice(word, length, device)) {
            removed = true;
        } else {
            Append(kept, word, length);
        }
    }
    if (removed) text = kept;
    return removed;
}

}  // namespace quorforce
