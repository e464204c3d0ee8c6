// The game this process serves: its profile's name (the executable's file name in lower case,
// looked up once), its profile key made known under the current user so that the panel lists
// the game, the named object that shows it running, and the switches each bind loads into the
// area's record. Called at DeviceID (the TableMutex held) and at the module's unload.
#pragma once

#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

// After `area` was bound in the table's place `place`: the game named and shown running (at the
// process's first bind), its empty profile key made under the device key when missing, and the
// switches of the device key and the profile loaded for the area.
void LoadGameProfile(ProcessState& process, DWORD area, int place);

// The game's named object let go (at the unload).
void ReleaseGame(ProcessState& process);

}  // namespace quorforce
