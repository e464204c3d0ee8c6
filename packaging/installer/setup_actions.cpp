// The setup's own actions, which Windows Installer runs from the package's Binary table:
// the check of the wheel's ids and name before anything is written, the edit of the
// binding's list of accepted devices (shared by every wheel on the machine, so it is edited
// by name, not owned whole as a registry row would be), the removal of another driver's
// per-user entry for the wheel, and at the uninstall the values the driver itself wrote at
// run time. It links nothing of the driver but the pure reading of that list, so that a
// setup never loads the driver's code into the installer's processes.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "config/accepted_devices.h"
#include "config/other_driver_entry.h"
#include "config/registry_layout.h"
#include "config/registry_tree.h"
#include "packaging/installer/setup_checks.h"

namespace {

using namespace quorforce;
using namespace quorforce::setup;

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

std::string EngineKey() { return kProductKey; }

bool ValueExists(HKEY hive, const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    // With a size to fill: Wine's RegQueryValueExA fails a query that asks for nothing.
    DWORD type = 0, size = 0;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    const bool there = result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
    RegCloseKey(key);
    return there;
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1,
                                                  b.c_str(), -1) == CSTR_EQUAL;
}

// Below a wheel's key: the keys `path` leaves empty, up to the wheel's own, never the OEM
// key or the Joystick key above it.
void DeleteEmptyUpToWheel(HKEY hive, const std::string& path) {
    const int levels = LevelsUpToWheelKey(path);
    if (levels >= 0) DeleteEmptyUpwards(hive, path, levels);
}

// The binding knows the built-in and the second vendor by itself; only others need a name in
// the list.
bool IsBuiltInVendor(std::uint16_t vendorId) {
    return vendorId == kBuiltInVendorId || vendorId == kSecondVendorId;
}

std::string ReadList() {
    std::string text;
    ReadText(HKEY_LOCAL_MACHINE, EngineKey(), kAcceptedDevicesValue, &text);
    return text;
}

