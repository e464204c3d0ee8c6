// Effect download: validates a DIEFFECT from DirectInput and stores it into a slot of the
// caller's area, new or updated, optionally starting it. Nothing is sent to the device.
// Called on DirectInput's threads; takes the TableMutex for its whole body.
#pragma once

#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

// *pdwEffect: 0 asks for a new effect, 1..64 updates that one; receives the handle on
// success. flags: DIEP_ bits. Besides the DirectInput results (S_OK, E_NOTIMPL,
// DIERR_DEVICEFULL) a record that cannot be read safely is refused with E_INVALIDARG and
// an update of a handle that is not allocated with E_HANDLE, before anything is written.
HRESULT DownloadEffect(ProcessState& process, DWORD area, DWORD effectId, DWORD* pdwEffect,
                       const DIEFFECT* peff, DWORD flags);

}  // namespace quorforce
