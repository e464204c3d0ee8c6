// Loading the list of accepted devices from the registry, for DeviceID's binding.
#include "config/accepted_devices.h"
#include "config/registry_access.h"
#include "config/settings_store.h"

namespace quorforce {
namespace {
constexpr int kListTextSize = 1024;  // longer lists are not read
}  // namespace

int LoadAcceptedDevices(AcceptedDevice (&devices)[kMaxAcceptedDevices]) {
    char text[kListTextSize] = {};
    DWORD length = 0;
    // One byte kept back, so that a value stored without its end still ends.
    if (!ReadConfigBinary(text, sizeof text - 1, kProductKey, kAcceptedDevicesValue, &length)) {
        return 0;
    }
    text[length < sizeof text ? length : sizeof text - 1] = '\0';
    return ParseAcceptedDevices(text, devices);
}

}  // namespace quorforce
