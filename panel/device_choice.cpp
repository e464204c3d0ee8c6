// The panel's wheels and their device keys.
#include "panel/device_choice.h"

#include <cstdio>

#include "config/registry_layout.h"
#include "panel/live_view.h"
#include "state/joystick_places.h"

namespace quorforce::panel {

std::size_t ListDevices(const SharedEffectTable* table, const MonitorBlock* monitor,
                        DeviceChoice (&devices)[kJoystickCount]) {
    if (table == nullptr) return 0;
    std::uint32_t places[kJoystickCount] = {};
    const std::size_t count = BoundJoysticks(*table, places);
    for (std::size_t i = 0; i < count; ++i) {
        // A place lent to a joystick id of 8 to 15 shows, and reaches the driver, by that id.
        devices[i].joystick = HolderOfPlace(monitor, places[i]);
        devices[i].vendor = table->vendorIds[places[i]];
        devices[i].product = table->productIds[places[i]];
    }
    return count;
}

DeviceChoice FirstChoice(const DeviceChoice* devices, std::size_t count, std::uint32_t preferred) {
    for (std::size_t i = 0; i < count; ++i)
        if (devices[i].joystick == preferred) return devices[i];
    return count != 0 ? devices[0] : DeviceChoice();
}

std::string DeviceKeyOf(const DeviceChoice& device) {
    const bool bound = device.vendor != 0 || device.product != 0;
    char ids[20];
    std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X",
                  static_cast<unsigned>(bound ? device.vendor : kBuiltInVendorId),
                  static_cast<unsigned>(bound ? device.product : kBuiltInProductId));
    return std::string(kOemRoot) + ids + kProductSubkey;
}

}  // namespace quorforce::panel
