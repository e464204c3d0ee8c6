// Host stand-in: asynchronous procedure calls a thread queues to itself, and ExitThread.
// ExitThread is queued as an APC routine the way 32-bit Windows allows (one pointer-sized
// argument); the stand-in calls it back through its own type.
#include <deque>
#include <utility>

#include "platform/host/host.h"

namespace {

// The pseudo handle of the calling thread, never a real object's.
HANDLE const kCurrentThread = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));

thread_local std::deque<std::pair<PAPCFUNC, ULONG_PTR>> queuedCalls;

template <typename Function>
bool Is(PAPCFUNC routine, Function* function) {
    return routine == reinterpret_cast<PAPCFUNC>(reinterpret_cast<void (*)()>(function));
}

void Run(PAPCFUNC routine, ULONG_PTR parameter) {
    if (Is(routine, &ExitThread)) {
        ExitThread(static_cast<DWORD>(parameter));
    } else {
        routine(parameter);
    }
}

}  // namespace

HANDLE GetCurrentThread() { return kCurrentThread; }

DWORD QueueUserAPC(PAPCFUNC routine, HANDLE thread, ULONG_PTR parameter) {
    if (routine == nullptr || thread != kCurrentThread) return 0;
    queuedCalls.emplace_back(routine, parameter);
    return 1;
}

DWORD SleepEx(DWORD milliseconds, BOOL alertable) {
    if (!alertable || queuedCalls.empty()) {
        Sleep(milliseconds);
        return 0;
    }
    while (!queuedCalls.empty()) {
        const auto call = queuedCalls.front();
        queuedCalls.pop_front();
        Run(call.first, call.second);
    }
    return WAIT_IO_COMPLETION;
}

DWORD SignalObjectAndWait(HANDLE signal, HANDLE waitOn, DWORD milliseconds, BOOL alertable) {
    if (waitOn != kCurrentThread || !SetEvent(signal)) return WAIT_FAILED;
    if (alertable && !queuedCalls.empty()) return SleepEx(milliseconds, TRUE);
    Sleep(milliseconds);
    return WAIT_TIMEOUT;
}

void ExitThread(DWORD exitCode) {
    queuedCalls.clear();
    throw host::ThreadExit{exitCode};
}
