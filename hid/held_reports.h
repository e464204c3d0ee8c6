// The reports of the low-latency path. A driver call that changes an area's force mixes the
// area's extra pass on its own thread, under the TableMutex it takes for its call anyway, and
// the pass's report is held; the force thread, woken by the call, writes it under the
// reports' send lock alone. So the way from the call to the wire crosses no kernel mutex (under
// Wine every wait on one is a round trip through its one server) and the call itself never
// waits on the device. Every other write takes the send lock and drops a held report for its
// device, which is older, so reports reach a device in the order they were mixed; a rebind
// drops the link's held report before it closes the device.
#pragma once

#include <cstdint>

#include "hid/hid_result.h"
#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

// Whether the area's extra pass can be held: the link is bound, its output report fits, and
// the process has the held writes' event (from the first bind to the last driver object).
// Under the TableMutex.
bool CanHoldReport(const ProcessState& process, DWORD area);

// With the send lock held and `reports.holdingArea` set: builds the report of `value` into
// that area's held report, replacing what it held.
HidStatus HoldReport(ReportChannel& reports, HANDLE device, std::uint16_t length,
                     PHIDP_PREPARSED_DATA preparsed, std::uint16_t usagePage, std::uint16_t usage,
                     DWORD value);
// With the send lock held: drops any report held for `device`.
void DropHeldFor(ReportChannel& reports, HANDLE device);
// Takes the send lock: drops any report held for `device`, which is about to close; a held
// write in flight to it has ended when this returns.
void DropHeldReports(ProcessState& process, HANDLE device);

// The force thread: writes every held report, each to its device, with the bounded wait of
// any send. A write whose earlier one never settled is dropped (the next tick supersedes it).
void SendHeldReports(ProcessState& process);

// The held writes' unnamed event, made at a bind and closed with the named ones.
void OpenHeldEvent(ReportChannel& reports);
void CloseHeldEvent(ReportChannel& reports);

}  // namespace quorforce
