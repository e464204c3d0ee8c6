// ReportChannel: what the device library keeps per process for its reports: the one
// output report buffer all links share, the two OVERLAPPED records with their named
// events, the kernel's cancel entry looked up at load, and the reports held for the force
// thread. Nothing of it is shared between processes. The output side is used under the
// TableMutex, the read side under the InputMutex; every write of an output report, and the
// held reports, also under the send lock.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "state/shared_table.h"

namespace quorforce {

typedef BOOL(WINAPI* CancelIoFunction)(HANDLE);

// The longest output report an extra pass writes from its own buffer: a full-speed interrupt
// transfer's 64 bytes. A device with longer reports has its extra passes mixed on the force
// thread instead.
constexpr std::uint16_t kHeldReportSize = 64;
constexpr std::uint32_t kNotHolding = 0xFFFFFFFFu;

// An area's output report, built by a caller's extra pass and held for the force thread while
// the previous extra pass's write is in flight.
struct HeldReport {
    HANDLE device = nullptr;  // null: nothing held
    std::uint16_t length = 0;
    BYTE bytes[kHeldReportSize] = {};
};

struct ReportChannel {
    BYTE* outputBuffer = nullptr;          // one output report buffer for all links
    std::uint16_t outputBufferLength = 0;  // 0 = no buffer held
    OVERLAPPED writeOverlapped = {};       // its event is the named "WRITE_EVENT"
    OVERLAPPED readOverlapped = {};        // its event is the named "READ_EVENT"
    HANDLE writeEvent = nullptr;
    HANDLE readEvent = nullptr;
    HMODULE kernelModule = nullptr;
    CancelIoFunction cancelIoEntry = nullptr;
    // The low-latency path (hid/held_reports.h). A caller mixes its area's extra pass under
    // the TableMutex with `holdingArea` set; the pass's report is then written with the held
    // writes' own record without waiting, or held behind the one in flight for the force
    // thread, which writes it under the send lock alone. Every other write takes the send
    // lock too, drops a report held for its device (it is older) and lets the held write in
    // flight settle, so that the reports reach a device in the order they were mixed.
    SRWLOCK sendLock = SRWLOCK_INIT;
    std::uint32_t holdingArea = kNotHolding;  // under the TableMutex
    HeldReport held[kAreaCount];              // under the send lock
    BYTE heldBuffer[kHeldReportSize] = {};    // what the held write in flight reads
    OVERLAPPED heldOverlapped = {};           // the held writes' own, with an unnamed event
    HANDLE heldEvent = nullptr;
    HANDLE heldWriteDevice = nullptr;  // the device of the last such write, for its cancel
};

}  // namespace quorforce
