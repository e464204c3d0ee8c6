// Output reports with a bounded wait, input reads that never block.
#include "hid/report_io.h"

#include <cstring>

#include "hid/held_reports.h"
#include "hid/report_id.h"
#include "record/event_lines.h"
#include "record/recorder.h"
#include "state/named_objects.h"
#include "util/sign_extend.h"
#include "util/slim_lock.h"

namespace quorforce {
namespace {

constexpr DWORD kSettleWaitMs = 100;  // for a cancelled operation to come back
constexpr int kMaxDrainedReports = 1024;
constexpr USAGE kButtonPage = 9;
constexpr USAGE kGenericDesktopPage = 1;
constexpr USAGE kXUsage = 0x30;

// The system writes the status when the operation completes: read it afresh every time.
bool Pending(const OVERLAPPED& overlapped) {
    return static_cast<const volatile ULONG_PTR&>(overlapped.Internal) == STATUS_PENDING;
}

// Waits up to budgetMs for the operation to leave the pending state. The events are named,
// so another process's I/O can signal ours: only the OVERLAPPED's own status counts. The
// bound is the millisecond clock's (a Sleep(1) lasts up to 15.6 ms under Windows' default
// timer); the count of looks is a second bound for a clock that stands still.
bool WaitUntilSettled(OVERLAPPED& overlapped, DWORD budgetMs) {
    const DWORD start = GetTickCount();
    for (DWORD looks = 0; Pending(overlapped); ++looks) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= budgetMs || looks >= budgetMs) return false;
        const DWORD result = overlapped.hEvent != nullptr
                                 ? WaitForSingleObject(overlapped.hEvent, budgetMs - spent)
                                 : WAIT_FAILED;
        if (result == WAIT_TIMEOUT) return !Pending(overlapped);
        if (Pending(overlapped)) Sleep(1);
    }
    return true;
}

void PutValue(BYTE* outputBuffer, std::uint16_t length, DWORD value) {
    for (std::uint16_t i = 1; i < length; ++i) {
        outputBuffer[i] = static_cast<BYTE>(value >> (8 * ((i - 1) % 4)));
    }
}

// A read that did not complete at once is cancelled; without a cancel entry it is left to
// settle by itself. Nothing waits for the cancel here, since the caller holds the
// InputMutex that the force pass needs: the next read looks whether it has settled.
void AbandonRead(ReportChannel& reports, HANDLE device) {
    if (reports.cancelIoEntry == nullptr) return;
    reports.cancelIoEntry(device);
    DWORD transferred = 0;
    GetOverlappedResult(device, &reports.readOverlapped, &transferred, FALSE);
}

bool ReadAtOnce(ReportChannel& reports, HANDLE device, BYTE* buffer, std::uint16_t length) {
    DWORD read = 0;
    if (ReadFile(device, buffer, length, &read, &reports.readOverlapped)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF || error == ERROR_IO_PENDING) AbandonRead(reports, device);
    return false;
}

void TakeXValue(MotionState& motion, const DeviceLink& link, PHIDP_PREPARSED_DATA preparsed,
                BYTE* buffer, std::uint16_t length) {
    ULONG raw = 0;
    if (HidP_GetUsageValue(HidP_Input, kGenericDesktopPage, 0, kXUsage, &raw, preparsed,
                           reinterpret_cast<PCHAR>(buffer), length) != HIDP_STATUS_SUCCESS) {
        return;
    }
    const std::uint16_t axes =
        link.inputAxisCount < kMaxInputAxes ? link.inputAxisCount : kMaxInputAxes;
    for (std::uint16_t i = 0; i < axes; ++i) {
        const AxisCaps& axis = link.inputAxes[i];
        if (axis.usage != kXUsage) continue;
        const std::uint32_t value = axis.isSigned == 1 ? SignExtend(axis.bitSize, raw) : raw;
        motion.position = static_cast<std::int32_t>(value);
    }
}

bool ButtonsQualify(PHIDP_PREPARSED_DATA preparsed, BYTE* buffer, std::uint16_t length) {
    USAGE usages[16];
    ULONG count = 16;
    return HidP_GetUsages(HidP_Input, kButtonPage, 0, usages, &count, preparsed,
                          reinterpret_cast<PCHAR>(buffer), length) == HIDP_STATUS_SUCCESS;
}

}  // namespace

