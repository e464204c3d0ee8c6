// Host stand-in: the built-in virtual wheel as data. Its report descriptor is the one the
// Wine minidriver serves too (virtual_hid_wheel_descriptor.h).
#include "platform/host/virtual_hid.h"
#include "platform/host/virtual_hid_wheel_descriptor.h"

namespace host {

std::vector<std::uint8_t> BuiltInWheelDescriptor() {
    return std::vector<std::uint8_t>(std::begin(kBuiltInWheelDescriptor),
                                     std::end(kBuiltInWheelDescriptor));
}

VirtualHidConfig BuiltInWheel() {
    VirtualHidConfig config;
    config.descriptor = BuiltInWheelDescriptor();
    config.vendorId = 0x5A1C;
    config.productId = 0xE410;
    config.path = HidDevicePath(0x5A1C, 0xE410, "0000");
    return config;
}

}  // namespace host
