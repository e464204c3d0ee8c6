// The held reports of the low-latency path.
#include "hid/held_reports.h"

#include <cstring>

#include "hid/report_io.h"
#include "util/slim_lock.h"

namespace quorforce {

bool CanHoldReport(const ProcessState& process, DWORD area) {
    if (area >= kAreaCount || process.reports.heldEvent == nullptr) return false;
    const DeviceLink& link = process.deviceLinks[area];
    return link.inUse == 1 && link.outputReportLength != 0 &&
           link.outputReportLength <= kHeldReportSize;
}

HidStatus HoldReport(ReportChannel& reports, HANDLE device, std::uint16_t length,
                     PHIDP_PREPARSED_DATA preparsed, std::uint16_t usagePage, std::uint16_t usage,
                     DWORD value) {
    if (reports.holdingArea >= kAreaCount) return HidStatus::Failed;
    HeldReport& held = reports.held[reports.holdingArea];
    held.device = nullptr;
    if (length == 0 || length > kHeldReportSize ||
        !BuildOutputReport(held.bytes, length, preparsed, usagePage, usage, value)) {
        return HidStatus::Failed;
    }
    held.device = device;
    held.length = length;
    return HidStatus::Ok;
}

void DropHeldFor(ReportChannel& reports, HANDLE device) {
    for (HeldReport& held : reports.held)
        if (held.device == device) held.device = nullptr;
}

void DropHeldReports(ProcessState& process, HANDLE device) {
    if (device == nullptr) return;
    SlimLock sending(process.reports.sendLock);
    DropHeldFor(process.reports, device);
}

void SendHeldReports(ProcessState& process) {
    ReportChannel& reports = process.reports;
    SlimLock sending(reports.sendLock);
    for (HeldReport& held : reports.held) {
        const HANDLE device = held.device;
        if (device == nullptr) continue;
        held.device = nullptr;
        // The buffer of a write cancelled but not yet settled is still read by the system.
        if (reports.heldEvent == nullptr || !OverlappedFree(reports.heldOverlapped)) continue;
        std::memcpy(reports.heldBuffer, held.bytes, held.length);
        reports.heldOverlapped = OVERLAPPED{};
        reports.heldOverlapped.hEvent = reports.heldEvent;
        WriteOutputReport(device, reports.heldBuffer, held.length, &reports.heldOverlapped);
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
    if (reports.heldEvent != nullptr && OverlappedFree(reports.heldOverlapped)) {
        CloseHandle(reports.heldEvent);
        reports.heldEvent = nullptr;
    }
}

}  // namespace quorforce