HidStatus ZXPreallocateBuffer(ProcessState& process, std::uint16_t length) {
    ZXReleaseBuffer(process);
    void* memory = VirtualAlloc(nullptr, length, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (memory == nullptr) return HidStatus::NoBuffer;
    ReportChannel& reports = process.reports;
    reports.outputBuffer = static_cast<BYTE*>(memory);
    std::memset(reports.outputBuffer, 0, length);
    reports.outputBufferLength = length;
    return HidStatus::Ok;
}

HidStatus ZXReleaseBuffer(ProcessState& process) {
    ReportChannel& reports = process.reports;
    if (reports.outputBuffer != nullptr) VirtualFree(reports.outputBuffer, 0, MEM_RELEASE);
    reports.outputBuffer = nullptr;
    reports.outputBufferLength = 0;
    return HidStatus::Ok;
}

bool BuildOutputReport(BYTE* buffer, std::uint16_t length, PHIDP_PREPARSED_DATA preparsed,
                       std::uint16_t usagePage, std::uint16_t usage, DWORD value) {
    // Every link shares the buffer: what the previous send left, its report id in byte 0
    // above all, would make the parser refuse this device's value.
    std::memset(buffer, 0, length);
    if (HidP_SetUsageValue(HidP_Output, usagePage, 0, usage, value, preparsed,
                           reinterpret_cast<PCHAR>(buffer), length) != HIDP_STATUS_SUCCESS) {
        return false;
    }
    PutReportId(HidP_Output, preparsed, usagePage, usage, buffer);
    PutValue(buffer, length, value);
    return true;
}

bool WriteSettled(OVERLAPPED& overlapped, DWORD waitMs) {
    return !Pending(overlapped) || WaitUntilSettled(overlapped, waitMs);
}

HidStatus StartOutputWrite(HANDLE device, const BYTE* buffer, std::uint16_t length,
                           OVERLAPPED* overlapped) {
    DWORD written = 0;
    if (WriteFile(device, buffer, length, &written, overlapped)) return HidStatus::Ok;
    const DWORD error = GetLastError();
    if (error == ERROR_DEVICE_NOT_CONNECTED) return HidStatus::NotConnected;
    return error == ERROR_IO_PENDING && overlapped != nullptr ? HidStatus::Ok : HidStatus::Failed;
}

HidStatus WriteOutputReport(HANDLE device, const BYTE* buffer, std::uint16_t length,
                            OVERLAPPED* overlapped) {
    const HidStatus started = StartOutputWrite(device, buffer, length, overlapped);
    if (started != HidStatus::Ok || overlapped == nullptr ||
        WaitUntilSettled(*overlapped, kWriteWaitMs)) {
        return started;
    }
    CancelIo(device);
    WaitUntilSettled(*overlapped, kSettleWaitMs);
    return HidStatus::Failed;
}

HidStatus ZXSendOutputBuffer(ProcessState& process, HANDLE device, std::uint16_t length,
                             PHIDP_PREPARSED_DATA preparsed, std::uint16_t usagePage,
                             std::uint16_t usage, DWORD value, OVERLAPPED* overlapped) {
    ReportChannel& reports = process.reports;
    if (reports.outputBuffer == nullptr || length != reports.outputBufferLength) {
        const HidStatus result = ZXPreallocateBuffer(process, length);
        if (result != HidStatus::Ok) return result;
    }
    SlimLock sending(reports.sendLock);
    if (reports.holdingArea < kAreaCount)
        return SendOrHoldReport(reports, device, length, preparsed, usagePage, usage, value);
    DropHeldFor(reports, device);  // this report is newer
    // An extra pass's write goes first: the device takes the reports in the order they were
    // mixed.
    SettleHeldWriteFirst(reports);
    if (overlapped != nullptr && !WriteSettled(*overlapped, 0)) {
        if (Recording()) RecordBusyLine(device);
        return HidStatus::Failed;  // an earlier write is still in flight with this OVERLAPPED
    }
    if (!BuildOutputReport(reports.outputBuffer, reports.outputBufferLength, preparsed, usagePage,
                           usage, value)) {
        return HidStatus::Failed;
    }
    if (Recording()) RecordReportLine("report", device, reports.outputBuffer, length);
    return WriteOutputReport(device, reports.outputBuffer, length, overlapped);
}

HidStatus SendOutputBuffer(ProcessState& process, HANDLE device, std::uint16_t length,
                           PHIDP_PREPARSED_DATA preparsed, std::uint16_t usagePage,
                           std::uint16_t usage, DWORD value) {
    return ZXSendOutputBuffer(process, device, length, preparsed, usagePage, usage, value,
                              &process.reports.writeOverlapped);
}

Done ZXReadInputBuffer(ProcessState& process, HANDLE device, std::uint16_t length,
                       PHIDP_PREPARSED_DATA preparsed, BYTE* buffer, DWORD bufferSize, int area) {
    if (device == nullptr || buffer == nullptr || length == 0 || length > bufferSize || area < 0 ||
        area >= static_cast<int>(kAreaCount)) {
        return Done::No;
    }
    ReportChannel& reports = process.reports;
    MotionState& motion = process.motion[area];
    if (Pending(reports.readOverlapped) && !WaitUntilSettled(reports.readOverlapped, 0))
        return Done::No;
    const DeviceLink& link = process.deviceLinks[area];
    if (!ReadAtOnce(reports, device, buffer, length)) return Done::No;
    motion.previousPosition = motion.position;
    TakeXValue(motion, link, preparsed, buffer, length);
    if (!ButtonsQualify(preparsed, buffer, length)) return Done::No;
    // Drain the queue so that the buffer ends with the newest report.
    for (int i = 0; i < kMaxDrainedReports && ReadAtOnce(reports, device, buffer, length); ++i) {}
    TakeXValue(motion, link, preparsed, buffer, length);
    return Done::Yes;
}

bool SettleRead(ProcessState& process) {
    OVERLAPPED& read = process.reports.readOverlapped;
    return !Pending(read) || WaitUntilSettled(read, kSettleWaitMs);
}

void ZXLoadCancelIo(ProcessState& process) {
    ZXReleaseCancelIo(process);  // a second load keeps one reference only
    ReportChannel& reports = process.reports;
    reports.kernelModule = LoadLibraryA("KERNEL32.DLL");
    FARPROC entry = reports.kernelModule != nullptr
                        ? GetProcAddress(reports.kernelModule, "CancelIo")
                        : nullptr;
    reports.cancelIoEntry = reinterpret_cast<CancelIoFunction>(reinterpret_cast<void*>(entry));
}

void ZXReleaseCancelIo(ProcessState& process) {
    ReportChannel& reports = process.reports;
    if (reports.kernelModule != nullptr) FreeLibrary(reports.kernelModule);
    reports.kernelModule = nullptr;
    reports.cancelIoEntry = nullptr;
}

void ZXCloseEvents(ProcessState& process) {
    ReportChannel& reports = process.reports;
    if (reports.writeEvent != nullptr) CloseHandle(reports.writeEvent);
    if (reports.readEvent != nullptr) CloseHandle(reports.readEvent);
    reports.writeEvent = reports.readEvent = nullptr;
    reports.writeOverlapped.hEvent = nullptr;
    reports.readOverlapped.hEvent = nullptr;
    CloseHeldEvent(reports);
}

void ResetOverlappedForBind(ProcessState& process) {
    ReportChannel& r = process.reports;
    // Named, so every process shares them: made with the security of the other shared objects,
    // so that one made by an elevated game does not refuse a normal one.
    if (r.writeEvent == nullptr) r.writeEvent = OpenOrCreateSharedEvent("WRITE_EVENT");
    if (r.readEvent == nullptr) r.readEvent = OpenOrCreateSharedEvent("READ_EVENT");
    if (!Pending(r.writeOverlapped)) {
        r.writeOverlapped = OVERLAPPED{};
        r.writeOverlapped.hEvent = r.writeEvent;
    }
    if (!Pending(r.readOverlapped)) {
        r.readOverlapped = OVERLAPPED{};
        r.readOverlapped.hEvent = r.readEvent;
    }
    OpenHeldEvent(r);
}

}  // namespace quorforce
