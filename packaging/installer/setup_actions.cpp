// The setup's own actions, which Windows Installer runs from the package's Binary table:
// the check of the wheel's ids and name before anything is written, the edit of the
// binding's list of accepted devices (shared by every wheel on the machine, so it is edited
// by name, not owned whole as a registry row would be), the removal of another driver's
// per-user entry for the wheel, and at the uninstall the values the driver itself wrote at
// run time. Standalone: it links nothing of the driver, so that a setup never loads the
// driver's code into the installer's processes.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "config/other_driver_entry.h"

namespace {

const char kOemRoot[] =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";
const char kBuiltInDevice[] = "VID_5A1C&PID_E410";
const char kClassId[] = "{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}";
const char kAcceptedDevices[] = "Accepted_Devices";
// While a newer version replaces this one, the mark that tells the old version's uninstall
// to leave the tuning and the driver's values alone (Windows says so with
// UPGRADINGPRODUCTCODE; Wine's msiexec runs that uninstall as a plain one). It sits beside
// the engine's values, in a key no package row owns, which the driver reads no further.
const char kUpgradeMark[] = "Setup_Upgrading";
// The longest name a device may have: what a control panel's list shows whole.
constexpr std::size_t kMaxNameLength = 64;

std::string Property(MSIHANDLE install, const char* name) {
    char small[256];
    DWORD size = sizeof small;
    UINT result = MsiGetPropertyA(install, name, small, &size);
    if (result == ERROR_SUCCESS) return small;
    if (result != ERROR_MORE_DATA) return "";
    std::vector<char> text(size + 1);
    size = static_cast<DWORD>(text.size());
    return MsiGetPropertyA(install, name, text.data(), &size) == ERROR_SUCCESS ? text.data() : "";
}

// A line in the setup's log.
void Log(MSIHANDLE install, const std::string& text) {
    PMSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringA(record, 0, ("quorsetup: " + text).c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

// Shows (or, in a silent setup, logs) `text` as an error; the setup then ends and rolls back.
UINT Refuse(MSIHANDLE install, const std::string& text) {
    PMSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringA(record, 0, text.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), record);
    return ERROR_INSTALL_FAILURE;
}

bool IsHexId(std::string& id) {
    if (id.size() != 4) return false;
    for (char& c : id) {
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

// The name goes into the registry as the wheel's OEMName and into the setup's formatted
// text: control characters, a backslash (a key separator where the name is used as a path)
// and the brackets and braces Windows Installer reads as its own syntax are refused.
bool IsDeviceName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || std::strchr("\\[]{}", c) != nullptr) return false;
    }
    return true;
}

HKEY Open(HKEY hive, const std::string& path, REGSAM access) {
    HKEY key = nullptr;
    return RegOpenKeyExA(hive, path.c_str(), 0, access, &key) == ERROR_SUCCESS ? key : nullptr;
}

bool ReadText(HKEY hive, const std::string& path, const char* name, std::string& text) {
    HKEY key = Open(hive, path, KEY_READ);
    if (key == nullptr) return false;
    char data[2048];
    DWORD type = 0, size = sizeof data - 1;
    const bool read = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                       &size) == ERROR_SUCCESS &&
                      type == REG_SZ;
    RegCloseKey(key);
    data[read ? size : 0] = '\0';
    text = data;
    return read;
}

bool KeyIsEmpty(HKEY hive, const std::string& path) {
    HKEY key = Open(hive, path, KEY_READ);
    if (key == nullptr) return false;
    DWORD subKeys = 1, values = 1;
    const bool empty =
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subKeys == 0 && values == 0;
    RegCloseKey(key);
    return empty;
}

// `path` and each of its `levels` parents, while they are left empty.
void DeleteEmptyUpwards(HKEY hive, std::string path, int levels) {
    for (int i = 0; i <= levels && KeyIsEmpty(hive, path); ++i) {
        RegDeleteKeyA(hive, path.c_str());
        path = path.substr(0, path.rfind('\\'));
    }
}

// `path` with everything below it; bounded in depth, so a key that refuses to go ends it.
void DeleteTree(HKEY hive, const std::string& path, int depth = 0) {
    HKEY key = depth > 8 ? nullptr : Open(hive, path, KEY_ALL_ACCESS);
    if (key == nullptr) return;
    std::vector<std::string> children;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        children.push_back(name);
    }
    RegCloseKey(key);
    for (const std::string& child : children)
        DeleteTree(hive, path + "\\" + child, depth + 1);
    RegDeleteKeyA(hive, path.c_str());
}

