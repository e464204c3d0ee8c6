// Claiming the table's places for joystick ids.
#include "driver/place_claims.h"

#include "state/joystick_places.h"
#include "state/named_objects.h"

namespace quorforce {
namespace {

int HeldHere(const ProcessState& process, std::uint32_t joystick) {
    for (std::uint32_t place = 0; place < kJoystickCount; ++place) {
        if (process.placeObjects[place] != nullptr &&
            process.joystickOfPlace[place] == static_cast<std::int32_t>(joystick)) {
            return static_cast<int>(place);
        }
    }
    return -1;
}

// Opens (or makes) the place's object and keeps it; a new holding is written to the map.
bool Hold(ProcessState& process, std::uint32_t place, std::uint32_t joystick, bool fresh) {
    if (process.placeObjects[place] == nullptr) {
        char name[kGuidTextSize];
        FormatPlaceName(place, name);
        process.placeObjects[place] = OpenOrCreateSharedMutex(name);
        if (process.placeObjects[place] == nullptr) return false;
    }
    process.joystickOfPlace[place] = static_cast<std::int32_t>(joystick);
    if (fresh) process.monitor->placeHolder[place] = joystick + 1;
    return true;
}

// A free place, its own first for ids 0..7, then from the highest down: the low ids are the
// ones other game controllers most likely bring.
int FreePlace(std::uint32_t joystick) {
    if (joystick < kJoystickCount && !PlaceIsHeld(joystick)) return static_cast<int>(joystick);
    for (int place = static_cast<int>(kJoystickCount) - 1; place >= 0; --place) {
        if (!PlaceIsHeld(static_cast<std::uint32_t>(place))) return place;
    }
    return -1;
}

}  // namespace

int ClaimPlace(ProcessState& process, std::uint32_t joystick, bool* lent) {
    *lent = false;
    if (joystick >= kJoystickIdCount) return -1;
    const int here = HeldHere(process, joystick);
    if (here >= 0) return here;
    // Without the map (an older driver made the monitor block) only the fixed places exist.
    if (process.monitor == nullptr) {
        return joystick < kJoystickCount ? static_cast<int>(joystick) : -1;
    }
    const int held = HeldPlaceOf(process.monitor, joystick);
    if (held >= 0) {
        return Hold(process, static_cast<std::uint32_t>(held), joystick, false) ? held : -1;
    }
    const int place = FreePlace(joystick);
    if (place < 0) {
        // Every place held: an id of 0..7 still has its own, as it always had.
        if (joystick >= kJoystickCount) return -1;
        if (process.placeObjects[joystick] != nullptr) return static_cast<int>(joystick);
        return Hold(process, joystick, joystick, false) ? static_cast<int>(joystick) : -1;
    }
    const std::uint32_t p = static_cast<std::uint32_t>(place);
    if (!Hold(process, p, joystick, true)) return -1;
    if (p != joystick) {
        process.table->gainOverrideActive[p] = 0;
        *lent = true;
    }
    return place;
}

void ReleaseUnusedPlaces(ProcessState& process) {
    for (std::uint32_t place = 0; place < kJoystickCount; ++place) {
        if (process.placeObjects[place] == nullptr) continue;
        bool used = false;
        for (std::uint32_t area = 0; area < kAreaCount; ++area) {
            used = used || (process.areaHoldsPlace[area] == 1 &&
                            process.placeOfArea[area] == static_cast<std::int32_t>(place));
        }
        if (used) continue;
        CloseHandle(process.placeObjects[place]);
        process.placeObjects[place] = nullptr;
    }
}

int JoystickOfPlace(const ProcessState& process, std::uint32_t place) {
    if (place >= kJoystickCount) return -1;
    return process.placeObjects[place] != nullptr ? process.joystickOfPlace[place]
                                                  : static_cast<int>(place);
}

int ControlPlaceOf(const ProcessState& process, std::uint32_t joystick) {
    if (joystick >= kJoystickIdCount) return -1;
    const int here = HeldHere(process, joystick);
    return here >= 0 ? here : SettingsPlaceOf(process.monitor, joystick);
}

}  // namespace quorforce
