// Loading and saving groups of settings.
#include "config/settings_store.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "config/registry_access.h"

namespace quorforce {

const char* const kProductKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
    "VID_5A1C&PID_E410\\Quorvane\\FFB_API";
const char* const kEffectsKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
    "VID_5A1C&PID_E410\\Quorvane\\FFB_API\\EFFECTS";

namespace {

constexpr const char* kOemKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";
constexpr DWORD kDefaultPollingStep = 16;
constexpr DWORD kMaxPollingStep = 1000;

bool ValidJoystick(int j) { return j >= 0 && j < static_cast<int>(kJoystickCount); }

// The value when it was found, else the default.
DWORD ReadOr(const char* key, const char* name, DWORD fallback) {
    const DWORD value = ReadConfigDword(key, name);
    return configReadFailed == 0 ? value : fallback;
}

std::uint8_t LowByte(DWORD value) { return static_cast<std::uint8_t>(value & 0xFF); }

}  // namespace

bool DeviceKey(const SharedEffectTable& table, int j, char (&key)[kKeyPathSize]) {
    if (!ValidJoystick(j)) return false;
    char ids[20];
    std::snprintf(ids, sizeof ids, "VID_%04x&PID_%04x", table.vendorIds[j], table.productIds[j]);
    for (char* c = ids; *c != '\0'; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    std::snprintf(key, sizeof key, "%s%s\\Quorvane\\FFB_API", kOemKey, ids);
    return true;
}

bool JoystickKey(const SharedEffectTable& table, int j, char (&key)[kKeyPathSize]) {
    if (!DeviceKey(table, j, key)) return false;
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "\\%d", j);
    std::snprintf(key + std::strlen(key), kKeyPathSize - std::strlen(key), "%s", suffix);
    return true;
}

EngineSettings LoadEngineSettings() {
    EngineSettings settings;
    settings.pollingStep = ReadOr(kProductKey, "POLLING_STEP", kDefaultPollingStep);
    // A step of 0 would spin a time-critical thread; an endless one would never tick.
    if (settings.pollingStep == 0) settings.pollingStep = 1;
    if (settings.pollingStep > kMaxPollingStep) settings.pollingStep = kMaxPollingStep;
    settings.priorityCode = ReadOr(kProductKey, "THREAD_PRIORITY", 0);
    return settings;
}

int LoadDeviceSettings(SharedEffectTable& table, DeviceLink& link, int j) {
    link.reportFormat = 1;
    link.outputUsagePage = 1;
    link.outputUsage = 0xBB;
    char key[kKeyPathSize];
    if (!DeviceKey(table, j, key)) return 1;
    DeviceSettings& s = table.settings[j];
    s.driveDefaultSpring = 0;
    s.strictAngleDirection = 0;
    s.shockOrForceFeedback = 0;
    s.by10InertiaCoef = 20;
    s.by10DamperCoef = 20;
    s.by10SpringCoef = 40;
    link.reportFormat = LowByte(ReadOr(key, "Report_Format", link.reportFormat));
    link.outputUsagePage = LowByte(ReadOr(key, "Usage_Page", link.outputUsagePage));
    link.outputUsage = LowByte(ReadOr(key, "Usage", link.outputUsage));
    s.driveDefaultSpring = LowByte(ReadOr(key, "Drive_Default_Spring", s.driveDefaultSpring));
    s.strictAngleDirection = LowByte(ReadOr(key, "Strict_Angle_Direction", s.strictAngleDirection));
    s.shockOrForceFeedback =
        LowByte(ReadOr(key, "Shock_or_Force_Feedback", s.shockOrForceFeedback));
    s.by10InertiaCoef = LowByte(ReadOr(key, "By10_Inertia_Coef", s.by10InertiaCoef));
    s.by10DamperCoef = LowByte(ReadOr(key, "By10_Damper_Coef", s.by10DamperCoef));
    s.by10SpringCoef = LowByte(ReadOr(key, "By10_Spring_Coef", s.by10SpringCoef));
    return 1;
}

std::int32_t LoadMotorParameters(SharedEffectTable& table, int j) {
    char key[kKeyPathSize];
    if (!DeviceKey(table, j, key)) return 0;
    const auto value = static_cast<std::int32_t>(ReadOr(key, "Motor_Parameters", 0));
    table.settings[j].motorParameters = value;
    return value;
}

void LoadForceGains(SharedEffectTable& table, int j) {
    char key[kKeyPathSize];
    if (!JoystickKey(table, j, key)) return;
    DeviceSettings& s = table.settings[j];
    s.globalValue = static_cast<std::int32_t>(ReadOr(key, "Global_Value", 100));
    s.staticValue = static_cast<std::int32_t>(ReadOr(key, "Static_Value", 100));
    s.dynamicValue = static_cast<std::int32_t>(ReadOr(key, "Dynamic_Value", 100));
    s.springValue = static_cast<std::int32_t>(ReadOr(key, "Spring_Value", 100));
    s.springEnabled = LowByte(ReadOr(key, "Spring_Enabled", 0));
}

void SaveForceGains(const SharedEffectTable& table, int j) {
    char key[kKeyPathSize];
    if (!JoystickKey(table, j, key)) return;
    const DeviceSettings& s = table.settings[j];
    WriteConfigDword(static_cast<DWORD>(s.globalValue), key, "Global_Value");
    WriteConfigDword(static_cast<DWORD>(s.staticValue), key, "Static_Value");
    WriteConfigDword(static_cast<DWORD>(s.dynamicValue), key, "Dynamic_Value");
    WriteConfigDword(static_cast<DWORD>(s.springValue), key, "Spring_Value");
    WriteConfigDword(s.springEnabled, key, "Spring_Enabled");
}

void ClearEffectImages(const char* effectsKey, int j) {
    if (effectsKey == nullptr || !ValidJoystick(j)) return;
    char key[kKeyPathSize];
    const int n = std::snprintf(key, sizeof key, "%s\\%d", effectsKey, j);
    if (n <= 0 || n >= kKeyPathSize) return;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
}

}  // namespace quorforce
