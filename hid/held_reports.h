// The reports of the low-latency path. A driver call that changes an area's force mixes the
// area's extra pass on its own thread, under the TableMutex it takes for its call anyway, and
// starts the pass's write itself without waiting for the device (the held writes' own record,
// buffer and unnamed event), so that the report is on its way when the call returns. Where the
// previous such write is still in flight, the report is held instead and the woken force
// thread writes it once that write has settled. Every other write takes the reports' send lock,
// drops a held report for its device (it is older) and lets an extra pass's write in flight
// settle first, so reports reach a device in the order they were mixed; a rebind drops the
// link's held report before it closes the device.
#pragma once

#include <cstdint>

#include "hid/hid_result.h"
#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

// Whether the area's extra pass can be written this way: the link is bound, its output report
// fits, and the process has the held writes' event (from the first bind to the last driver
// object). Under the TableMutex.
bool CanHoldReport(const ProcessState& process, DWORD area);

// With the send lock held and `reports.holdingArea` set: builds the report of `value` and
// starts its write, or holds it in that area's held report when the previous extra pass's
// write is still in flight.
HidStatus SendOrHoldReport(ReportChannel& reports, HANDLE device, std::uint16_t length,
                           PHIDP_PREPARSED_DATA preparsed, std::uint16_t usagePage,
                           std::uint16_t usage, DWORD value);
// Whether the area has a report held for the force thread. Takes the send lock.
bool ReportHeld(ProcessState& process, DWORD area);
// With the send lock held: drops any report held for `device`.
void DropHeldFor(ReportChannel& reports, HANDLE device);
// Takes the send lock: drops any report held for `device`, which is about to close, and ends a
// held write still in flight to it.
void DropHeldReports(ProcessState& process, HANDLE device);
// With the send lock held, before any other write: waits for an extra pass's write in flight,
// cancelling it when the device has not taken it within the bound of a write.
bool SettleHeldWriteFirst(ReportChannel& reports);

// The force thread: writes every held report, each to its device, once the write before it
// has settled (the bounded wait of a write, then its cancel; a report whose record is still
// taken after that is dropped, and the next tick supersedes it).
void SendHeldReports(ProcessState& process);

// The held writes' unnamed event, made at a bind and closed with the named ones (and before
// the module goes) once its write has settled, after the bounded wait and the cancel.
void OpenHeldEvent(ReportChannel& reports);
void CloseHeldEvent(ReportChannel& reports);

}  // namespace quorforce
