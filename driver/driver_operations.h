// The effect driver's operations as plain functions over the process state; the COM
// object (EffectDriver) is a thin layer over them. Called on DirectInput's threads.
#pragma once

#include <cstdint>

#include "config/registry_layout.h"
#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

// Binds `area` to the device of `joystick` (0..15) and loads its settings into the
// joystick's place of the table (state/joystick_places.h); on the first bind of a driver
// object, or in a place newly lent to the joystick, also the strengths; on the first bind it
// deletes the id's stored effect images. Areas of 8 or more, joystick ids of 16 or more
// and an id for which no place is free are refused with E_FAIL, nothing changed.
HRESULT BindDevice(ProcessState& process, DWORD joystick, DWORD area,
                   std::int32_t* firstBindPending, DWORD* objectArea);

HRESULT GetDriverVersions(DIDRIVERVERSIONS* versions);
// The game's device gain, kept for a game whose profile honours it; always S_OK.
HRESULT SetGain(ProcessState& process, DWORD area, DWORD gain);
HRESULT SendForceFeedbackCommand(ProcessState& process, DWORD area, DWORD command);
HRESULT GetForceFeedbackState(ProcessState& process, DWORD area, DIDEVICESTATE* state);
HRESULT StartEffect(ProcessState& process, DWORD area, DWORD handle, DWORD mode, DWORD count);
HRESULT StopEffect(ProcessState& process, DWORD area, DWORD handle);
HRESULT DestroyEffect(ProcessState& process, DWORD area, DWORD handle);
HRESULT GetEffectStatus(const ProcessState& process, DWORD area, DWORD handle, DWORD* status);

// Sends the area's neutral output value once; the caller holds the TableMutex.
void SendNeutralOutput(ProcessState& process, DWORD area);

}  // namespace quorforce
