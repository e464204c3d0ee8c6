// Claiming and releasing the table's per-joystick places for this process's bound areas
// (state/joystick_places.h has the rules). Run by DeviceID under the TableMutex, and by the
// unload.
#pragma once

#include <cstdint>

#include "state/process_state.h"

namespace quorforce {

// The place for binding `joystick` (0..15) in this process, held from now on; -1 when none
// can be had. *lent: the place was newly taken by an id other than its own, so what a former
// holder left there (the gain override) has been cleared and the strengths must be loaded.
int ClaimPlace(ProcessState& process, std::uint32_t joystick, bool* lent);
// Closes the objects of the places that no area of this process holds any more.
void ReleaseUnusedPlaces(ProcessState& process);
// The joystick id whose values stand in `place` in this process, for its registry keys: the id
// it was claimed for, else the place's own number.
int JoystickOfPlace(const ProcessState& process, std::uint32_t place);
// The place of `joystick` for the control exports: the one this process holds for it, else
// the one the map gives (SettingsPlaceOf); -1 when its values have no place now.
int ControlPlaceOf(const ProcessState& process, std::uint32_t joystick);

}  // namespace quorforce
