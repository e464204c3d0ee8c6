// The control panel's operations behind the five plain exports, over the process state:
// read and change a joystick id's force strengths and the device's own spring, reload the
// strengths, store one effect's image in the registry and arm the gain override from such
// images. They run on the caller's threads in the caller's process; a change to the shared
// table reaches ForceThread of every process on its next tick.
//
// A joystick id of 0..15 reaches the table's place its values stand in (driver/place_claims.h);
// its registry keys are named after the id itself.
//
// Bad input has no effect: joystick ids outside 0..15 or without a place now, handles outside
// 1..64, null records,
// null or too long key paths change no byte of the table, the registry or the caller's
// memory beyond the record addressed. A null forceSettings counts as mask 0.
#pragma once

#include "include/quorforce.h"
#include "state/process_state.h"

namespace quorforce {

int GetDeviceConfig(ProcessState& process, int joystick, DeviceConfig* config);
int SetDeviceConfig(ProcessState& process, int joystick, const DeviceConfig* config);
int ReloadStrengths(ProcessState& process, int joystick);
int SaveEffectImage(ProcessState& process, const char* keyPath, int handle, int joystick);
int ArmGainOverride(ProcessState& process, const char* keyPath, int handle, int joystick,
                    int enable);

}  // namespace quorforce
