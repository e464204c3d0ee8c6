// The wheels the panel offers, each with the registry key its game page edits: the joystick
// ids the shared table holds a vendor and product id for, as the device list shows them, and
// the one the panel (and `quorpanel /import`) takes first. Called on the panel's window
// thread, and once by the command line's import.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "state/monitor_block.h"
#include "state/shared_table.h"

namespace quorforce::panel {

struct DeviceChoice {
    std::uint32_t joystick = 0;  // DirectInput's joystick id, 0..15
    std::uint16_t vendor = 0;    // the ids of the place its values stand in; 0 when unbound
    std::uint16_t product = 0;
};

// Every bound joystick id in the table's order of places; their number. `table` and
// `monitor` may be null.
std::size_t ListDevices(const SharedEffectTable* table, const MonitorBlock* monitor,
                        DeviceChoice (&devices)[kJoystickCount]);

// The one shown first: `preferred` when it is listed, else the first listed, else joystick 1
// (id 0) with no ids.
DeviceChoice FirstChoice(const DeviceChoice* devices, std::size_t count, std::uint32_t preferred);

// The device key the driver reads a bound wheel's switches from, "...\OEM\VID_XXXX&PID_XXXX
// \Quorvane\FFB_API". A wheel no game has bound since the driver's table was made has no ids
// there: its key is then the built-in wheel's, the model the setup installs.
std::string DeviceKeyOf(const DeviceChoice& device);

}  // namespace quorforce::panel
