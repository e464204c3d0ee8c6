// Host stand-in: the kernel-object table, mutexes, file mappings and views, waits and the
// last error. Any thread may call it; one lock guards the whole table.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <vector>

#include "platform/host/kernel.h"
#include "platform/host/kernel_objects.h"

namespace host {
namespace {

std::map<KernelObject*, std::unique_ptr<KernelObject>>& Objects() {
    static std::map<KernelObject*, std::unique_ptr<KernelObject>> objects;
    return objects;
}

std::map<std::string, KernelObject*>& Names() {
    static std::map<std::string, KernelObject*> names;
    return names;
}

struct Mutex : KernelObject {
    std::thread::id owner;
    int recursion = 0;
    bool TryAcquire() override {
        if (recursion > 0 && owner != std::this_thread::get_id()) return false;
        owner = std::this_thread::get_id();
        ++recursion;
        return true;
    }
};

struct Mapping : KernelObject {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
};

// Two opens of one name in a test process map the same bytes, so one base may carry
// several views.
std::multimap<const void*, Mapping*>& Views() {
    static std::multimap<const void*, Mapping*> views;
    return views;
}

thread_local DWORD lastError = 0;
bool failNext[4] = {false, false, false, false};

}  // namespace

// Neither is ever destroyed: threads still held when the process exits wait on them, and
// destroying a condition variable that has waiters blocks for good.
std::mutex& TableLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

std::condition_variable& TableChanged() {
    static auto* changed = new std::condition_variable;
    return *changed;
}

HANDLE AddObject(std::unique_ptr<KernelObject> object) {
    KernelObject* raw = object.get();
    Objects()[raw] = std::move(object);
    return raw;
}

KernelObject* FindObject(HANDLE handle) {
    auto it = Objects().find(static_cast<KernelObject*>(handle));
    return it == Objects().end() ? nullptr : it->first;
}

void ReleaseObject(KernelObject* object) {
    if (--object->references > 0) return;
    if (!object->name.empty()) Names().erase(object->name);
    Objects().erase(object);
}

KernelObject* OpenNamed(const char* name) {
    if (name == nullptr) return nullptr;
    auto it = Names().find(name);
    if (it == Names().end()) return nullptr;
    ++it->second->references;
    return it->second;
}

void SetName(KernelObject* object, const char* name) {
    if (name == nullptr) return;
    object->name = name;
    Names()[name] = object;
}

void FailNextCreate(ObjectKind kind) {
    std::lock_guard<std::mutex> guard(TableLock());
    failNext[static_cast<int>(kind)] = true;
}

int LiveObjectCount() {
    std::lock_guard<std::mutex> guard(TableLock());
    return static_cast<int>(Objects().size());
}

bool TakeFailure(ObjectKind kind) {
    bool& flag = failNext[static_cast<int>(kind)];
    bool fail = flag;
    flag = false;
    return fail;
}

}  // namespace host

using namespace host;

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
    std::lock_guard<std::mutex> guard(TableLock());
    if (TakeFailure(ObjectKind::Mutex)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    bool found = false;
    Mutex* existing = OpenExisting<Mutex>(name, &found);
    if (found) return existing;
    auto mutex = std::make_unique<Mutex>();
    if (initialOwner) mutex->TryAcquire();
    SetName(mutex.get(), name);
    SetLastError(ERROR_SUCCESS);
    return AddObject(std::move(mutex));
}

BOOL ReleaseMutex(HANDLE handle) {
    std::lock_guard<std::mutex> guard(TableLock());
    auto* mutex = dynamic_cast<Mutex*>(FindObject(handle));
    if (mutex == nullptr || mutex->recursion == 0 || mutex->owner != std::this_thread::get_id()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--mutex->recursion == 0) {
        mutex->owner = std::thread::id();
        TableChanged().notify_all();
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::unique_lock<std::mutex> guard(TableLock());
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        KernelObject* object = FindObject(handle);
        if (object == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        if (object->TryAcquire()) return WAIT_OBJECT_0;
        if (milliseconds == INFINITE) {
            TableChanged().wait(guard);
        } else if (TableChanged().wait_until(guard, deadline) == std::cv_status::timeout) {
            object = FindObject(handle);
            if (object != nullptr && object->TryAcquire()) return WAIT_OBJECT_0;
            return WAIT_TIMEOUT;
        }
    }
}

BOOL CloseHandle(HANDLE handle) {
    std::lock_guard<std::mutex> guard(TableLock());
    KernelObject* object = FindObject(handle);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ReleaseObject(object);
    TableChanged().notify_all();
    return TRUE;
}

namespace host {
namespace {
std::atomic<DWORD> sleepGranularity{1};
}  // namespace
void SetSleepGranularity(DWORD ms) { sleepGranularity = ms == 0 ? 1 : ms; }
}  // namespace host

void Sleep(DWORD milliseconds) {
    const DWORD step = host::sleepGranularity;
    const DWORD steps = milliseconds == 0 ? 0 : (milliseconds - 1) / step + 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uint64_t{steps} * step));
}

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect, DWORD sizeHigh,
                          DWORD sizeLow, LPCSTR name) {
    std::lock_guard<std::mutex> guard(TableLock());
    // Only mappings backed by the paging file, read/write, below 4 GiB are needed.
    if (file != INVALID_HANDLE_VALUE || protect != PAGE_READWRITE || sizeHigh != 0 ||
        sizeLow == 0 || TakeFailure(ObjectKind::Mapping)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    bool found = false;
    Mapping* existing = OpenExisting<Mapping>(name, &found);
    if (found) return existing;
    auto mapping = std::make_unique<Mapping>();
    mapping->size = sizeLow;
    mapping->bytes.reset(new std::uint8_t[sizeLow]());  // the system zero-fills new sections
    SetName(mapping.get(), name);
    SetLastError(ERROR_SUCCESS);
    return AddObject(std::move(mapping));
}

LPVOID MapViewOfFile(HANDLE handle, DWORD, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
    std::lock_guard<std::mutex> guard(TableLock());
    auto* mapping = dynamic_cast<Mapping*>(FindObject(handle));
    if (mapping == nullptr || offsetHigh != 0 || offsetLow != 0 || bytes > mapping->size ||
        TakeFailure(ObjectKind::View)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // A view keeps the section alive until it is unmapped.
    ++mapping->references;
    Views().emplace(mapping->bytes.get(), mapping);
    return mapping->bytes.get();
}

BOOL UnmapViewOfFile(LPCVOID base) {
    std::lock_guard<std::mutex> guard(TableLock());
    auto it = Views().find(base);
    if (it == Views().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Mapping* mapping = it->second;
    Views().erase(it);
    ReleaseObject(mapping);
    return TRUE;
}

LONG InterlockedIncrement(LONG volatile* value) {
    return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedDecrement(LONG volatile* value) {
    return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedExchange(LONG volatile* target, LONG value) {
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) {
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return comparand;
}

bool IsEqualGUID(REFGUID a, REFGUID b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::equal(a.Data4, a.Data4 + 8, b.Data4);
}
