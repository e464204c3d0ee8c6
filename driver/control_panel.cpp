// The control panel's operations.
#include "driver/control_panel.h"

#include <cstddef>
#include <cstdio>

#include "config/registry_access.h"
#include "config/settings_store.h"
#include "driver/place_claims.h"
#include "hid/default_spring.h"
#include "util/mutex_lock.h"

namespace quorforce {

// The records a control panel compiles against, as the DLL of each size lays them out:
// ForceSettings is the same in both; DeviceConfig holds a pointer, 4 bytes or 8.
static_assert(sizeof(ForceSettings) == 32, "ForceSettings");
static_assert(offsetof(ForceSettings, mask) == 4 && offsetof(ForceSettings, global) == 8 &&
                  offsetof(ForceSettings, staticA) == 16 && offsetof(ForceSettings, springOn) == 28,
              "ForceSettings");
static_assert(sizeof(void*) != 4 || sizeof(DeviceConfig) == 20, "32-bit DeviceConfig");
static_assert(sizeof(void*) != 4 || (offsetof(DeviceConfig, forceSettings) == 12 &&
                                     offsetof(DeviceConfig, defaultSpringDriven) == 16),
              "32-bit DeviceConfig");
static_assert(sizeof(void*) != 8 || sizeof(DeviceConfig) == 32, "64-bit DeviceConfig");
static_assert(sizeof(void*) != 8 || (offsetof(DeviceConfig, filled) == 8 &&
                                     offsetof(DeviceConfig, forceSettings) == 16 &&
                                     offsetof(DeviceConfig, defaultSpringDriven) == 24),
              "64-bit DeviceConfig");
static_assert(sizeof(EffectSlot) == 160, "effect image");

namespace {

constexpr int kImageNameSize = 256;

// The place of `joystick`'s values, or -1 for an id out of range or without one now. Under
// the TableMutex: DeviceID claims and lets go of places under it, in this process and others.
int PlaceOf(const ProcessState& process, int joystick) {
    if (process.table == nullptr || joystick < 0) return -1;
    MutexLock lock(process.tableMutex);
    return ControlPlaceOf(process, static_cast<std::uint32_t>(joystick));
}
bool ValidHandle(int h) { return h >= 1 && h <= static_cast<int>(kSlotCount); }

std::uint32_t MaskOf(const DeviceConfig& config) {
    return config.forceSettings != nullptr ? config.forceSettings->mask : 0;
}

void DriveSpringIfAsked(ProcessState& process, int place) {
    if (process.table->settings[place].driveDefaultSpring != 0) ZXSetDefaultSpring(process, place);
}

// keyPath\joystick and Value_Parameter_h; false when the path is null or leaves no room.
bool ImageKey(const char* keyPath, int h, int joystick, char (&key)[kKeyPathSize],
              char (&name)[kImageNameSize]) {
    if (keyPath == nullptr) return false;
    const int n = std::snprintf(key, sizeof key, "%s\\%d", keyPath, joystick);
    if (n <= 0 || n >= kKeyPathSize) return false;
    std::snprintf(name, sizeof name, "Value_Parameter_%d", h);
    return true;
}

}  // namespace

int GetDeviceConfig(ProcessState& process, int joystick, DeviceConfig* config) {
    const int place = PlaceOf(process, joystick);
    if (config == nullptr || place < 0) return 0;
    LoadStrengths(*process.table, place, joystick);
    DeviceSettings& s = process.table->settings[place];
    config->filled = 1;
    const std::uint32_t mask = MaskOf(*config);
    ForceSettings* f = config->forceSettings;
    if (mask & QUORFORCE_MASK_GLOBAL) f->global = s.globalValue;
    if (mask & QUORFORCE_MASK_DYNAMIC) f->dynamic = s.dynamicValue;
    if (mask & QUORFORCE_MASK_SPRING) f->spring = s.springValue;
    if (mask & QUORFORCE_MASK_STATIC_B) f->staticB = s.staticValue;
    if (mask & QUORFORCE_MASK_STATIC_A) f->staticA = s.staticValue;
    if (mask & QUORFORCE_MASK_SPRING_ON) {
        f->springOn = s.springEnabled;
        DriveSpringIfAsked(process, place);
    }
    config->defaultSpringDriven = s.driveDefaultSpring;
    return 0;
}

int SetDeviceConfig(ProcessState& process, int joystick, const DeviceConfig* config) {
    const int place = PlaceOf(process, joystick);
    if (config == nullptr || place < 0) return 0;
    DeviceSettings& s = process.table->settings[place];
    const std::uint32_t mask =
        (config->applyFlags & QUORFORCE_APPLY_FORCE_SETTINGS) ? MaskOf(*config) : 0;
    const ForceSettings* f = config->forceSettings;
    if (mask & QUORFORCE_MASK_GLOBAL) s.globalValue = f->global;
    if (mask & QUORFORCE_MASK_DYNAMIC) s.dynamicValue = f->dynamic;
    if (mask & QUORFORCE_MASK_STATIC_B) s.staticValue = f->staticB;
    if (mask & QUORFORCE_MASK_STATIC_A) s.staticValue = f->staticA;  // staticA wins
    if (mask & QUORFORCE_MASK_SPRING) {
        s.springValue = f->spring;
        DriveSpringIfAsked(process, place);
    }
    if (mask & QUORFORCE_MASK_SPRING_ON) {
        s.springEnabled = static_cast<std::uint8_t>(f->springOn & 0xFF);
        DriveSpringIfAsked(process, place);
    }
    SaveStrengths(*process.table, place, joystick);
    return 0;
}

int ReloadStrengths(ProcessState& process, int joystick) {
    const int place = PlaceOf(process, joystick);
    if (place < 0) return 0;
    LoadStrengths(*process.table, place, joystick);
    return 1;
}

int SaveEffectImage(ProcessState& process, const char* keyPath, int h, int joystick) {
    char key[kKeyPathSize];
    char name[kImageNameSize];
    const int place = PlaceOf(process, joystick);
    if (place < 0 || !ValidHandle(h) || !ImageKey(keyPath, h, joystick, key, name)) return 0;
    const std::int32_t area = process.areaOfPlace[place];
    if (area < 0 || area >= static_cast<std::int32_t>(kAreaCount)) return 0;
    EffectSlot image;
    {
        MutexLock lock(process.tableMutex);  // no download changes the slot mid-copy
        image = process.table->areas[area].slots[h - 1];
    }
    WriteConfigBinary(&image, sizeof image, key, name);
    return 0;
}

int ArmGainOverride(ProcessState& process, const char* keyPath, int h, int joystick, int enable) {
    const int place = PlaceOf(process, joystick);
    if (place < 0) return 0;
    if (enable != 1) {
        process.table->gainOverrideActive[place] = 0;
        return 0;
    }
    char key[kKeyPathSize];
    char name[kImageNameSize];
    if (!ValidHandle(h) || !ImageKey(keyPath, h, joystick, key, name)) return 0;
    EffectSlot image = {};
    DWORD length = 0;
    // An image that cannot be read (absent, longer than a slot, or shorter than its gain)
    // leaves the entry as it was; the override is armed all the same.
    if (ReadConfigBinary(&image, sizeof image, key, name, &length) &&
        length >= offsetof(EffectSlot, gain) + sizeof image.gain) {
        process.table->settings[place].gainOverride[h - 1] = static_cast<std::int32_t>(image.gain);
    }
    process.table->gainOverrideActive[place] = 1;
    return 1;
}

}  // namespace quorforce
