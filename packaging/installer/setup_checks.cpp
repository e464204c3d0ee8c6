// The setup's checks and the readers of its actions' data; pure.
#include "packaging/installer/setup_checks.h"

#include <cstring>

#include "config/accepted_devices.h"

namespace quorforce::setup {
namespace {

constexpr std::size_t kOemRootLength = sizeof kOemRoot - 1;

bool IsDecimal(const std::string& text, std::uint32_t* value) {
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + static_cast<unsigned>(c - '0');
    }
    if (result > 0xFFFFFFFFu) return false;
    *value = static_cast<std::uint32_t>(result);
    return true;
}

// A registry path of non-empty key names, none of which carries the data's separators.
bool IsKeyPath(const std::string& path) {
    if (path.empty() || path.front() == '\\' || path.back() == '\\' ||
        path.find("\\\\") != std::string::npos) {
        return false;
    }
    for (unsigned char c : path) {
        if (c < 0x20 || c == ';' || c == '|') return false;
    }
    return true;
}

bool IsValueName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == ';' || c == '|' || c == '\\') return false;
    }
    return true;
}

void ReplaceFirst(std::string& text, const char* from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, std::strlen(from), to);
}

}  // namespace

bool NormalizeHexId(std::string& id) {
    if (id.size() != 4) return false;
    for (char& c : id) {
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

bool IsDeviceName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || std::strchr("\\[]{};|", c) != nullptr) return false;
    }
    return true;
}

bool ParseDeviceData(const std::string& data, DeviceData* out) {
    const std::size_t bar = data.find('|');
    if (bar != 17) return false;
    AcceptedDevice device;
    if (!ParseDeviceName(data.c_str(), 17, &device) || device.anyProduct) return false;
    DeviceData parsed;
    char name[kDeviceNameSize];
    FormatDeviceName(device, name);
    parsed.device = name;
    parsed.vendorId = device.vendorId;
    parsed.productId = device.productId;
    parsed.name = data.substr(bar + 1);
    if (!parsed.name.empty() && !IsDeviceName(parsed.name)) return false;
    *out = parsed;
    return true;
}

std::string FormatPlan(const std::vector<PlannedValue>& plan) {
    std::string data;
    for (const PlannedValue& value : plan) {
        if (!data.empty()) data += ';';
        data += value.key + "|" + value.name + "|" +
                (value.isText ? "s|" + value.text : "d|" + std::to_string(value.number));
    }
    return data;
}

bool ParsePlan(const std::string& data, std::vector<PlannedValue>* plan) {
    std::vector<PlannedValue> parsed;
    if (!data.empty()) {
        for (const std::string& entry : Split(data, ';')) {
            const std::vector<std::string> f = Split(entry, '|');
            PlannedValue value;
            if (f.size() != 4 || !IsKeyPath(f[0]) || LevelsUpToWheelKey(f[0]) < 0 ||
                !IsValueName(f[1])) {
                return false;
            }
            value.key = f[0];
            value.name = f[1];
            if (f[2] == "s") {
                value.isText = true;
                value.text = f[3];
            } else if (f[2] != "d" || !IsDecimal(f[3], &value.number)) {
                return false;
            }
            parsed.push_back(value);
        }
    }
    *plan = parsed;
    return true;
}

bool ParseTemplateValue(const std::string& entry, const std::string& vid, const std::string& pid,
                        TemplateValue* out) {
    const std::vector<std::string> f = Split(entry, '|');
    TemplateValue value;
    if (f.size() != 3 || !IsValueName(f[1]) || !IsDecimal(f[2], &value.number)) return false;
    value.key = f[0];
    ReplaceFirst(value.key, "VVVV", vid);
    ReplaceFirst(value.key, "PPPP", pid);
    value.key = kOemRoot + value.key;
    if (!IsKeyPath(value.key) || LevelsUpToWheelKey(value.key) < 0) return false;
    value.name = f[1];
    *out = value;
    return true;
}

int LevelsUpToWheelKey(const std::string& path) {
    if (path.size() <= kOemRootLength || path.compare(0, kOemRootLength, kOemRoot) != 0 ||
        !IsKeyPath(path)) {
        return -1;
    }
    int levels = 0;
    for (std::size_t at = kOemRootLength; at < path.size(); ++at)
        levels += path[at] == '\\';
    return levels;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = text.find(separator, at);
        parts.push_back(text.substr(at, end == std::string::npos ? end : end - at));
        if (end == std::string::npos) return parts;
        at = end + 1;
    }
}

}  // namespace quorforce::setup
