// Output and input reports. The output side turns one 32-bit value into a HID output
// report and writes it with a bounded wait (ForceThread and the driver's commands, under
// the TableMutex and the send lock), or holds it for the force thread while a caller mixes an
// extra pass (hid/held_reports.h); the input side reads the device's queued input reports without
// ever blocking and keeps the newest X position in the motion estimate (PollThread, under the
// InputMutex).
#pragma once

#include <cstdint>

#include "hid/hid_result.h"
#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

constexpr DWORD kWriteWaitMs = 100;

// 0 = a zero-filled buffer of that length is held; 2 = it could not be allocated.
HidStatus ZXPreallocateBuffer(ProcessState& process, std::uint16_t length);
HidStatus ZXReleaseBuffer(ProcessState& process);

// 0 = written; 1 = not written (the value has no place in the report, the write failed,
// or it stayed pending for 100 ms and was cancelled); 2 = no buffer; 3 = not connected.
// An OVERLAPPED whose earlier write has not settled is never reused: that send gives 1.
HidStatus ZXSendOutputBuffer(ProcessState& process, HANDLE device, std::uint16_t reportLength,
                             PHIDP_PREPARSED_DATA preparsed, std::uint16_t usagePage,
                             std::uint16_t usage, DWORD value, OVERLAPPED* overlapped);
HidStatus SendOutputBuffer(ProcessState& process, HANDLE device, std::uint16_t reportLength,
                           PHIDP_PREPARSED_DATA preparsed, std::uint16_t usagePage,
                           std::uint16_t usage, DWORD value);

// The parts of a send. Builds the report of `value` into `buffer` (`length` bytes, zeroed
// first); false when the value has no place in it. Whether the OVERLAPPED's earlier write has
// settled, waiting at most `waitMs` for it. Starts the write without waiting (Ok while it is
// in flight). Writes the report with the bounded wait and the cancel, as above.
bool BuildOutputReport(BYTE* buffer, std::uint16_t length, PHIDP_PREPARSED_DATA preparsed,
                       std::uint16_t usagePage, std::uint16_t usage, DWORD value);
bool WriteSettled(OVERLAPPED& overlapped, DWORD waitMs);
HidStatus StartOutputWrite(HANDLE device, const BYTE* buffer, std::uint16_t length,
                           OVERLAPPED* overlapped);
HidStatus WriteOutputReport(HANDLE device, const BYTE* buffer, std::uint16_t length,
                            OVERLAPPED* overlapped);

// Reads every queued input report of link `area` into `buffer` (bufferSize bytes; a
// report longer than that is never read), keeping the newest X value in that link's motion
// estimate. 1 = at least one report was read and its buttons qualified; 0 = nothing new or a
// failure.
Done ZXReadInputBuffer(ProcessState& process, HANDLE device, std::uint16_t reportLength,
                       PHIDP_PREPARSED_DATA preparsed, BYTE* buffer, DWORD bufferSize, int area);

// Waits, up to 100 ms, for an abandoned read to come back, so that its buffer may go;
// false when it is still pending.
bool SettleRead(ProcessState& process);

void ZXLoadCancelIo(ProcessState& process);
void ZXReleaseCancelIo(ProcessState& process);
// Closes the two events (the driver does so when its last driver object goes).
void ZXCloseEvents(ProcessState& process);

// For a bind, with the InputMutex held: zero the two OVERLAPPED records (unless one still
// has I/O in flight) and give them the named events, created once.
void ResetOverlappedForBind(ProcessState& process);

}  // namespace quorforce
