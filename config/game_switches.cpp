// The switch catalogue and its loader.
#include "config/game_switches.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "config/registry_access.h"

namespace quorforce {

const GameSwitchEntry kGameSwitches[kGameSwitchCount] = {
    {GameSwitch::GlobalValue, "Global_Value", 0, 200, true},
    {GameSwitch::StaticValue, "Static_Value", 0, 200, true},
    {GameSwitch::DynamicValue, "Dynamic_Value", 0, 200, true},
    {GameSwitch::InvertForce, "Invert_Force", 0, 1, false},
    {GameSwitch::GameGain, "Game_Gain", 0, 1, false},
    {GameSwitch::GamePause, "Game_Pause", 0, 1, false},
    {GameSwitch::ConstantGain, "Constant_Gain", 0, 200, false},
    {GameSwitch::PeriodicGain, "Periodic_Gain", 0, 200, false},
    {GameSwitch::RampGain, "Ramp_Gain", 0, 200, false},
    {GameSwitch::SpringGain, "Spring_Gain", 0, 200, false},
    {GameSwitch::DamperGain, "Damper_Gain", 0, 200, false},
    {GameSwitch::InertiaGain, "Inertia_Gain", 0, 200, false},
    {GameSwitch::FrictionGain, "Friction_Gain", 0, 200, false},
    {GameSwitch::MinimumForce, "Minimum_Force", 0, 100, false},
    {GameSwitch::AutoCentre, "Auto_Centre", 0, 100, false},
    {GameSwitch::Record, "Record", 0, 1, false},
    {GameSwitch::SpringStabiliser, "Spring_Stabiliser", 0, 1, false},
    {GameSwitch::Reconstruction, "Reconstruction", 0, 1, false},
    {GameSwitch::SoftLimit, "Soft_Limit", 0, 99, false},
    {GameSwitch::LowLatency, "Low_Latency", 0, 1, false},
};

const GameSwitchEntry* FindGameSwitch(const char* name) {
    if (name == nullptr) return nullptr;
    for (const GameSwitchEntry& entry : kGameSwitches) {
        if (std::strcmp(entry.name, name) == 0) return &entry;
    }
    return nullptr;
}

const GameSwitchEntry& EntryOf(GameSwitch id) {
    return kGameSwitches[static_cast<std::size_t>(id)];
}

bool InRange(const GameSwitchEntry& entry, DWORD value) {
    return value >= entry.minimum && value <= entry.maximum;
}

bool ProfileName(const char* exe, char (&name)[kGameNameSize]) {
    name[0] = '\0';
    if (exe == nullptr || exe[0] == '\0') return false;
    const std::size_t length = std::strlen(exe);
    if (length >= kGameNameSize) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(exe[i]);
        if (c == '\\') return false;
        name[i] = static_cast<char>(std::tolower(c));
    }
    name[length] = '\0';
    return true;
}

bool ProfileKey(const char* deviceKey, const char* name, char* key, std::size_t size) {
    if (deviceKey == nullptr || name == nullptr || name[0] == '\0' || key == nullptr) return false;
    const int written = std::snprintf(key, size, "%s%s\\%s", deviceKey, kProfilesSubkey, name);
    return written > 0 && static_cast<std::size_t>(written) < size;
}

namespace {

// The switches stored under `key` over `into`; with `profile` false the profile-only ones are
// not looked for.
void ReadSwitches(const char* key, bool profile, GameSwitches& into) {
    for (const GameSwitchEntry& entry : kGameSwitches) {
        if (entry.profileOnly && !profile) continue;
        const DWORD value = ReadConfigDword(key, entry.name);
        if (configReadFailed != 0 || !InRange(entry, value)) continue;
        into.Set(entry.id, static_cast<std::int32_t>(value));
    }
}

}  // namespace

GameSwitches LoadGameSwitches(const char* deviceKey, const char* profileName) {
    GameSwitches switches;
    if (deviceKey == nullptr) return switches;
    ReadSwitches(deviceKey, false, switches);
    char key[1024];
    if (profileName != nullptr && ProfileKey(deviceKey, profileName, key, sizeof key)) {
        ReadSwitches(key, true, switches);
    }
    return switches;
}

}  // namespace quorforce
