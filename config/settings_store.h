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

// The device key of the table's place `place` (named after the vendor and product id there),
// and the joystick key of joystick id `joystick` 0..7 whose values stand in the place of the
// same number (the device key + "\<joystick>"). False for ids outside 0..7.
bool DeviceKey(const SharedEffectTable& table, int place, char (&key)[kKeyPathSize]);
bool JoystickKey(const SharedEffectTable& table, int joystick, char (&key)[kKeyPathSize]);
// The same for a joystick id of 0..15 whose values stand in the table's place `place` (0..7):
// the device key from that place's ids, the joystick key named after the joystick id.
bool JoystickKey(const SharedEffectTable& table, int place, int joystick,
                 char (&key)[kKeyPathSize]);

EngineSettings LoadEngineSettings();

// The ten per-device values into the link and settings of `place`; always 1.
int LoadDeviceSettings(SharedEffectTable& table, DeviceLink& link, int place);
// "Motor_Parameters" into the settings of `place` (0 when absent); returns it.
std::int32_t LoadMotorParameters(SharedEffectTable& table, int place);
// The five strengths of the joystick key, 100 (and 0 for the spring switch) when absent.
void LoadStrengths(SharedEffectTable& table, int joystick);
void LoadStrengths(SharedEffectTable& table, int place, int joystick);
// Writes the five strengths; failures are silent.
void SaveStrengths(const SharedEffectTable& table, int joystick);
void SaveStrengths(const SharedEffectTable& table, int place, int joystick);
// Deletes subkey `joystick` (0..15) of the effects key under the local machine; failures are
// silent.
void ClearEffectImages(const char* effectsKey, int joystick);

}  // namespace quorforce
