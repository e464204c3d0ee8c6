// What one process keeps beside the shared table: the table base and the handles of its
// named objects, the maps between internal device ids and joystick ids, the playing counts
// and the device-state flags. The module owns one; tests make their own.
#pragma once

#include <cstdint>

#include "driver/shared_table.h"
#include "platform/win32.h"

namespace quorforce {

// Device state set by the force-feedback commands and reported back; the engine does not
// consult it.
struct DeviceStateFlags {
    std::int32_t actuatorsOff = 0;
    std::int32_t paused = 0;
    std::int32_t stopped = 0;
};

struct ProcessState {
    SharedEffectTable* table = nullptr;  // null when not mapped
    HANDLE mapping = nullptr;
    HANDLE tableMutex = nullptr;
    HANDLE inputMutex = nullptr;
    std::int32_t externalIdOfArea[kAreaCount] = {};  // joystick id bound to each area
    std::int32_t areaOfExternalId[kJoystickCount] = {};  // area bound to each joystick id
    std::int32_t playingCount[kAreaCount] = {};  // playing slots as last counted by start/stop
    DeviceStateFlags deviceState;
};

// Creates or opens the TableMutex, the InputMutex and the table's mapping, and maps the
// whole block. All or nothing: on failure whatever was opened is closed again.
bool OpenSharedObjects(ProcessState& process);
// Unmaps and closes what is open; safe to call twice.
void CloseSharedObjects(ProcessState& process);

}  // namespace quorforce
