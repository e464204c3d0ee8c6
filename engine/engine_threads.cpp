// The engine threads and their passes.
#include "engine/engine_threads.h"

#include <initializer_list>

#include "engine/mixer.h"
#include "engine/motion.h"
#include "hid/report_io.h"
#include "synthesis/tables.h"
#include "util/mutex_lock.h"
#include "util/sign_extend.h"

namespace quorforce {
namespace {

bool Stopping(EngineThreads& engine) {
    return InterlockedCompareExchange(&engine.stopFlag, 0, 0) != 0;
}

// One polling step, or less when the stop is requested.
void WaitOneStep(EngineThreads& engine) {
    if (engine.stopEvent != nullptr) {
        WaitForSingleObject(engine.stopEvent, engine.pollingStep);
    } else {
        Sleep(engine.pollingStep);
    }
}

template <typename Function>
PAPCFUNC AsApcRoutine(Function* function) {
    return reinterpret_cast<PAPCFUNC>(reinterpret_cast<void (*)()>(function));
}

// A thread's last act. The module's unload waits for `ended` and then lets the loader unmap
// the image at once, while a thread that returned normally would still have to run through
// this code: preempted there, it would execute freed memory. So the signal and the exit are
// queued to the thread itself and run from the system's APC dispatch, in that order; after
// the signal no instruction of this module runs again. (SetEvent and ExitThread have the
// shape of an APC routine on 32-bit Windows: one pointer-sized argument, stdcall.)
void SignalEndedAndExit(HANDLE ended) {
    const HANDLE self = GetCurrentThread();
    if (QueueUserAPC(AsApcRoutine(&SetEvent), self, reinterpret_cast<ULONG_PTR>(ended)) == 0) {
        SetEvent(ended);
        return;
    }
    QueueUserAPC(AsApcRoutine(&ExitThread), self, 0);
    SleepEx(INFINITE, TRUE);  // returns only when the exit could not be queued
}

void CloseAndClear(HANDLE& handle) {
    if (handle != nullptr) CloseHandle(handle);
    handle = nullptr;
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
        if (process.playingCount[area] == 0) continue;
        // Per device, so that the driver's commands can run between two devices.
        MutexLock lock(process.tableMutex);
        MixDevice(process, area, now);
    }
}

void PollPass(ProcessState& process, BYTE* buffer, std::uint32_t now) {
    MutexLock lock(process.inputMutex);
    for (int area = 0; area < static_cast<int>(kAreaCount); ++area) {
        const DeviceLink& link = process.deviceLinks[area];
        if (link.inUse == 0) continue;
        const int read = ZXReadInputBuffer(process, link.deviceHandle, link.inputReportLength,
                                           link.preparsedData, buffer, kPollBufferSize, area);
        UpdateMotion(process.motion[area], read, now);
    }
}

DWORD WINAPI ForceThread(LPVOID parameter) {
    auto& engine = *static_cast<EngineThreads*>(parameter);
    while (!Stopping(engine)) {
        ForcePass(*engine.process, timeGetTime());
        WaitOneStep(engine);
    }
    ZXReleaseBuffer(*engine.process);
    SignalEndedAndExit(engine.forceEnded);
    return 0;
}

DWORD WINAPI PollThread(LPVOID parameter) {
    auto& engine = *static_cast<EngineThreads*>(parameter);
    BYTE buffer[kPollBufferSize] = {};
    {
        MutexLock lock(engine.process->inputMutex);
        const DWORD now = GetTickCount();
        for (MotionState& motion : engine.process->motion) {
            motion.lastTick = now;
            motion.failedReads = 0;
        }
    }
    while (!Stopping(engine)) {
        PollPass(*engine.process, buffer, GetTickCount());
        WaitOneStep(engine);
    }
    SignalEndedAndExit(engine.pollEnded);
    return 0;
}

int StartEngine(EngineThreads& engine, DWORD priorityCode) {
    BuildTables();
    BuildSignMasks();
    for (std::int32_t& count : engine.process->playingCount)
        count = 0;
    engine.stopFlag = 0;
    engine.stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    engine.forceEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    engine.pollEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    engine.forceThread = CreateThread(nullptr, 0, ForceThread, &engine, 0, &engine.forceThreadId);
    engine.pollThread = CreateThread(nullptr, 0, PollThread, &engine, 0, &engine.pollThreadId);
    const int priority = ThreadPriorityOf(priorityCode);
    if (engine.forceThread != nullptr) SetThreadPriority(engine.forceThread, priority);
    if (engine.pollThread != nullptr) SetThreadPriority(engine.pollThread, priority);
    return 1;
}

void RequestEngineStop(EngineThreads& engine) {
    InterlockedExchange(&engine.stopFlag, 1);
    if (engine.stopEvent != nullptr) SetEvent(engine.stopEvent);
}

bool AwaitEngineStop(EngineThreads& engine, DWORD timeoutMs) {
    // Not the thread handles: a thread that ends takes the loader lock, which the module's
    // unload holds. Each thread signals its event as its last act instead.
    bool ended = true;
    for (HANDLE event : {engine.forceEnded, engine.pollEnded}) {
        if (event != nullptr && WaitForSingleObject(event, timeoutMs) != WAIT_OBJECT_0) {
            ended = false;
        }
    }
    CloseAndClear(engine.forceThread);
    CloseAndClear(engine.pollThread);
    if (ended) {
        CloseAndClear(engine.stopEvent);
        CloseAndClear(engine.forceEnded);
        CloseAndClear(engine.pollEnded);
    }
    return ended;
}

}  // namespace quorforce
