// The engine threads and their passes.
#include "engine/engine_threads.h"

#include <initializer_list>

#include "engine/mixer.h"
#include "engine/motion.h"
#include "engine/motion_tracker.h"
#include "engine/recorded_tick.h"
#include "engine/tick_deadline.h"
#include "hid/held_reports.h"
#include "hid/report_io.h"
#include "record/recorder.h"
#include "synthesis/tables.h"
#include "util/mutex_lock.h"
#include "util/relaxed_access.h"
#include "util/sign_extend.h"
#include "util/trace.h"

namespace quorforce {
namespace {

// A wait up to this long is a sleep rather than a wait on the stop event. Under Wine a
// sleep is the thread's own, while a wait on an event is a round trip through Wine's one
// server, which every other call of the process and the device queues behind: at a 1 ms
// step the engine kept a tick in 17 late by more than a step that way, and the sleep
// takes that to one in 700. The stop then waits at most this long for a thread to look at
// the stop flag; longer waits (a long polling step) stay on the event, so that an unload
// need not wait a whole step.
constexpr DWORD kSleptWaitMs = 20;

bool Stopping(EngineThreads& engine) {
    return InterlockedCompareExchange(&engine.stopFlag, 0, 0) != 0;
}

// The force thread's wait while some area has the low-latency path: on the wake, which the
// stop gives too, writing the reports the calls held behind a write in flight and running the
// passes left to it as they come, until the grid point. A request left for the next
// millisecond shortens the wait to one. Waiting on an event costs a round trip through Wine's
// server that a sleep does not (see above); the switch is what pays it, where the system has
// no address wait.
void WaitListening(EngineThreads& engine, const TickDeadline& deadline) {
    bool left = false;
    while (!Stopping(engine)) {
        const LONG seen = WakesSeen(engine.wake);
        SendHeldReports(*engine.process);
        if (left || ExtraPassWaiting(engine.wake)) {
            left = RunExtraPasses(engine.wake, *engine.process, timeGetTime());
        }
        const auto ahead = static_cast<std::int32_t>(deadline.next - timeGetTime());
        if (ahead <= 0) return;
        const DWORD wait = left ? 1 : static_cast<DWORD>(ahead);
        if (!WaitForWake(engine.wake, seen, wait)) {
            Sleep(wait);  // the plain wait, so that a failing one never spins
            return;
        }
    }
}

bool Listening(EngineThreads& engine) {
    return engine.wake.event != nullptr &&
           InterlockedCompareExchange(&engine.wake.anyEnabled, 0, 0) != 0;
}

// Until the next point of the thread's tick grid, or less when the stop is requested during
// a long wait. A stall of a step or more is traced with the count of ticks passed over. A
// long wait ends at `longWaitEnd`'s signal: the stop's event, or for the force thread the
// wake event, which the stop and a bind that turns the low-latency path on set (so that the
// first change after the bind need not wait out a long step); the thread then listens for
// the rest of the wait.
void WaitForNextTick(EngineThreads& engine, TickDeadline& deadline, const char* thread,
                     bool listening, HANDLE longWaitEnd) {
    const std::uint32_t skippedBefore = deadline.skipped;
    const DWORD wait = AdvanceDeadline(deadline, timeGetTime(), engine.pollingStep);
    if (deadline.skipped != skippedBefore) {
        QF_TRACE("WARNING  ", 1, "%s stalled: %u ticks skipped\n", thread,
                 static_cast<unsigned>(deadline.skipped - skippedBefore));
    }
    if (wait == 0) return;
    if (listening) {
        WaitListening(engine, deadline);
        return;
    }
    if (wait <= kSleptWaitMs || longWaitEnd == nullptr) {
        Sleep(wait);
    } else if (WaitForSingleObject(longWaitEnd, wait) == WAIT_OBJECT_0 && Listening(engine)) {
        WaitListening(engine, deadline);
    }
}

template <typename Function>
PAPCFUNC AsApcRoutine(Function* function) {
    return reinterpret_cast<PAPCFUNC>(reinterpret_cast<void (*)()>(function));
}

// A thread's last act. The module's unload waits for `ended` and then lets the loader unmap
// the image at once, while a thread that returned normally would still have to run through
// this code: preempted there, it would execute freed memory. So ExitThread is queued to the
// thread itself, and the signal and an alertable wait are one system call: the exit runs
// from that wait's APC dispatch and no instruction of this module runs after the signal.
// (ExitThread has the shape of an APC routine on 32-bit Windows: one pointer-sized
// argument, stdcall.) The wait is on the thread's own handle, which cannot be signalled
// while it waits.
void SignalEndedAndExit(HANDLE ended) {
    const HANDLE self = GetCurrentThread();
    if (QueueUserAPC(AsApcRoutine(&ExitThread), self, 0) == 0) {
        SetEvent(ended);
        return;
    }
    SignalObjectAndWait(ended, self, INFINITE, TRUE);
}

void CloseAndClear(HANDLE& handle) {
    if (handle != nullptr) CloseHandle(handle);
    handle = nullptr;
}

// Created suspended, so that it never runs a moment at another priority.
void BeginEngineThread(EngineThread& thread, LPTHREAD_START_ROUTINE routine,
                       EngineThreads& engine) {
    thread.begun = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread.ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread.handle = CreateThread(nullptr, 0, routine, &engine, CREATE_SUSPENDED, &thread.id);
    if (thread.handle == nullptr) return;
    SetThreadPriority(thread.handle, ThreadPriorityOf(engine.priorityCode));
    ResumeThread(thread.handle);
}

// A thread that has begun is waited for. One that has not cannot begin while the unload
// holds the loader lock (its caller asked for the class under that lock and gave up waiting
// for it): it has run nothing of the driver's and holds nothing, so it is ended where it
// stands, before the image it would begin in is unmapped.
bool EndEngineThread(EngineThread& thread, DWORD timeoutMs) {
    bool ended = true;
    if (thread.handle != nullptr) {
        const bool neverBegan = WaitForSingleObject(thread.begun, 0) != WAIT_OBJECT_0 &&
                                TerminateThread(thread.handle, 0) != FALSE;
        // Not the thread handle: a thread that ends takes the loader lock, which the
        // module's unload holds. The thread signals `ended` as its last act instead.
        if (!neverBegan) ended = WaitForSingleObject(thread.ended, timeoutMs) == WAIT_OBJECT_0;
    }
    CloseAndClear(thread.handle);
    if (ended) {
        CloseAndClear(thread.begun);
        CloseAndClear(thread.ended);
    }
    return ended;
}

}  // namespace

int ThreadPriorityOf(DWORD priorityCode) {
    switch (priorityCode) {
    case 1: return THREAD_PRIORITY_HIGHEST;
    case 2: return THREAD_PRIORITY_NORMAL;
    case 3: return THREAD_PRIORITY_BELOW_NORMAL;
    case 4: return THREAD_PRIORITY_LOWEST;
    default: return THREAD_PRIORITY_TIME_CRITICAL;
    }
}

void ForcePass(ProcessState& process, std::uint32_t now) {
    for (DWORD area = 0; area < kAreaCount; ++area) {
        if (!AreaTicks(process, area)) continue;
        // Per device, so that the driver's commands can run between two devices.
        MutexLock lock(process.tableMutex);
        MixRecorded(process, area, now);
    }
}

void PollPass(ProcessState& process, BYTE* buffer, std::uint32_t now) {
    MutexLock lock(process.inputMutex);
    for (int area = 0; area < static_cast<int>(kAreaCount); ++area) {
        const DeviceLink& link = process.deviceLinks[area];
        if (link.inUse == 0) continue;
        const Done read = ZXReadInputBuffer(process, link.deviceHandle, link.inputReportLength,
                                            link.preparsedData, buffer, kPollBufferSize, area);
        UpdateMotion(process.motion[area], read, now);
        TrackMotion(process.motion[area], now);
        if (Recording() && read == Done::Yes) RecordPosition(process, area, now);
    }
}

DWORD WINAPI ForceThread(LPVOID parameter) {
    auto& engine = *static_cast<EngineThreads*>(parameter);
    SetEvent(engine.force.begun);
    TickDeadline deadline = FirstDeadline(timeGetTime());
    while (!Stopping(engine)) {
        ForcePass(*engine.process, timeGetTime());
        WaitForNextTick(engine, deadline, "ForceThread", Listening(engine), engine.wake.event);
    }
    ZXReleaseBuffer(*engine.process);
    SignalEndedAndExit(engine.force.ended);
    return 0;
}

DWORD WINAPI PollThread(LPVOID parameter) {
    auto& engine = *static_cast<EngineThreads*>(parameter);
    SetEvent(engine.poll.begun);
    {
        MutexLock lock(engine.process->inputMutex);
        const DWORD now = GetTickCount();
        for (MotionState& motion : engine.process->motion) {
            motion.lastTick = now;
            motion.failedReads = 0;
        }
    }
    TickDeadline deadline = FirstDeadline(timeGetTime());
    while (!Stopping(engine)) {
        PollPass(*engine.process, engine.pollBuffer, GetTickCount());
        WaitForNextTick(engine, deadline, "PollThread", false, engine.stopEvent);
    }
    SettleRead(*engine.process);  // at best, none is pending into the buffer when the module goes
    SignalEndedAndExit(engine.poll.ended);
    return 0;
}

int StartEngine(EngineThreads& engine, DWORD priorityCode) {
    BuildTables();
    BuildSignMasks();
    for (std::int32_t& count : engine.process->playingCount)
        StoreRelaxed(count, 0);
    engine.stopFlag = 0;
    engine.threadsMade = 0;
    engine.priorityCode = priorityCode;
    engine.stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    engine.wake.event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    FindAddressWait(engine.wake);
    return 1;
}

void BeginEngine(EngineThreads& engine, DWORD waitMs) {
    if (!engine.beginOnUse || InterlockedExchange(&engine.threadsMade, 1) != 0) return;
    BeginEngineThread(engine.force, ForceThread, engine);
    BeginEngineThread(engine.poll, PollThread, engine);
    // Until both have begun, an unload would find them waiting for the loader lock.
    for (EngineThread* thread : {&engine.force, &engine.poll}) {
        if (thread->handle != nullptr) WaitForSingleObject(thread->begun, waitMs);
    }
}

void WakeForce(EngineThreads& engine, DWORD area) {
    if (!LowLatency(engine.wake, area)) return;
    if (!engine.beginOnUse) {
        AskExtraPass(engine.wake, area);
        RunExtraPasses(engine.wake, *engine.process, timeGetTime());
        return;
    }
    // The pass's report is on its way unless it was held or the pass left to the thread.
    if (!MixHeldPass(engine.wake, *engine.process, area, timeGetTime())) {
        AskExtraPass(engine.wake, area);
    } else if (!ReportHeld(*engine.process, area)) {
        return;
    }
    SignalWake(engine.wake);
}

// The force thread's long plain wait is on the wake event: setting it ends that wait.
void StartListening(EngineThreads& engine) {
    if (engine.wake.event != nullptr) SetEvent(engine.wake.event);
}

void RequestEngineStop(EngineThreads& engine) {
    InterlockedExchange(&engine.stopFlag, 1);
    if (engine.stopEvent != nullptr) SetEvent(engine.stopEvent);
    StartListening(engine);  // the force thread's long wait ends, and it sees the stop
    SignalWake(engine.wake);
}

bool AwaitEngineStop(EngineThreads& engine, DWORD timeoutMs) {
    const bool forceEnded = EndEngineThread(engine.force, timeoutMs);
    const bool pollEnded = EndEngineThread(engine.poll, timeoutMs);
    if (forceEnded && pollEnded) {
        CloseAndClear(engine.stopEvent);
        CloseAndClear(engine.wake.event);
    }
    return forceEnded && pollEnded;
}

}  // namespace quorforce
