// ReportChannel: what the device library keeps per process for its reports: the one
// output report buffer all links share, the two OVERLAPPED records with their named
// events, and the kernel's cancel entry looked up at load. Nothing of it is shared
// between processes. The output side is used under the TableMutex, the read side under
// the InputMutex.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace quorforce {

typedef BOOL(WINAPI* CancelIoFunction)(HANDLE);

struct ReportChannel {
    BYTE* outputBuffer = nullptr;          // one output report buffer for all links
    std::uint16_t outputBufferLength = 0;  // 0 = no buffer held
    OVERLAPPED writeOverlapped = {};       // its event is the named "WRITE_EVENT"
    OVERLAPPED readOverlapped = {};        // its event is the named "READ_EVENT"
    HANDLE writeEvent = nullptr;
    HANDLE readEvent = nullptr;
    HMODULE kernelModule = nullptr;
    CancelIoFunction cancelIoEntry = nullptr;
};

}  // namespace quorforce
