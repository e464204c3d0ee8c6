// Loading and saving groups of settings.
#include "config/settings_store.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "config/registry_access.h"

namespace quorforce {

namespace {

bool ValidJoystick(int place) { return place >= 0 && place < static_cast<int>(kJoystickCount); }
// DirectInput numbers game controllers 0..15; ids of 8 or more borrow one of the 8 places.
bool ValidJoystickId(int joystick) { return joystick >= 0 && joystick < 16; }

// The value when it was found, else the default.
DWORD ReadOr(const char* key, const char* name, DWORD fallback) {
    const DWORD value = ReadConfigDword(key, name);
    return configReadFailed == 0 ? value : fallback;
}

// Every value of the group from `key`, each stored value or else its default.
void LoadGroup(SettingGroup group, const char* key, const SettingRecords& records) {
    for (const SettingEntry& entry : kSettings) {
        if (entry.group == group) {
            StoreSetting(entry, records, ReadOr(key, entry.name, entry.fallback));
        }
    }
}

}  // namespace

bool DeviceKey(const SharedEffectTable& table, int place, char (&key)[kKeyPathSize]) {
    if (!ValidJoystick(place)) return false;
    char ids[20];
    std::snprintf(ids, sizeof ids, "VID_%04x&PID_%04x", table.vendorIds[place],
                  table.productIds[place]);
    for (char* c = ids; *c != '\0'; ++c)
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    std::snprintf(key, sizeof key, "%s%s%s", kOemRoot, ids, kProductSubkey);
    return true;
}

bool JoystickKey(const SharedEffectTable& table, int joystick, char (&key)[kKeyPathSize]) {
    return JoystickKey(table, joystick, joystick, key);
}

bool JoystickKey(const SharedEffectTable& table, int place, int joystick,
                 char (&key)[kKeyPathSize]) {
    if (!ValidJoystickId(joystick) || !DeviceKey(table, place, key)) return false;
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "\\%d", joystick);
    std::snprintf(key + std::strlen(key), kKeyPathSize - std::strlen(key), "%s", suffix);
    return true;
}

EngineSettings LoadEngineSettings() {
    EngineSettings settings;
    LoadGroup(SettingGroup::Engine, kProductKey, {&settings, nullptr, nullptr});
    // A step of 0 would spin a time-critical thread; an endless one would never tick.
    if (settings.pollingStep == 0) settings.pollingStep = 1;
    if (settings.pollingStep > kMaxPollingStep) settings.pollingStep = kMaxPollingStep;
    return settings;
}

int LoadDeviceSettings(SharedEffectTable& table, DeviceLink& link, int place) {
    // The link's report layout has its defaults even for a joystick id without a key.
    for (const SettingEntry& entry : kSettings) {
        if (entry.group == SettingGroup::Device && entry.record == SettingRecord::Link) {
            StoreSetting(entry, {nullptr, &link, nullptr}, entry.fallback);
        }
    }
    char key[kKeyPathSize];
    if (!DeviceKey(table, place, key)) return 1;
    LoadGroup(SettingGroup::Device, key, {nullptr, &link, &table.settings[place]});
    return 1;
}

std::int32_t LoadMotorParameters(SharedEffectTable& table, int place) {
    char key[kKeyPathSize];
    if (!DeviceKey(table, place, key)) return 0;
    LoadGroup(SettingGroup::Motor, key, {nullptr, nullptr, &table.settings[place]});
    return table.settings[place].motorParameters;
}

void LoadStrengths(SharedEffectTable& table, int joystick) {
    LoadStrengths(table, joystick, joystick);
}

void LoadStrengths(SharedEffectTable& table, int place, int joystick) {
    char key[kKeyPathSize];
    if (!JoystickKey(table, place, joystick, key)) return;
    LoadGroup(SettingGroup::Strengths, key, {nullptr, nullptr, &table.settings[place]});
}

void SaveStrengths(const SharedEffectTable& table, int joystick) {
    SaveStrengths(table, joystick, joystick);
}

void SaveStrengths(const SharedEffectTable& table, int place, int joystick) {
    char key[kKeyPathSize];
    if (!JoystickKey(table, place, joystick, key)) return;
    for (const SettingEntry& entry : kSettings) {
        if (entry.group != SettingGroup::Strengths) continue;
        WriteConfigDword(FieldOfSetting(entry, &table.settings[place]), key, entry.name);
    }
}

void ClearEffectImages(const char* effectsKey, int joystick) {
    if (effectsKey == nullptr || !ValidJoystickId(joystick)) return;
    char key[kKeyPathSize];
    const int n = std::snprintf(key, sizeof key, "%s\\%d", effectsKey, joystick);
    if (n <= 0 || n >= kKeyPathSize) return;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
}

}  // namespace quorforce
