// The driver object's calls as the recorder sees them. Each runs the plain operation; while a
// session is recorded it holds the TableMutex around the operation and its line, so the line
// lands between the ticks exactly where the call did, and the reports the call sent come just
// before it. DeviceID also starts the session when the game's "Record" switch is 1. Called on
// DirectInput's threads.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

// The recording's name for one driver object (given at its first recorded call) and the area
// its DeviceID bound.
struct RecordedCaller {
    std::uint32_t* objectId;
    DWORD area;
};

HRESULT RecordedDeviceID(ProcessState& process, RecordedCaller caller, DWORD joystick, DWORD area,
                         std::int32_t* firstBindPending, DWORD* objectArea);
HRESULT RecordedGetVersions(ProcessState& process, RecordedCaller caller,
                            DIDRIVERVERSIONS* versions);
// Escape and SetGain: the result the object gave, recorded with the arguments.
HRESULT RecordedEscape(ProcessState& process, RecordedCaller caller, DWORD effect, HRESULT result);
HRESULT RecordedSetGain(ProcessState& process, RecordedCaller caller, DWORD gain);
HRESULT RecordedCommand(ProcessState& process, RecordedCaller caller, DWORD command);
HRESULT RecordedGetState(ProcessState& process, RecordedCaller caller, DIDEVICESTATE* state);
HRESULT RecordedDownload(ProcessState& process, RecordedCaller caller, DWORD effectId,
                         DWORD* pdwEffect, const DIEFFECT* peff, DWORD flags);
HRESULT RecordedDestroy(ProcessState& process, RecordedCaller caller, DWORD handle);
HRESULT RecordedStart(ProcessState& process, RecordedCaller caller, DWORD handle, DWORD mode,
                      DWORD count);
HRESULT RecordedStop(ProcessState& process, RecordedCaller caller, DWORD handle);
HRESULT RecordedStatus(ProcessState& process, RecordedCaller caller, DWORD handle, DWORD* status);

}  // namespace quorforce