void DeleteValues(HKEY hive, const std::string& path, std::initializer_list<const char*> names) {
    HKEY key = Open(hive, path, KEY_ALL_ACCESS);
    if (key == nullptr) return;
    for (const char* name : names)
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

std::string EngineKey() { return std::string(kOemRoot) + kBuiltInDevice + "\\Quorvane\\FFB_API"; }

// The binding knows the vendors 5A1C and 7B3E by itself; only others need a name in the list.
bool IsBuiltInVendor(const std::string& device) {
    return device.compare(0, 8, "VID_5A1C") == 0 || device.compare(0, 8, "VID_7B3E") == 0;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(' ', at);
        if (start == std::string::npos) break;
        const std::size_t end = text.find(' ', start);
        words.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        at = end == std::string::npos ? text.size() : end;
    }
    return words;
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1,
                                                  b.c_str(), -1) == CSTR_EQUAL;
}

// Writes the list, or removes the value (and the keys it leaves empty) when it is empty.
bool WriteList(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    if (text.empty()) {
        DeleteValues(HKEY_LOCAL_MACHINE, EngineKey(), {kAcceptedDevices});
        DeleteEmptyUpwards(HKEY_LOCAL_MACHINE, EngineKey(), 2);
        return true;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, EngineKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool written = RegSetValueExA(key, kAcceptedDevices, 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

std::vector<std::string> ReadList() {
    std::string text;
    ReadText(HKEY_LOCAL_MACHINE, EngineKey(), kAcceptedDevices, text);
    return Words(text);
}

// The deferred actions get "VID_XXXX&PID_XXXX|name" as their data; CheckDevice made both.
std::string DeviceOf(MSIHANDLE install, std::string* name = nullptr) {
    const std::string data = Property(install, "CustomActionData");
    const std::string device = data.substr(0, data.find('|'));
    if (name != nullptr) *name = data.size() > 18 ? data.substr(18) : "";
    return device.size() == 17 && device.compare(0, 4, "VID_") == 0 ? device : "";
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

void Replace(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

bool ValueExists(HKEY hive, const std::string& path, const char* name) {
    HKEY key = Open(hive, path, KEY_READ);
    if (key == nullptr) return false;
    // With a size to fill: Wine's RegQueryValueExA fails a query that asks for nothing.
    DWORD type = 0, size = 0;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    const bool there = result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
    RegCloseKey(key);
    return there;
}

bool UpgradeMarked() { return ValueExists(HKEY_LOCAL_MACHINE, EngineKey(), kUpgradeMark); }

void SetUpgradeMark(bool on) {
    HKEY key = nullptr;
    if (!on) {
        DeleteValues(HKEY_LOCAL_MACHINE, EngineKey(), {kUpgradeMark});
        DeleteEmptyUpwards(HKEY_LOCAL_MACHINE, EngineKey(), 2);
        return;
    }
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, EngineKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    const DWORD one = 1;
    RegSetValueExA(key, kUpgradeMark, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                   sizeof one);
    RegCloseKey(key);
}

// One planned value: "key|name|d|decimal" or "key|name|s|text", the key under the local
// machine.
bool WritePlanned(const std::string& entry) {
    const std::vector<std::string> f = Split(entry, '|');
    if (f.size() != 4 || (f[2] != "d" && f[2] != "s")) return false;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, f[0].c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG result;
    if (f[2] == "d") {
        const DWORD value = std::strtoul(f[3].c_str(), nullptr, 10);
        result = RegSetValueExA(key, f[1].c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&value), sizeof value);
    } else {
        result = RegSetValueExA(key, f[1].c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(f[3].c_str()),
                                static_cast<DWORD>(f[3].size() + 1));
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace

extern "C" {

// Immediate, before the costing: the wheel's ids and name, from the command line, the build's
// defaults or, in maintenance (repair, uninstall), what the installation recorded. Sets VID
// and PID in upper case and DEVICE to "VID_XXXX&PID_XXXX"; refuses what the registry or the
// binding could not use.
__declspec(dllexport) UINT __stdcall CheckDevice(MSIHANDLE install) {
    const bool maintenance = !Property(install, "Installed").empty();
    for (const char* name : {"VID", "PID", "DEVICENAME"}) {
        const std::string stored = Property(install, (std::string("STORED_") + name).c_str());
        if (maintenance && !stored.empty()) MsiSetPropertyA(install, name, stored.c_str());
    }
    std::string vid = Property(install, "VID"), pid = Property(install, "PID");
    const std::string name = Property(install, "DEVICENAME");
    if (!IsHexId(vid)) {
        return Refuse(install, "The vendor id VID=\"" + vid +
                                   "\" is not four hexadecimal digits (for instance VID=046D). "
                                   "Nothing was installed.");
    }
    if (!IsHexId(pid)) {
        return Refuse(install, "The product id PID=\"" + pid +
                                   "\" is not four hexadecimal digits (for instance PID=C294). "
                                   "Nothing was installed.");
    }
    if (!IsDeviceName(name)) {
        return Refuse(install, "The device name DEVICENAME=\"" + name +
                                   "\" must be 1 to 64 printable characters without \\ [ ] { }. "
                                   "Nothing was installed.");
    }
    MsiSetPropertyA(install, "VID", vid.c_str());
    MsiSetPropertyA(install, "PID", pid.c_str());
    MsiSetPropertyA(install, "DEVICE", ("VID_" + vid + "&PID_" + pid).c_str());
    if (!Property(install, "WIX_UPGRADE_DETECTED").empty() && Property(install, "REMOVE").empty()) {
        SetUpgradeMark(true);
    }
    return ERROR_SUCCESS;
}

// Immediate, after an older version is gone: the tuning values (QF_TUNING: "key|name|value"
// entries, ';' between them, VVVV and PPPP standing for the ids) and the wheel's name that
// are missing. Values that are there, a maker's or a player's, are never written over. Sets
// the data of WriteTuning and of its rollback.
__declspec(dllexport) UINT __stdcall PlanTuning(MSIHANDLE install) {
    const std::string vid = Property(install, "VID"), pid = Property(install, "PID");
    std::string plan;
    const auto add = [&plan](const std::string& key, const std::string& name, char type,
                             const std::string& value) {
        if (ValueExists(HKEY_LOCAL_MACHINE, key, name.c_str())) return;
        plan += (plan.empty() ? "" : ";") + key + "|" + name + "|" + type + "|" + value;
    };
    for (const std::string& entry : Split(Property(install, "QF_TUNING"), ';')) {
        std::vector<std::string> f = Split(entry, '|');
        if (f.size() != 3) continue;
        Replace(f[0], "VVVV", vid);
        Replace(f[0], "PPPP", pid);
        add(kOemRoot + f[0], f[1], 'd', f[2]);
    }
    add(std::string(kOemRoot) + "VID_" + vid + "&PID_" + pid, "OEMName", 's',
        Property(install, "DEVICENAME"));
    MsiSetPropertyA(install, "WriteTuning", plan.c_str());
    MsiSetPropertyA(install, "UndoTuning", plan.c_str());
    return ERROR_SUCCESS;
}

// Deferred: writes what PlanTuning found missing.
__declspec(dllexport) UINT __stdcall WriteTuning(MSIHANDLE install) {
    const std::string plan = Property(install, "CustomActionData");
    if (plan.empty()) return ERROR_SUCCESS;
    for (const std::string& entry : Split(plan, ';')) {
        if (!WritePlanned(entry)) return ERROR_INSTALL_FAILURE;
    }
    return ERROR_SUCCESS;
}

// Rollback of WriteTuning: the values it wrote, and the keys they leave empty.
__declspec(dllexport) UINT __stdcall UndoTuning(MSIHANDLE install) {
    const std::string plan = Property(install, "CustomActionData");
    if (plan.empty()) return ERROR_SUCCESS;
    for (const std::string& entry : Split(plan, ';')) {
        const std::vector<std::string> f = Split(entry, '|');
        if (f.size() != 4) continue;
        DeleteValues(HKEY_LOCAL_MACHINE, f[0], {f[1].c_str()});
        DeleteEmptyUpwards(HKEY_LOCAL_MACHINE, f[0], 3);
    }
    return ERROR_SUCCESS;
}

// Deferred at the end of an install, and as the rollback of one: the upgrade is over.
__declspec(dllexport) UINT __stdcall ClearUpgradeMark(MSIHANDLE) {
    SetUpgradeMark(false);
    return ERROR_SUCCESS;
}

// Deferred, last in the script, only when QF_FAIL_WHEN_DEFERRED is 1: fails the install
// after everything is written, so that a maker (and the setup's test) sees the rollback
// take it all away again.
__declspec(dllexport) UINT __stdcall FailWhenDeferred(MSIHANDLE install) {
    Log(install, "failing on request (QF_FAIL_WHEN_DEFERRED): the install rolls back");
    return ERROR_INSTALL_FAILURE;
}

// Deferred: names the wheel in the binding's list, beside the names already there.
__declspec(dllexport) UINT __stdcall AcceptDevice(MSIHANDLE install) {
    const std::string device = DeviceOf(install);
    if (device.empty()) return ERROR_INSTALL_FAILURE;
    if (IsBuiltInVendor(device)) return ERROR_SUCCESS;
    std::vector<std::string> names = ReadList();
    for (const std::string& name : names) {
        if (SameName(name, device)) return ERROR_SUCCESS;
    }
    names.push_back(device);
    return WriteList(names) ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

// Deferred (uninstall, and the rollback of AcceptDevice): takes the wheel's name out of the
// list and leaves the other names.
__declspec(dllexport) UINT __stdcall ReleaseDevice(MSIHANDLE install) {
    const std::string device = DeviceOf(install);
    if (device.empty()) return ERROR_SUCCESS;
    const std::vector<std::string> names = ReadList();
    std::vector<std::string> kept;
    for (const std::string& name : names) {
        if (!SameName(name, device)) kept.push_back(name);
    }
    if (kept.size() != names.size()) WriteList(kept);
    return ERROR_SUCCESS;
}

// Deferred, as the user: DirectInput reads the wheel's entry under the current user too, and
// one there that names another driver's class would keep loading that driver.
__declspec(dllexport) UINT __stdcall RemoveStaleUserEntry(MSIHANDLE install) {
    const std::string device = DeviceOf(install);
    if (device.empty()) return ERROR_SUCCESS;
    const std::string entry = std::string(kOemRoot) + device + "\\OEMForceFeedback";
    std::string classId;
    if (ReadText(HKEY_CURRENT_USER, entry, "CLSID", classId) && !SameName(classId, kClassId)) {
        DeleteTree(HKEY_CURRENT_USER, entry);
    }
    return ERROR_SUCCESS;
}

// Deferred, at an uninstall that no upgrade follows: the tuning values (the setup's defaults,
// a maker's or a player's changes) and what the driver stored at run time (effect images,
// saved strengths) under the wheel's key and the engine's, and the wheel's name when it is
// still the one the setup gave. The binding's list keeps the
// names of other wheels.
__declspec(dllexport) UINT __stdcall RemoveDriverValues(MSIHANDLE install) {
    std::string name;
    const std::string device = DeviceOf(install, &name);
    if (device.empty() || UpgradeMarked()) {
        Log(install, "a newer version replaces this one: the tuning and the driver's values stay");
        return ERROR_SUCCESS;
    }
    Log(install, "removing the tuning and the driver's values of " + device);
    const std::vector<std::string> others = ReadList();
    const std::string builtIn = std::string(kOemRoot) + kBuiltInDevice;
    // The name stays when the wheel's own installation has given it another one.
    std::string shown;
    if (ReadText(HKEY_LOCAL_MACHINE, std::string(kOemRoot) + device, "OEMName", shown) &&
        shown == name) {
        DeleteValues(HKEY_LOCAL_MACHINE, std::string(kOemRoot) + device, {"OEMName"});
    }
    DeleteTree(HKEY_LOCAL_MACHINE, std::string(kOemRoot) + device + "\\Quorvane");
    DeleteTree(HKEY_LOCAL_MACHINE, builtIn + "\\Quorvane");
    if (!others.empty()) WriteList(others);
    for (const std::string& key : {std::string(kOemRoot) + device, builtIn})
        DeleteEmptyUpwards(HKEY_LOCAL_MACHINE, key, 0);
    return ERROR_SUCCESS;
}

// The same, as the user: the strengths the driver saved under the current user.
__declspec(dllexport) UINT __stdcall RemoveUserValues(MSIHANDLE install) {
    const std::string device = DeviceOf(install);
    if (device.empty() || UpgradeMarked()) return ERROR_SUCCESS;
    for (const std::string& wheel : {device, std::string(kBuiltInDevice)}) {
        DeleteTree(HKEY_CURRENT_USER, std::string(kOemRoot) + wheel + "\\Quorvane");
        DeleteEmptyUpwards(HKEY_CURRENT_USER, std::string(kOemRoot) + wheel, 0);
    }
    return ERROR_SUCCESS;
}

// Deferred, before the package's rows are written or removed, and the rollback of
// PutBackOtherEntry: another driver's entry for the wheel is set aside whole under the
// product key, so that ours does not mix with it and the uninstall can give it back. When
// it cannot be, the install stops before anything is written over it.
__declspec(dllexport) UINT __stdcall SetAsideOtherEntry(MSIHANDLE install) {
    const std::string device = DeviceOf(install);
    if (device.empty()) return ERROR_SUCCESS;
    if (quorforce::SetAsideOtherDriverEntry(device.c_str(), kClassId)) return ERROR_SUCCESS;
    Log(install, "another driver's entry for " + device + " could not be set aside");
    return ERROR_INSTALL_FAILURE;
}

// Deferred, at the uninstall once the package's rows are gone, and the rollback of
// SetAsideOtherEntry: the entry set aside goes back where the wheel names no driver.
__declspec(dllexport) UINT __stdcall PutBackOtherEntry(MSIHANDLE install) {
    const std::string device = DeviceOf(install);
    if (!device.empty() && quorforce::PutBackOtherDriverEntry(device.c_str(), kClassId)) {
        Log(install, "the other driver's entry for " + device + " is back");
    }
    return ERROR_SUCCESS;
}

}  // extern "C"
