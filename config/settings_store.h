// The driver's registry keys and the routines that move groups of the catalogue's values
// between the registry and the shared table or the device link. Run by the module's load and
// unload, DeviceID and the exports; never per tick.
#pragma once

#include <cstdint>

#include "config/registry_layout.h"
#include "config/settings_catalogue.h"
#include "state/device_link.h"
#include "state/shared_table.h"

namespace quorforce {

constexpr int kKeyPathSize = 1024;

// The device key of joystick id j (named after its vendor and product id in the table),
// and its joystick key (the device key + "\j"). False for a j outside 0..7.
bool DeviceKey(const SharedEffectTable& table, int j, char (&key)[kKeyPathSize]);
bool JoystickKey(const SharedEffectTable& table, int j, char (&key)[kKeyPathSize]);
// The same for a joystick id of 0..15 whose values stand in the table's place `place` (0..7):
// the device key from that place's ids, the joystick key named after the joystick id.
bool JoystickKey(const SharedEffectTable& table, int place, int joystick,
                 char (&key)[kKeyPathSize]);

EngineSettings LoadEngineSettings();

// The ten per-device values into the link and settings j; always 1.
int LoadDeviceSettings(SharedEffectTable& table, DeviceLink& link, int j);
// "Motor_Parameters" into settings j (0 when absent); returns it.
std::int32_t LoadMotorParameters(SharedEffectTable& table, int j);
// The five force values of the joystick key, 100 (and 0 for the spring switch) when absent.
void LoadForceGains(SharedEffectTable& table, int j);
void LoadForceGains(SharedEffectTable& table, int place, int joystick);
// Writes the five force values; failures are silent.
void SaveForceGains(const SharedEffectTable& table, int j);
void SaveForceGains(const SharedEffectTable& table, int place, int joystick);
// Deletes subkey j (0..15) of the effects key under the local machine; failures are silent.
void ClearEffectImages(const char* effectsKey, int j);

}  // namespace quorforce
