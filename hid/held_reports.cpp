// The extra passes' reports of the low-latency path.
#include "hid/held_reports.h"

#include <cstring>

#include "hid/report_io.h"
#include "util/slim_lock.h"

namespace quorforce {
namespace {

// Starts the write and returns without waiting for the device: the buffer and the record
// stay the write's until it settles, and the next user of either waits for that first.
HidStatus StartHeldWrite(ReportChannel& reports, HANDLE device, const BYTE* bytes,
                         std::uint16_t length) {
    std::memcpy(reports.heldBuffer, bytes, length);
    reports.heldWriteDevice = device;
    reports.heldOverlapped = OVERLAPPED{};
    reports.heldOverlapped.hEvent = reports.heldEvent;
    return StartOutputWrite(device, reports.heldBuffer, length, &reports.heldOverlapped);
}

// Waits at most `waitMs` for the held write in flight; one the device has not taken by then is
// cancelled, so that neither the record nor the device stays taken by it. CancelIoEx: the write
// may be a caller's, which the force thread's CancelIo would not reach.
bool SettleOrCancel(ReportChannel& reports, DWORD waitMs) {
    if (WriteSettled(reports.heldOverlapped, waitMs)) return true;
    if (reports.heldWriteDevice != nullptr)
        CancelIoEx(reports.heldWriteDevice, &reports.heldOverlapped);
    return WriteSettled(reports.heldOverlapped, kWriteWaitMs);
}

}  // namespace

bool CanHoldReport(const ProcessState& process, DWORD area) {
    if (area >= kAreaCount || process.reports.heldEvent == nullptr) return false;
    const DeviceLink& link = process.deviceLinks[area];
    return link.inUse == 1 && link.outputReportLength != 0 &&
           link.outputReportLength <= kHeldReportSize;
}

HidStatus SendOrHoldReport(ReportChannel& reports, HANDLE device, std::uint16_t length,
                           PHIDP_PREPARSED_DATA preparsed, std::uint16_t usagePage,
                           std::uint16_t usage, DWORD value) {
    if (reports.holdingArea >= kAreaCount) return HidStatus::Failed;
    HeldReport& held = reports.held[reports.holdingArea];
    held.device = nullptr;
    if (length == 0 || length > kHeldReportSize ||
        !BuildOutputReport(held.bytes, length, preparsed, usagePage, usage, value)) {
        return HidStatus::Failed;
    }
    if (reports.heldEvent != nullptr && WriteSettled(reports.heldOverlapped, 0))
        return StartHeldWrite(reports, device, held.bytes, length);
    held.device = device;
    held.length = length;
    return HidStatus::Ok;
}

bool ReportHeld(ProcessState& process, DWORD area) {
    if (area >= kAreaCount) return false;
    SlimLock sending(process.reports.sendLock);
    return process.reports.held[area].device != nullptr;
}

void DropHeldFor(ReportChannel& reports, HANDLE device) {
    for (HeldReport& held : reports.held)
        if (held.device == device) held.device = nullptr;
}

void DropHeldReports(ProcessState& process, HANDLE device) {
    if (device == nullptr) return;
    ReportChannel& reports = process.reports;
    SlimLock sending(reports.sendLock);
    DropHeldFor(reports, device);
    if (reports.heldWriteDevice != device) return;
    SettleOrCancel(reports, 0);
    reports.heldWriteDevice = nullptr;  // the handle's value may come back for another file
}

bool SettleHeldWriteFirst(ReportChannel& reports) { return SettleOrCancel(reports, kWriteWaitMs); }

void SendHeldReports(ProcessState& process) {
    ReportChannel& reports = process.reports;
    SlimLock sending(reports.sendLock);
    for (HeldReport& held : reports.held) {
        const HANDLE device = held.device;
        if (device == nullptr) continue;
        held.device = nullptr;
        if (reports.heldEvent == nullptr || !SettleOrCancel(reports, kWriteWaitMs)) continue;
        StartHeldWrite(reports, device, held.bytes, held.length);
    }
}

void OpenHeldEvent(ReportChannel& reports) {
    SlimLock sending(reports.sendLock);
    if (reports.heldEvent == nullptr)
        reports.heldEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void CloseHeldEvent(ReportChannel& reports) {
    SlimLock sending(reports.sendLock);
    for (HeldReport& held : reports.held)
        held.device = nullptr;
    if (reports.heldEvent != nullptr && SettleOrCancel(reports, kWriteWaitMs)) {
        CloseHandle(reports.heldEvent);
        reports.heldEvent = nullptr;
    }
}

}  // namespace quorforce
