// ProcessState: everything one process keeps beside the shared table, in one record: the
// table base and the handles of its named objects, the monitor block, the maps between areas
// and the table's per-joystick places, the places this process holds, the playing counts, the
// device-state flags, the device links, the motion estimate of each device and the report
// channel. The operations take it as their first argument; the module owns the process's one
// instance and tests make their own, so a fresh state is one assignment.
//
// The words every part of quorforce uses, the tests included:
//   area      the internal device id, 0..7 (DirectInput's dwInternalId): selects the table's
//             DeviceArea and this process's DeviceLink, motion estimate and playing count.
//   joystick  DirectInput's joystick id, 0..15 (its dwExternalID): names the registry's
//             joystick key and the effect images' key.
//   place     one of the table's eight per-joystick places (vendor and product id, settings,
//             gain override; state/joystick_places.h). Joystick 0..7 takes its own place when
//             it is free; 8..15, or one whose place is held, borrows the highest free one.
//   strength  one of the five percentages of a joystick key (Global_Value, Static_Value,
//             Dynamic_Value, Spring_Value and the Spring_Enabled switch) and the panel's
//             sliders for them: LoadStrengths, SaveStrengths, SettingGroup::Strengths.
//   gain      only an effect's dwGain (a slot's gain), the gain override that replaces it,
//             and DirectInput's device gain (SetGain).
//   kBuiltInVendorId  the built-in wheel's vendor id (config/registry_layout.h), the one the
//             driver binds first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"
#include "state/device_link.h"
#include "state/game_tuning.h"
#include "state/monitor_block.h"
#include "state/motion_state.h"
#include "state/report_channel.h"
#include "state/shared_table.h"

namespace quorforce {

// Room for a game's executable file name (at most MAX_PATH characters).
constexpr std::size_t kGameNameLength = 260;

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
    // The place (0..7) bound to each area and the area bound to each place. For joystick ids
    // 0..7 the place is the id itself unless another id held it first.
    std::int32_t placeOfArea[kAreaCount] = {};
    std::int32_t areaOfPlace[kJoystickCount] = {};
    std::int32_t areaHoldsPlace[kAreaCount] = {};       // 1: the area's place is held for it
    HANDLE placeObjects[kJoystickCount] = {};           // the places this process holds
    std::int32_t joystickOfPlace[kJoystickCount] = {};  // the joystick id each held place serves
    std::int32_t playingCount[kAreaCount] = {};  // playing slots as last counted by start/stop
    DeviceStateFlags deviceState;
    DeviceLink deviceLinks[kAreaCount] = {};  // one per area
    MotionState motion[kAreaCount];           // one per device, guarded by the InputMutex
    ReportChannel reports;
    std::int32_t isNtAbove4 = 0;  // selects the form of DirectInput's device-class key
    // The game this process is: its profile's name (the executable's file name in lower case,
    // empty when it has none usable), looked up once at the first DeviceID; the named object
    // that shows the game running, held from then to the unload; each area's switches.
    std::int32_t gameKnown = 0;
    char gameName[kGameNameLength] = {};
    HANDLE gamePresence = nullptr;
    GameTuning gameTuning[kAreaCount];
};

}  // namespace quorforce
