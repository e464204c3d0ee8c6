// Host stand-in: threads (waitable until they return, with a priority), held threads for
// runs in virtual time, and MulDiv.
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <thread>

#include "platform/host/kernel.h"
#include "platform/host/kernel_objects.h"
#include "platform/host/system.h"

namespace host {
namespace {

struct Thread : KernelObject {
    bool finished = false;
    bool held = false;
    bool suspended = false;
    bool begun = false;
    bool terminated = false;
    int priority = THREAD_PRIORITY_NORMAL;
    bool TryAcquire() override { return finished; }
};

bool holdNewThreads = false;

// Threads not yet begun wait here, not on TableChanged, which every released mutex and set
// event notifies: they would wake with each of them. Never destroyed, like the table lock,
// since held threads may still wait in it when the process exits.
std::condition_variable& StartChanged() {
    static auto* changed = new std::condition_variable;
    return *changed;
}
std::atomic<int> runningThreads{0};
std::atomic<DWORD> nextThreadId{1000};

}  // namespace

void HoldNewThreads(bool hold) {
    std::lock_guard<std::mutex> guard(TableLock());
    holdNewThreads = hold;
}

void ReleaseHeldThreads() {
    std::lock_guard<std::mutex> guard(TableLock());
    holdNewThreads = false;
    // Held threads look for the release themselves; wake them.
    StartChanged().notify_all();
}

int RunningThreadCount() { return runningThreads; }

}  // namespace host

using namespace host;

HANDLE CreateThread(SECURITY_ATTRIBUTES*, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD threadId) {
    Thread* thread = nullptr;
    HANDLE handle = nullptr;
    {
        std::lock_guard<std::mutex> guard(TableLock());
        auto object = std::make_unique<Thread>();
        object->references = 2;  // the handle and the running thread
        object->held = holdNewThreads;
        object->suspended = (flags & CREATE_SUSPENDED) != 0;
        thread = object.get();
        handle = AddObject(std::move(object));
    }
    if (threadId != nullptr) *threadId = nextThreadId++;
    ++runningThreads;
    std::thread([thread, start, parameter] {
        {
            std::unique_lock<std::mutex> guard(TableLock());
            StartChanged().wait(guard, [thread] {
                return thread->terminated ||
                       (!thread->suspended && !(thread->held && holdNewThreads));
            });
            thread->begun = !thread->terminated;
        }
        if (thread->begun) {
            try {
                start(parameter);
            } catch (const ThreadExit&) {}
        }
        std::lock_guard<std::mutex> guard(TableLock());
        thread->finished = true;
        --runningThreads;
        ReleaseObject(thread);
        TableChanged().notify_all();
    }).detach();
    return handle;
}

DWORD ResumeThread(HANDLE handle) {
    std::lock_guard<std::mutex> guard(TableLock());
    auto* thread = dynamic_cast<Thread*>(FindObject(handle));
    if (thread == nullptr) return static_cast<DWORD>(-1);
    const DWORD previous = thread->suspended ? 1 : 0;
    thread->suspended = false;
    StartChanged().notify_all();
    return previous;
}

BOOL TerminateThread(HANDLE handle, DWORD) {
    std::lock_guard<std::mutex> guard(TableLock());
    auto* thread = dynamic_cast<Thread*>(FindObject(handle));
    if (thread == nullptr || thread->begun) return FALSE;
    thread->terminated = true;
    StartChanged().notify_all();
    return TRUE;
}

BOOL SetThreadPriority(HANDLE handle, int priority) {
    std::lock_guard<std::mutex> guard(TableLock());
    auto* thread = dynamic_cast<Thread*>(FindObject(handle));
    if (thread == nullptr) return FALSE;
    thread->priority = priority;
    return TRUE;
}

int GetThreadPriority(HANDLE handle) {
    std::lock_guard<std::mutex> guard(TableLock());
    auto* thread = dynamic_cast<Thread*>(FindObject(handle));
    return thread != nullptr ? thread->priority : 0x7FFFFFFF;
}

BOOL DisableThreadLibraryCalls(HMODULE) { return TRUE; }

void AcquireSRWLockExclusive(PSRWLOCK lock) {
    void* const taken = lock;  // any value but null
    while (__atomic_exchange_n(&lock->Ptr, taken, __ATOMIC_ACQUIRE) != nullptr)
        std::this_thread::yield();
}

void ReleaseSRWLockExclusive(PSRWLOCK lock) {
    __atomic_store_n(&lock->Ptr, nullptr, __ATOMIC_RELEASE);
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long product = static_cast<long long>(number) * numerator;
    // Rounded to the nearest integer, halves away from zero.
    const long long half = (denominator < 0 ? -denominator : denominator) / 2;
    const long long rounded = (product >= 0) == (denominator > 0)
                                  ? (std::llabs(product) + half) / std::llabs(denominator)
                                  : -((std::llabs(product) + half) / std::llabs(denominator));
    return static_cast<int>(rounded);
}
