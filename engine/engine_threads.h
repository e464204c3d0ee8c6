// The engine's two threads. ForceThread runs the mixer tick for every device with playing
// effects, then waits for the next tick; PollThread reads the devices' input reports and
// updates the motion estimate. Each loop is a pass function around a wait, so tests and
// tools can run the passes themselves, in virtual time.
//
// The threads are made at the module's first use (BeginEngine, on the caller's thread),
// not while it loads. A thread cannot begin while the loader lock is held, so one made
// inside the load would only begin once the module was free to go: freed before that, it
// would begin inside an unmapped image, and ending it from the unload instead is a
// TerminateThread that the system may not survive. A module freed before its first use has
// made no thread.
#pragma once

#include <cstdint>

#include "config/settings_catalogue.h"
#include "engine/force_wake.h"
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
    volatile LONG threadsMade = 0;
    bool beginOnUse = true;      // false: a run in virtual time drives the passes itself
    DWORD priorityCode = 0;      // "THREAD_PRIORITY", read at attach
    HANDLE stopEvent = nullptr;  // set with the stop flag, so that long waits end at once
    ForceWake wake;              // the low-latency path's requests
    // PollThread's reads land here: an abandoned read may still complete into it after
    // the thread has gone, so it lives as long as the module.
    BYTE pollBuffer[kPollBufferSize] = {};
};

// The priority both threads get for a "THREAD_PRIORITY" code.
int ThreadPriorityOf(DWORD priorityCode);

// Builds the tables and keeps the priority code for the threads; returns 1.
int StartEngine(EngineThreads& engine, DWORD priorityCode);
// Once, outside the loader lock: makes both threads at their priority and waits (at most
// waitMs) until both have begun. Later calls return at once.
void BeginEngine(EngineThreads& engine, DWORD waitMs);
// After a bind that turned an area's low-latency path on: a force thread in a long wait
// listens from now on.
void StartListening(EngineThreads& engine);
// Sets the stop flag and ends the threads' long waits; a short one runs out by itself.
void RequestEngineStop(EngineThreads& engine);
// After RequestEngineStop: waits (at most timeoutMs) for the threads that have begun to
// leave, ends any that never began, then closes their handles and events. True when both
// ended.
bool AwaitEngineStop(EngineThreads& engine, DWORD timeoutMs);

// After a driver call that changed what the area's wheel receives: with its Low_Latency
// switch on, the area's extra pass is mixed here and its report's write started without
// waiting for the device; the force thread is woken for a report held behind the previous
// write or a pass left to it (engine/force_wake.h, hid/held_reports.h). In virtual time (no
// threads) the pass runs here, at the call's clock, report and all. Off, nothing happens.
void WakeForce(EngineThreads& engine, DWORD area);

// One pass of each thread, at `now`: timeGetTime for ForcePass, GetTickCount for
// PollPass, each read once per pass.
void ForcePass(ProcessState& process, std::uint32_t now);
void PollPass(ProcessState& process, BYTE* buffer, std::uint32_t now);

DWORD WINAPI ForceThread(LPVOID engine);
DWORD WINAPI PollThread(LPVOID engine);

}  // namespace quorforce
