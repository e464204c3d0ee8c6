// The place map's readers: which place a joystick id's values stand in.
#include "state/joystick_places.h"

#include "state/kernel_names.h"
#include "state/named_objects.h"

namespace quorforce {

void FormatPlaceName(std::uint32_t place, char (&name)[kGuidTextSize]) {
    GUID guid = kPlaceObjectGuid;
    guid.Data1 += place;
    FormatGuidText(guid, name);
}

bool PlaceIsHeld(std::uint32_t place) {
    if (place >= kJoystickCount) return false;
    char name[kGuidTextSize];
    FormatPlaceName(place, name);
    HANDLE object = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (object != nullptr) {
        CloseHandle(object);
        return true;
    }
    // Refused (not found is the one answer that means free): someone holds it.
    return GetLastError() != ERROR_FILE_NOT_FOUND;
}

int HeldPlaceOf(const MonitorBlock* monitor, std::uint32_t joystick) {
    if (monitor == nullptr || joystick >= kJoystickIdCount) return -1;
    for (std::uint32_t place = 0; place < kJoystickCount; ++place) {
        const std::uint32_t holder = monitor->placeHolder[place];
        if (holder == joystick + 1 && PlaceIsHeld(place)) return static_cast<int>(place);
    }
    return -1;
}

int SettingsPlaceOf(const MonitorBlock* monitor, std::uint32_t joystick) {
    if (monitor == nullptr) return joystick < kJoystickCount ? static_cast<int>(joystick) : -1;
    const int held = HeldPlaceOf(monitor, joystick);
    if (held >= 0 || joystick >= kJoystickCount) return held;
    // Its own place, unless lent to another id that is bound now.
    const std::uint32_t holder = monitor->placeHolder[joystick];
    const bool lent = holder != 0 && holder != joystick + 1 && PlaceIsHeld(joystick);
    return lent ? -1 : static_cast<int>(joystick);
}

std::uint32_t HolderOfPlace(const MonitorBlock* monitor, std::uint32_t place) {
    if (monitor == nullptr || place >= kJoystickCount) return place;
    const std::uint32_t holder = monitor->placeHolder[place];
    if (holder == 0 || holder > kJoystickIdCount || !PlaceIsHeld(place)) return place;
    return holder - 1;
}

}  // namespace quorforce