// Writes the list, or removes the value (and the keys it leaves empty) when it is empty.
bool WriteList(const std::string& text) {
    if (text.empty()) {
        DeleteValues(HKEY_LOCAL_MACHINE, EngineKey(), {kAcceptedDevicesValue});
        DeleteEmptyUpToWheel(HKEY_LOCAL_MACHINE, EngineKey());
        return true;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, EngineKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool written = RegSetValueExA(key, kAcceptedDevicesValue, 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

// The device of a deferred action's data, or false (and a line in the log) for data that
// CheckDevice could not have made.
bool DeviceOf(MSIHANDLE install, DeviceData* device) {
    if (ParseDeviceData(Property(install, "CustomActionData"), device)) return true;
    Log(install, "no device in the action's data");
    return false;
}

AcceptedDevice Accepted(const DeviceData& device) {
    AcceptedDevice accepted;
    accepted.vendorId = device.vendorId;
    accepted.productId = device.productId;
    return accepted;
}

// Writes one planned value under the local machine.
bool WritePlanned(const PlannedValue& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, value.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG result =
        value.isText
            ? RegSetValueExA(key, value.name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.text.c_str()),
                             static_cast<DWORD>(value.text.size() + 1))
            : RegSetValueExA(key, value.name.c_str(), 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&value.number), sizeof value.number);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// Wine's ntdll names itself; Windows' has no such export.
bool RunsOnWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

extern "C" {

// Immediate, before the costing: the wheel's ids and name, from the command line, the build's
// defaults or, in maintenance (repair, uninstall), what the installation recorded. Sets VID
// and PID in upper case and DEVICE to "VID_XXXX&PID_XXXX"; refuses what the registry or the
// binding could not use. It reads and sets properties only: it runs before the launch
// conditions and in the interactive setup's first sequence, where nothing may change yet.
__declspec(dllexport) UINT __stdcall CheckDevice(MSIHANDLE install) {
    const bool maintenance = !Property(install, "Installed").empty();
    for (const char* name : {"VID", "PID", "DEVICENAME"}) {
        const std::string stored = Property(install, (std::string("STORED_") + name).c_str());
        if (maintenance && !stored.empty()) MsiSetPropertyA(install, name, stored.c_str());
    }
    std::string vid = Property(install, "VID"), pid = Property(install, "PID");
    const std::string name = Property(install, "DEVICENAME");
    if (!NormalizeHexId(vid)) {
        return Refuse(install, "The vendor id VID=\"" + vid +
                                   "\" is not four hexadecimal digits (for instance VID=046D). "
                                   "Nothing was installed.");
    }
    if (!NormalizeHexId(pid)) {
        return Refuse(install, "The product id PID=\"" + pid +
                                   "\" is not four hexadecimal digits (for instance PID=C294). "
                                   "Nothing was installed.");
    }
    if (!IsDeviceName(name)) {
        return Refuse(install, "The device name DEVICENAME=\"" + name +
                                   "\" must be 1 to 64 printable characters without "
                                   "\\ [ ] { } ; |. Nothing was installed.");
    }
    MsiSetPropertyA(install, "VID", vid.c_str());
    MsiSetPropertyA(install, "PID", pid.c_str());
    MsiSetPropertyA(install, "DEVICE", ("VID_" + vid + "&PID_" + pid).c_str());
    return ERROR_SUCCESS;
}

// Immediate, right before RemoveExistingProducts, when an older version is installed.
// Windows gives the older version's uninstall UPGRADINGPRODUCTCODE, and its conditions keep
// the tuning and the driver's values through the upgrade. Wine's msiexec runs that uninstall
// as "msiexec /i {code} REMOVE=<the Upgrade row's Remove>", without it; there the Remove
// text (QF_REMOVE_OLD, "ALL" on Windows) carries it on that command line.
__declspec(dllexport) UINT __stdcall PassUpgradeCode(MSIHANDLE install) {
    if (!RunsOnWine()) return ERROR_SUCCESS;
    const std::string product = Property(install, "ProductCode");
    MsiSetPropertyA(install, "QF_REMOVE_OLD", ("ALL UPGRADINGPRODUCTCODE=" + product).c_str());
    return ERROR_SUCCESS;
}

// Immediate, after an older version is gone: the tuning values (QF_TUNING: "key|name|value"
// entries, ';' between them, VVVV and PPPP standing for the ids) and the wheel's name that
// are missing. Values that are there, a maker's or a player's, are never written over. Sets
// the data of WriteTuning and of its rollback.
__declspec(dllexport) UINT __stdcall PlanTuning(MSIHANDLE install) {
    const std::string vid = Property(install, "VID"), pid = Property(install, "PID");
    std::vector<PlannedValue> plan;
    const auto add = [&plan](const PlannedValue& value) {
        if (!ValueExists(HKEY_LOCAL_MACHINE, value.key, value.name.c_str())) plan.push_back(value);
    };
    for (const std::string& entry : Split(Property(install, "QF_TUNING"), ';')) {
        TemplateValue value;
        if (!ParseTemplateValue(entry, vid, pid, &value)) {
            Log(install, "a tuning value of the package is not understood: " + entry);
            return ERROR_INSTALL_FAILURE;
        }
        add({value.key, value.name, false, value.number, ""});
    }
    add({std::string(kOemRoot) + "VID_" + vid + "&PID_" + pid, kNameValue, true, 0,
         Property(install, "DEVICENAME")});
    const std::string data = FormatPlan(plan);
    MsiSetPropertyA(install, "WriteTuning", data.c_str());
    MsiSetPropertyA(install, "UndoTuning", data.c_str());
    return ERROR_SUCCESS;
}

// Deferred: writes what PlanTuning found missing.
__declspec(dllexport) UINT __stdcall WriteTuning(MSIHANDLE install) {
    std::vector<PlannedValue> plan;
    if (!ParsePlan(Property(install, "CustomActionData"), &plan)) return ERROR_INSTALL_FAILURE;
    for (const PlannedValue& value : plan) {
        if (!WritePlanned(value)) return ERROR_INSTALL_FAILURE;
    }
    return ERROR_SUCCESS;
}

// Rollback of WriteTuning: the values it wrote, and the keys they leave empty up to the
// wheel's own (the OEM and Joystick keys are the system's, and stay).
__declspec(dllexport) UINT __stdcall UndoTuning(MSIHANDLE install) {
    std::vector<PlannedValue> plan;
    if (!ParsePlan(Property(install, "CustomActionData"), &plan)) return ERROR_SUCCESS;
    for (const PlannedValue& value : plan) {
        DeleteValues(HKEY_LOCAL_MACHINE, value.key, {value.name.c_str()});
        DeleteEmptyUpToWheel(HKEY_LOCAL_MACHINE, value.key);
    }
    return ERROR_SUCCESS;
}

// Deferred, last in the script, only when QF_FAIL_WHEN_DEFERRED is 1: fails the install
// after everything is written, so that a maker (and the setup's test) sees the rollback
// take it all away again.
__declspec(dllexport) UINT __stdcall FailWhenDeferred(MSIHANDLE install) {
    Log(install, "failing on request (QF_FAIL_WHEN_DEFERRED): the install rolls back");
    return ERROR_INSTALL_FAILURE;
}

// Immediate, inside the script's making: the data of AcceptDevice and of its rollback, the
// wheel when the binding's list lacks it, nothing when the binding knows it already (a
// built-in vendor, or a name that is there), so that a rollback takes away only its own edit.
__declspec(dllexport) UINT __stdcall PlanAcceptDevice(MSIHANDLE install) {
    const std::string data = Property(install, "DEVICE") + "|" + Property(install, "DEVICENAME");
    DeviceData device;
    const bool needed = ParseDeviceData(data, &device) && !IsBuiltInVendor(device.vendorId) &&
                        !ListNamesDevice(ReadList().c_str(), Accepted(device));
    MsiSetPropertyA(install, "AcceptDevice", needed ? data.c_str() : "");
    MsiSetPropertyA(install, "UndoAcceptDevice", needed ? data.c_str() : "");
    return ERROR_SUCCESS;
}

// Deferred: names the wheel in the binding's list, beside the names already there.
__declspec(dllexport) UINT __stdcall AcceptDevice(MSIHANDLE install) {
    if (Property(install, "CustomActionData").empty()) return ERROR_SUCCESS;
    DeviceData device;
    if (!DeviceOf(install, &device)) return ERROR_INSTALL_FAILURE;
    std::string list = ReadList();
    if (ListNamesDevice(list.c_str(), Accepted(device))) return ERROR_SUCCESS;
    if (!AddToList(list, Accepted(device))) {
        return Refuse(install,
                      "The list of accepted devices (Accepted_Devices) is full: the "
                      "driver would not read " +
                          device.device + " in it.");
    }
    return WriteList(list) ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

// Deferred (uninstall, and the rollback of AcceptDevice): takes the wheel's name out of the
// list, whatever separates it from the others, and leaves the other names.
__declspec(dllexport) UINT __stdcall ReleaseDevice(MSIHANDLE install) {
    DeviceData device;
    if (Property(install, "CustomActionData").empty() || !DeviceOf(install, &device))
        return ERROR_SUCCESS;
    std::string list = ReadList();
    if (RemoveFromList(list, Accepted(device))) WriteList(list);
    return ERROR_SUCCESS;
}

// Deferred, impersonated, so that HKEY_CURRENT_USER is the player's: DirectInput reads the
// wheel's entry under the current user too, and one there that names another driver's class
// would keep loading that driver.
__declspec(dllexport) UINT __stdcall RemoveStaleUserEntry(MSIHANDLE install) {
    DeviceData device;
    if (!DeviceOf(install, &device)) return ERROR_SUCCESS;
    const std::string entry = std::string(kOemRoot) + device.device + kForceFeedbackSubkey;
    std::string classId;
    if (ReadText(HKEY_CURRENT_USER, entry, kClassValue, &classId) &&
        !SameName(classId, kDriverClassId)) {
        DeleteTree(HKEY_CURRENT_USER, entry);
    }
    return ERROR_SUCCESS;
}

// Deferred, at an uninstall that no upgrade follows (its condition says so): the tuning
// values (the setup's defaults, a maker's or a player's changes) and what the driver stored
// at run time (effect images, saved strengths) under the wheel's key and the engine's, and
// the wheel's name when it is still the one the setup gave. The binding's list keeps the
// names of other wheels.
__declspec(dllexport) UINT __stdcall RemoveDriverValues(MSIHANDLE install) {
    DeviceData device;
    if (!DeviceOf(install, &device)) return ERROR_SUCCESS;
    Log(install, "removing the tuning and the driver's values of " + device.device);
    const std::string others = ReadList();
    const std::string wheel = std::string(kOemRoot) + device.device;
    const std::string builtIn = std::string(kOemRoot) + kBuiltInDevice;
    // The name stays when the wheel's own installation has given it another one.
    std::string shown;
    if (ReadText(HKEY_LOCAL_MACHINE, wheel, kNameValue, &shown) && shown == device.name) {
        DeleteValues(HKEY_LOCAL_MACHINE, wheel, {kNameValue});
    }
    DeleteTree(HKEY_LOCAL_MACHINE, wheel + kMakerSubkey);
    DeleteTree(HKEY_LOCAL_MACHINE, builtIn + kMakerSubkey);
    if (!others.empty()) WriteList(others);
    for (const std::string& key : {wheel, builtIn})
        DeleteEmptyUpwards(HKEY_LOCAL_MACHINE, key, 0);
    return ERROR_SUCCESS;
}

// The same, impersonated: the strengths the driver saved under the player's own key.
__declspec(dllexport) UINT __stdcall RemoveUserValues(MSIHANDLE install) {
    DeviceData device;
    if (!DeviceOf(install, &device)) return ERROR_SUCCESS;
    for (const std::string& wheel : {device.device, std::string(kBuiltInDevice)}) {
        DeleteTree(HKEY_CURRENT_USER, std::string(kOemRoot) + wheel + kMakerSubkey);
        DeleteEmptyUpwards(HKEY_CURRENT_USER, std::string(kOemRoot) + wheel, 0);
    }
    return ERROR_SUCCESS;
}

// Deferred, before the package's rows are written or removed, and the rollback of
// PutBackOtherEntry: another driver's entry for the wheel is set aside whole under the
// product key, so that ours does not mix with it and the uninstall can give it back. When
// it cannot be, the install stops before anything is written over it.
__declspec(dllexport) UINT __stdcall SetAsideOtherEntry(MSIHANDLE install) {
    DeviceData device;
    if (!DeviceOf(install, &device)) return ERROR_SUCCESS;
    if (SetAsideOtherDriverEntry(device.device.c_str(), kDriverClassId)) return ERROR_SUCCESS;
    Log(install, "another driver's entry for " + device.device + " could not be set aside");
    return ERROR_INSTALL_FAILURE;
}

// Deferred, at the uninstall once the package's rows are gone, and the rollback of
// SetAsideOtherEntry: the entry set aside goes back where the wheel names no driver.
__declspec(dllexport) UINT __stdcall PutBackOtherEntry(MSIHANDLE install) {
    DeviceData device;
    if (DeviceOf(install, &device) &&
        PutBackOtherDriverEntry(device.device.c_str(), kDriverClassId)) {
        Log(install, "the other driver's entry for " + device.device + " is back");
    }
    return ERROR_SUCCESS;
}

}  // extern "C"
