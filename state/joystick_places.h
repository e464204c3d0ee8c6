// Where each joystick id's per-joystick values stand in the shared table. DirectInput numbers
// game controllers 0..15, the table has 8 places (vendor and product id, settings, gain
// override). A joystick id takes its own place when it is 0..7 and no other id holds it, else
// the highest free place; the monitor block's place map says which id holds a place, and the
// place's named object, held open by every process that has the id bound, says whether the
// holding still counts: it vanishes with its last handle, also when a game crashes. Called by
// DeviceID (under the TableMutex), by the control exports and by the control panel.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "state/monitor_block.h"
#include "state/shared_table.h"
#include "util/guid_text.h"

namespace quorforce {

constexpr std::uint32_t kJoystickIdCount = 16;  // DirectInput's joystick ids 0..15

// The name of place p's object: the place objects' GUID with p added to its first field.
void FormatPlaceName(std::uint32_t place, char (&name)[kGuidTextSize]);
// Whether some process holds place p (its object exists).
bool PlaceIsHeld(std::uint32_t place);
// The place the joystick id holds in some process now, or -1. The map is read once per place
// and a holder is believed only while its place is held.
int HeldPlaceOf(const MonitorBlock* monitor, std::uint32_t joystick);
// The place whose values belong to the joystick id now: the place it holds, else its own
// place (0..7) unless another id holds that; else -1. Without the monitor block (an older
// driver made it smaller), ids 0..7 have their own places and no other id has one.
int SettingsPlaceOf(const MonitorBlock* monitor, std::uint32_t joystick);

// The joystick id whose values stand in `place` now: its holder while it is held, else the
// place's own number. A holder word out of range counts as none.
std::uint32_t HolderOfPlace(const MonitorBlock* monitor, std::uint32_t place);

}  // namespace quorforce
