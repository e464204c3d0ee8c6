// Output reports with a bounded wait, input reads that never block.
#include "hid/report_io.h"

#include <cstring>

#include "engine/motion.h"
#include "hid/device_link.h"

namespace quorforce {

BYTE* outputBuffer = nullptr;
std::uint16_t outputBufferLength = 0;
OVERLAPPED writeOverlapped = {};
OVERLAPPED readOverlapped = {};
HMODULE kernelModule = nullptr;
CancelIoFunction cancelIoEntry = nullptr;

namespace {

HANDLE writeEvent = nullptr;
HANDLE readEvent = nullptr;
HANDLE inputMutex = nullptr;

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
// so another process's I/O can signal ours: only the OVERLAPPED's own status counts.
bool WaitUntilSettled(OVERLAPPED& overlapped, DWORD budgetMs) {
    DWORD left = budgetMs;
    while (Pending(overlapped)) {
        if (left == 0) return false;
        const DWORD result = overlapped.hEvent != nullptr
                                 ? WaitForSingleObject(overlapped.hEvent, left)
                                 : WAIT_FAILED;
        if (result == WAIT_TIMEOUT) return !Pending(overlapped);
        if (Pending(overlapped)) {
            Sleep(1);
            --left;
        }
    }
    return true;
}

void PutValue(std::uint16_t length, DWORD value) {
    for (std::uint16_t i = 1; i < length; ++i) {
        outputBuffer[i] = static_cast<BYTE>(value >> (8 * ((i - 1) % 4)));
    }
}

// Some HID parsers leave byte 0 alone; the device refuses a report without its id.
void PutReportId(PHIDP_PREPARSED_DATA preparsed, USAGE page, USAGE usage) {
    HIDP_VALUE_CAPS caps;
    USHORT count = 1;
    if (HidP_GetSpecificValueCaps(HidP_Output, page, 0, usage, &caps, &count, preparsed) ==
            HIDP_STATUS_SUCCESS &&
        count == 1) {
        outputBuffer[0] = caps.ReportID;
    }
}

// A read that did not complete at once is cancelled and collected, so nothing stays
// pending; without a cancel entry it is left to settle by itself.
void AbandonRead(HANDLE device) {
    if (cancelIoEntry == nullptr) return;
    cancelIoEntry(device);
    DWORD transferred = 0;
    GetOverlappedResult(device, &readOverlapped, &transferred, FALSE);
    WaitUntilSettled(readOverlapped, kSettleWaitMs);
}

bool ReadAtOnce(HANDLE device, BYTE* buffer, std::uint16_t length) {
    DWORD read = 0;
    if (ReadFile(device, buffer, length, &read, &readOverlapped)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF || error == ERROR_IO_PENDING) AbandonRead(device);
    return false;
}

void TakeXValue(const DeviceLink& link, PHIDP_PREPARSED_DATA preparsed, BYTE* buffer,
                std::uint16_t length) {
    ULONG raw = 0;
    if (HidP_GetUsageValue(HidP_Input, kGenericDesktopPage, 0, kXUsage, &raw, preparsed,
                           reinterpret_cast<PCHAR>(buffer), length) != HIDP_STATUS_SUCCESS) {
        return;
    }
    const std::uint16_t axes = link.inputAxisCount < kMaxInputAxes ? link.inputAxisCount
                                                                    : kMaxInputAxes;
    for (std::uint16_t i = 0; i < axes; ++i) {
        const AxisCaps& axis = link.inputAxes[i];
        if (axis.usage != kXUsage) continue;
        const std::uint32_t value = axis.isSigned == 1 ? SignExtend(axis.bitSize, raw) : raw;
        motionState.position = static_cast<std::int32_t>(value);
    }
}

bool ButtonsQualify(PHIDP_PREPARSED_DATA preparsed, BYTE* buffer, std::uint16_t length) {
    USAGE usages[16];
    ULONG count = 16;
    return HidP_GetUsages(HidP_Input, kButtonPage, 0, usages, &count, preparsed,
                          reinterpret_cast<PCHAR>(buffer), length) == HIDP_STATUS_SUCCESS;
}

}  // namespace

int ZXPreallocateBuffer(std::uint16_t length) {
    ZXReleaseBuffer();
    void* memory = VirtualAlloc(nullptr, length, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (memory == nullptr) return 2;
    outputBuffer = static_cast<BYTE*>(memory);
    std::memset(outputBuffer, 0, length);
    outputBufferLength = length;
    return 0;
}

int ZXReleaseBuffer() {
    if (outputBuffer != nullptr) VirtualFree(outputBuffer, 0, MEM_RELEASE);
    outputBuffer = nullptr;
    outputBufferLength = 0;
    return 0;
}

int ZXSendOutputBuffer(HANDLE device, std::uint16_t length, PHIDP_PREPARSED_DATA preparsed,
                       std::uint16_t usagePage, std::uint16_t usage, DWORD value,
                       OVERLAPPED* overlapped) {
    if (outputBuffer == nullptr || length != outputBufferLength) {
        const int result = ZXPreallocateBuffer(length);
        if (result != 0) return result;
    }
    if (overlapped != nullptr && Pending(*overlapped) && !WaitUntilSettled(*overlapped, 0)) {
        return 1;  // an earlier write is still in flight with this OVERLAPPED
    }
    if (HidP_SetUsageValue(HidP_Output, usagePage, 0, usage, value, preparsed,
                           reinterpret_cast<PCHAR>(outputBuffer),
                           outputBufferLength) != HIDP_STATUS_SUCCESS) {
        return 1;
    }
    PutReportId(preparsed, usagePage, usage);
    PutValue(length, value);
    DWORD written = 0;
    if (WriteFile(device, outputBuffer, length, &written, overlapped)) return 0;
    const DWORD error = GetLastError();
    if (error == ERROR_DEVICE_NOT_CONNECTED) return 3;
    if (error != ERROR_IO_PENDING || overlapped == nullptr) return 1;
    if (WaitUntilSettled(*overlapped, kWriteWaitMs)) return 0;
    CancelIo(device);
    WaitUntilSettled(*overlapped, kSettleWaitMs);
    return 1;
}

int SendOutputBuffer(HANDLE device, std::uint16_t length, PHIDP_PREPARSED_DATA preparsed,
                     std::uint16_t usagePage, std::uint16_t usage, DWORD value) {
    return ZXSendOutputBuffer(device, length, preparsed, usagePage, usage, value,
                              &writeOverlapped);
}

int ZXReadInputBuffer(HANDLE device, std::uint16_t length, PHIDP_PREPARSED_DATA preparsed,
                      BYTE* buffer, DWORD bufferSize, int linkIndex) {
    if (device == nullptr || buffer == nullptr || length == 0 || length > bufferSize ||
        linkIndex < 0 || linkIndex >= static_cast<int>(kAreaCount)) {
        return 0;
    }
    if (Pending(readOverlapped) && !WaitUntilSettled(readOverlapped, 0)) return 0;
    const DeviceLink& link = deviceLinks[linkIndex];
    if (!ReadAtOnce(device, buffer, length)) return 0;
    motionState.previousPosition = motionState.position;
    TakeXValue(link, preparsed, buffer, length);
    if (!ButtonsQualify(preparsed, buffer, length)) return 0;
    // Drain the queue so that the buffer ends with the newest report.
    for (int i = 0; i < kMaxDrainedReports && ReadAtOnce(device, buffer, length); ++i) {
    }
    TakeXValue(link, preparsed, buffer, length);
    return 1;
}

void ZXLoadCancelIo() {
    ZXReleaseCancelIo();  // a second load keeps one reference only
    kernelModule = LoadLibraryA("KERNEL32.DLL");
    FARPROC entry = kernelModule != nullptr ? GetProcAddress(kernelModule, "CancelIo") : nullptr;
    cancelIoEntry = reinterpret_cast<CancelIoFunction>(reinterpret_cast<void*>(entry));
}

void ZXReleaseCancelIo() {
    if (kernelModule != nullptr) FreeLibrary(kernelModule);
    kernelModule = nullptr;
    cancelIoEntry = nullptr;
}

void ZXCloseEvents() {
    if (writeEvent != nullptr) CloseHandle(writeEvent);
    if (readEvent != nullptr) CloseHandle(readEvent);
    writeEvent = readEvent = nullptr;
    writeOverlapped.hEvent = nullptr;
    readOverlapped.hEvent = nullptr;
}

void SetReportInputMutex(HANDLE mutex) { inputMutex = mutex; }
HANDLE ReportInputMutex() { return inputMutex; }

void ResetOverlappedForBind() {
    if (writeEvent == nullptr) writeEvent = CreateEventA(nullptr, TRUE, TRUE, "WRITE_EVENT");
    if (readEvent == nullptr) readEvent = CreateEventA(nullptr, TRUE, TRUE, "READ_EVENT");
    if (!Pending(writeOverlapped)) {
        writeOverlapped = OVERLAPPED{};
        writeOverlapped.hEvent = writeEvent;
    }
    if (!Pending(readOverlapped)) {
        readOverlapped = OVERLAPPED{};
        readOverlapped.hEvent = readEvent;
    }
}

}  // namespace quorforce
