// What the setup's actions read from their properties and data, as pure functions (no
// Windows Installer, no registry), so that the host tests and the fuzz target run them as
// the actions do: the wheel's ids and name, the data of the deferred actions, the planned
// tuning values and how far a removal may climb the registry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/registry_layout.h"

namespace quorforce::setup {

// Every wheel's entry sits under kOemRoot (config/registry_layout.h), under the local machine
// and the user's.

// The longest name a device may have: what a control panel's list shows whole.
constexpr std::size_t kMaxNameLength = 64;

// Four hexadecimal digits, made upper case; false for anything else.
bool NormalizeHexId(std::string& id);

// The name goes into the registry as the wheel's OEMName, into the setup's formatted text
// and into the deferred actions' data: control characters, a backslash (a key separator
// where the name is used as a path), the brackets and braces Windows Installer reads as
// its own syntax, and ';' and '|' (the separators of that data) are refused.
bool IsDeviceName(const std::string& name);

// The deferred actions' data, "VID_XXXX&PID_XXXX|name", as CheckDevice made it.
struct DeviceData {
    std::string device;  // "VID_XXXX&PID_XXXX", upper case
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string name;
};
bool ParseDeviceData(const std::string& data, DeviceData* out);

// One value of the planned tuning: written by WriteTuning, taken back by UndoTuning. The
// key is under the local machine, always below a wheel's key under kOemRoot.
struct PlannedValue {
    std::string key;
    std::string name;
    bool isText = false;
    std::uint32_t number = 0;
    std::string text;
};
// The plan as PlanTuning writes it: "key|name|d|decimal" or "key|name|s|text" entries, ';'
// between them. Nothing of it parses unless every entry does.
std::string FormatPlan(const std::vector<PlannedValue>& plan);
bool ParsePlan(const std::string& data, std::vector<PlannedValue>* plan);

// A template tuning value of QF_TUNING, "key|name|decimal" with VVVV and PPPP for the ids.
struct TemplateValue {
    std::string key;  // below kOemRoot, ids filled in
    std::string name;
    std::uint32_t number = 0;
};
bool ParseTemplateValue(const std::string& entry, const std::string& vid, const std::string& pid,
                        TemplateValue* out);

// How many levels above `path` (HKEY_LOCAL_MACHINE or the user's) a removal may take keys
// that it leaves empty: up to the wheel's own key under kOemRoot, never the OEM key nor
// those above it. -1 for a path that is not below a wheel's key.
int LevelsUpToWheelKey(const std::string& path);

std::vector<std::string> Split(const std::string& text, char separator);

}  // namespace quorforce::setup
