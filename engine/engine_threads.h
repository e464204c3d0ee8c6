// The engine's two threads. ForceThread runs the mixer tick for every device with playing
// effects, then waits for the next tick; PollThread reads the devices' input reports and
// updates the motion estimate. Each loop is a pass function around a wait, so tests and
// tools can run the passes themselves, in virtual time.
//
// The threads are created suspended while the module loads and resumed at its first use
// (ResumeEngine, on the caller's thread). A thread cannot begin while the loader lock is
// held, so a thread resumed inside the load would only begin once the module was free to
// go: freed before that, it would begin inside an unmapped image. A module freed before
// its first use ends its threads without their ever running.
#pragma once

#include <cstdint>

#include "config/settings_catalogue.h"
#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

constexpr DWORD kPollBufferSize = 100;

struct EngineThread {
    HANDLE handle = nullptr;
    DWORD id = 0;
    HANDLE begun = nullptr;  // its first act: it runs, outside the loader lock
    HANDLE ended = nullptr;  // its last act: it has left the driver's code
};

struct EngineThreads {
    EngineThread force;
    EngineThread poll;
    ProcessState* process = nullptr;          // carries the playing counts
    DWORD pollingStep = kDefaultPollingStep;  // ms
    volatile LONG stopFlag = 0;
    volatile LONG resumed = 0;
    bool resumeOnUse = true;     // false: a run in virtual time drives the passes itself
    HANDLE stopEvent = nullptr;  // set with the stop flag, so the waits end at once
    // PollThread's reads land here: an abandoned read may still complete into it after
    // the thread has gone, so it lives as long as the module.
    BYTE pollBuffer[kPollBufferSize] = {};
};

// The priority both threads get for a "THREAD_PRIORITY" code.
int ThreadPriorityOf(DWORD priorityCode);

// Builds the tables, creates both threads suspended and gives them the priority; returns 1.
int StartEngine(EngineThreads& engine, DWORD priorityCode);
// Once, outside the loader lock: lets both threads run and waits (at most waitMs) until
// both have begun. Later calls return at once.
void ResumeEngine(EngineThreads& engine, DWORD waitMs);
// Sets the stop flag and wakes both threads.
void RequestEngineStop(EngineThreads& engine);
// After RequestEngineStop: waits (at most timeoutMs) for resumed threads to leave, ends
// threads that never ran, then closes their handles and events. True when both ended.
bool AwaitEngineStop(EngineThreads& engine, DWORD timeoutMs);

// One pass of each thread, at `now`: timeGetTime for ForcePass, GetTickCount for
// PollPass, each read once per pass.
void ForcePass(ProcessState& process, std::uint32_t now);
void PollPass(ProcessState& process, BYTE* buffer, std::uint32_t now);

DWORD WINAPI ForceThread(LPVOID engine);
DWORD WINAPI PollThread(LPVOID engine);

}  // namespace quorforce
