// The device's own spring, switched and set by two HID feature reports from the settings
// of a joystick id's place in the table (for ids 0..7 with no other id in their place, the
// id itself; state/joystick_places.h). Called by the control panel's exports in whatever process
// loaded the driver; it acts only through that process's own binding of the device, which it holds
// still with the TableMutex for the length of the call.
#pragma once

#include "hid/hid_result.h"
#include "state/process_state.h"

namespace quorforce {

// 1 when every step up to the last HidD_SetFeature succeeded (the second report's own
// result does not count); 0 as soon as one fails, or when the calling process has not
// bound the place `place` (nothing is sent then).
Done ZXSetDefaultSpring(ProcessState& process, int place);

}  // namespace quorforce
