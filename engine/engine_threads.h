// The engine's two threads. ForceThread runs the mixer tick for every device with playing
// effects, then waits one polling step; PollThread reads the devices' input reports and
// updates the motion estimate. Each loop is a pass function around a wait, so tests and
// tools can run the passes themselves, in virtual time.
#pragma once

#include <cstdint>

#include "config/settings_catalogue.h"
#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

constexpr DWORD kPollBufferSize = 100;

struct EngineThreads {
    HANDLE forceThread = nullptr;
    HANDLE pollThread = nullptr;
    DWORD forceThreadId = 0;
    DWORD pollThreadId = 0;
    ProcessState* process = nullptr;          // carries the playing counts
    DWORD pollingStep = kDefaultPollingStep;  // ms
    volatile LONG stopFlag = 0;
    HANDLE stopEvent = nullptr;   // set with the stop flag, so the waits end at once
    HANDLE forceEnded = nullptr;  // each thread's last act: it has left the driver's code
    HANDLE pollEnded = nullptr;
};

// The priority both threads get for a "THREAD_PRIORITY" code.
int ThreadPriorityOf(DWORD priorityCode);

// Builds the tables, creates both threads and gives them the priority; returns 1.
int StartEngine(EngineThreads& engine, DWORD priorityCode);
// Sets the stop flag and wakes both threads.
void RequestEngineStop(EngineThreads& engine);
// After RequestEngineStop: waits (at most timeoutMs) for both threads to leave, then
// closes their handles and events. True when both ended in time.
bool AwaitEngineStop(EngineThreads& engine, DWORD timeoutMs);

// One pass of each thread, at `now`: timeGetTime for ForcePass, GetTickCount for
// PollPass, each read once per pass.
void ForcePass(ProcessState& process, std::uint32_t now);
void PollPass(ProcessState& process, BYTE* buffer, std::uint32_t now);

DWORD WINAPI ForceThread(LPVOID engine);
DWORD WINAPI PollThread(LPVOID engine);

}  // namespace quorforce
