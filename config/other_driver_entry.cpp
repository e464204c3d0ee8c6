// Setting aside and putting back another driver's force-feedback entry of a wheel model.
// Runs on the thread that registers (regsvr32, or the setup's deferred actions).
#include "config/other_driver_entry.h"

#include <cctype>
#include <cstring>
#include <string>

#include "config/registry_layout.h"
#include "config/registry_tree.h"

namespace quorforce {
namespace {

// The two values of the actuator axis that quorforce's registration writes over.
const char* const kAxisValues[] = {"Attributes", "FFAttributes"};
// Bounds on what a copy reads, so that a hostile or damaged tree cannot make it run long or
// allocate without end: the documented entry is two levels deep and a few hundred bytes.
constexpr int kMaxDepth = 6;
constexpr DWORD kMaxChildren = 256;
constexpr DWORD kMaxValueSize = 4096;

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// "VID_XXXX&PID_XXXX": the one form a wheel model's key has, so no name can reach outside it.
bool IsDeviceName(const char* device) {
    static const char kForm[] = "VID_####&PID_####";
    if (device == nullptr || std::strlen(device) != sizeof kForm - 1) return false;
    for (std::size_t i = 0; i < sizeof kForm - 1; ++i) {
        if (kForm[i] == '#' ? !IsHex(device[i]) : device[i] != kForm[i]) return false;
    }
    return true;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; anything else names no class.
bool IsClassIdText(const std::string& text) {
    static const char kForm[] = "{########-####-####-####-############}";
    if (text.size() != sizeof kForm - 1) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kForm[i] == '#' ? !IsHex(text[i]) : text[i] != kForm[i]) return false;
    }
    return true;
}

bool SameText(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

HKEY Open(const std::string& path, REGSAM access) {
    HKEY key = nullptr;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key) == ERROR_SUCCESS
               ? key
               : nullptr;
}

HKEY Create(const std::string& path) {
    HKEY key = nullptr;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS
               ? key
               : nullptr;
}

// The class id an entry names: its CLSID text, or "" when it has none.
std::string NamedClass(const std::string& entry) {
    std::string text;
    ReadText(HKEY_LOCAL_MACHINE, entry, kClassValue, &text, kClassIdTextSize);
    return text;
}

// A class some process can still create: its InprocServer32 in either registry view.
bool ClassIsRegistered(const std::string& classId) {
    if (!IsClassIdText(classId)) return false;
    const std::string path = kClassesKey + classId + kInprocServerSubkey;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key = Open(path, KEY_READ | view);
        if (key != nullptr) {
            RegCloseKey(key);
            return true;
        }
    }
    return false;
}

// Copies the value `name` of `from` to `to`; false only when one was there and not copied.
bool CopyValue(HKEY from, HKEY to, const char* name) {
    BYTE data[kMaxValueSize];
    DWORD type = 0, size = sizeof data;
    const LSTATUS read = RegQueryValueExA(from, name, nullptr, &type, data, &size);
    if (read == ERROR_FILE_NOT_FOUND) return true;
    return read == ERROR_SUCCESS && RegSetValueExA(to, name, 0, type, data, size) == ERROR_SUCCESS;
}

bool CopyValues(HKEY from, HKEY to) {
    char name[256];
    for (DWORD i = 0; i < kMaxChildren; ++i) {
        DWORD size = sizeof name;
        const LSTATUS status =
            RegEnumValueA(from, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return true;
        if (status != ERROR_SUCCESS || !CopyValue(from, to, name)) return false;
    }
    return false;  // more values than any entry has: not copied whole
}

// `from` with its values and subkeys, as `to`; false when any part was not copied.
bool CopyTree(const std::string& from, const std::string& to, int depth = 0) {
    if (depth > kMaxDepth) return false;
    HKEY source = Open(from, KEY_READ);
    if (source == nullptr) return false;
    HKEY target = Create(to);
    bool copied = target != nullptr && CopyValues(source, target);
    char name[256];
    DWORD i = 0;
    for (; copied && i < kMaxChildren; ++i) {
        DWORD size = sizeof name;
        const LSTATUS status =
            RegEnumKeyExA(source, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        copied =
            status == ERROR_SUCCESS && CopyTree(from + "\\" + name, to + "\\" + name, depth + 1);
    }
    if (target != nullptr) RegCloseKey(target);
    RegCloseKey(source);
    return copied && i < kMaxChildren;
}

// The two actuator values of `from` (when there) onto `to`.
bool CopyAxisValues(const std::string& from, const std::string& to) {
    HKEY source = Open(from, KEY_READ);
    if (source == nullptr) return true;  // nothing to carry
    HKEY target = Create(to);
    bool copied = target != nullptr;
    for (const char* name : kAxisValues)
        copied = copied && CopyValue(source, target, name);
    if (target != nullptr) RegCloseKey(target);
    RegCloseKey(source);
    return copied;
}

// Drops a kept copy, and the root of the copies when it was the last.
void DropKept(const std::string& kept) {
    DeleteTree(HKEY_LOCAL_MACHINE, kept);
    DeleteIfEmpty(HKEY_LOCAL_MACHINE, kSetAsideRoot);
}

struct Places {
    std::string entry, axis;                // the wheel's
    std::string keptEntry, keptAxis, kept;  // the copy's
};

Places PlacesOf(const char* device) {
    const std::string oem = std::string(kOemRoot) + device;
    const std::string kept = std::string(kSetAsideRoot) + "\\" + device;
    return {oem + kForceFeedbackSubkey, oem + kActuatorAxisSubkey, kept + kForceFeedbackSubkey,
            kept + kActuatorAxisSubkey, kept};
}

}  // namespace

bool SetAsideOtherDriverEntry(const char* device, const char* ourClassId) {
    if (!IsDeviceName(device) || ourClassId == nullptr) return false;
    const Places at = PlacesOf(device);
    const std::string named = NamedClass(at.entry);
    if (named.empty() || SameText(named, ourClassId)) return true;
    DeleteTree(HKEY_LOCAL_MACHINE, at.kept);
    if (!CopyTree(at.entry, at.keptEntry) || !CopyAxisValues(at.axis, at.keptAxis)) {
        DropKept(at.kept);
        return false;
    }
    DeleteTree(HKEY_LOCAL_MACHINE, at.entry);
    return true;
}

bool PutBackOtherDriverEntry(const char* device, const char* ourClassId) {
    if (!IsDeviceName(device) || ourClassId == nullptr) return false;
    const Places at = PlacesOf(device);
    if (!KeyExists(HKEY_LOCAL_MACHINE, at.keptEntry)) return false;
    const std::string named = NamedClass(at.entry);
    if (SameText(named, ourClassId)) return false;  // still ours: the copy waits
    if (!named.empty() || !ClassIsRegistered(NamedClass(at.keptEntry))) {
        DropKept(at.kept);
        return false;
    }
    DeleteTree(HKEY_LOCAL_MACHINE, at.entry);  // what is left of an entry that names no class
    const bool restored = CopyTree(at.keptEntry, at.entry) && CopyAxisValues(at.keptAxis, at.axis);
    if (restored) DropKept(at.kept);
    return restored;
}

}  // namespace quorforce
