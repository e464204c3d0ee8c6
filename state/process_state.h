// ProcessState: everything one process keeps beside the shared table, in one record: the
// table base and the handles of its named objects, the monitor block, the maps between internal
// device ids and the table's per-joystick places (a joystick id's place: state/joystick_places.h),
// the places this process holds, the playing counts, the device-state flags, the device links, the
// motion estimate of each device and the report channel. The operations take it as their first
// argument; the module owns the process's one instance and tests make their own, so a fresh state
// is one assignment.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "state/device_link.h"
#include "state/monitor_block.h"
#include "state/motion_state.h"
#include "state/report_channel.h"
#include "state/shared_table.h"

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
    MonitorBlock* monitor = nullptr;  // null when the block could not be made: nothing recorded
    HANDLE monitorMapping = nullptr;
    // The per-joystick place (0..7) bound to each area and the area bound to each place. For
    // joystick ids 0..7 the place is the id itself unless another id held it first.
    std::int32_t externalIdOfArea[kAreaCount] = {};
    std::int32_t areaOfExternalId[kJoystickCount] = {};
    std::int32_t areaHoldsPlace[kAreaCount] = {};       // 1: the area's place is held for it
    HANDLE placeObjects[kJoystickCount] = {};           // the places this process holds
    std::int32_t joystickOfPlace[kJoystickCount] = {};  // the joystick id each held place serves
    std::int32_t playingCount[kAreaCount] = {};  // playing slots as last counted by start/stop
    DeviceStateFlags deviceState;
    DeviceLink deviceLinks[kAreaCount] = {};  // one per internal device id
    MotionState motion[kAreaCount];           // one per device, guarded by the InputMutex
    ReportChannel reports;
    std::int32_t isNtAbove4 = 0;  // selects the form of DirectInput's device-class key
};

}  // namespace quorforce
