// Slot bookkeeping of one device area: allocate, free, start, stop, status, reset, stop
// all, count; and the neutral output value a device is sent when nothing plays.
// Callers hold the TableMutex, except for GetSlotStatus (one aligned read).
//
// An area outside 0..7 is refused with E_INVALIDARG and a handle outside 1..64 with
// E_HANDLE before anything is indexed: the ids come from callers and the table from any
// process.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

// Takes the lowest free slot; *handle is 0 and the result DIERR_DEVICEFULL when none is.
HRESULT AllocateSlot(ProcessState& process, DWORD area, DWORD* handle);
// E_HANDLE when the slot is not allocated.
HRESULT FreeSlot(ProcessState& process, DWORD area, DWORD handle);
// Marks the slot playing from its beginning (DIES_SOLO stops the area's others first).
// An unallocated slot is refused with E_HANDLE: starting it would play stale bytes.
HRESULT StartSlot(ProcessState& process, DWORD area, DWORD handle, DWORD mode, DWORD count);
// Marks the slot not playing; *idle tells whether nothing plays in the area any more.
HRESULT StopSlot(ProcessState& process, DWORD area, DWORD handle, bool* idle);
// DIEGES_PLAYING or 0.
HRESULT GetSlotStatus(const ProcessState& process, DWORD area, DWORD handle, DWORD* status);
// Frees and stops every slot of the area.
HRESULT ResetArea(ProcessState& process, DWORD area);
// Stops every slot of the area; the playing count is recounted by the next start or stop.
HRESULT StopAllSlots(ProcessState& process, DWORD area);
HRESULT CountSlots(const ProcessState& process, DWORD area, std::uint16_t* total,
                   std::uint16_t* used);

// 0 for a vibration device, 0x8080 for a two-half force device, 0x80 for a one-value one.
std::uint32_t NeutralOutputValue(const ProcessState& process, DWORD area);

bool IsValidArea(DWORD area);
// An area and handle in range whose slot is allocated.
bool IsSlotAllocated(const ProcessState& process, DWORD area, DWORD handle);
bool IsValidHandle(DWORD handle);

}  // namespace quorforce
