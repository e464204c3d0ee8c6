// Host stand-in: the kernel-object table, mutexes, file mappings and views, waits and the
// last error. Any thread may call it; one lock guards the whole table.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "platform/host/kernel.h"
#include "platform/host/kernel_objects.h"
#include "platform/host/system.h"

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

// The rights the descriptor's allow entries give Authenticated Users ("AU"): "GA" is all,
// "0x..." the bits given; other letters grant nothing here.
DWORD RightsOfAuthenticatedUsers(const std::string& sddl) {
    DWORD rights = 0;
    for (std::size_t open = sddl.find('('); open != std::string::npos;
         open = sddl.find('(', open + 1)) {
        const std::size_t close = sddl.find(')', open);
        if (close == std::string::npos) break;
        std::vector<std::string> fields(1);
        for (char c : sddl.substr(open + 1, close - open - 1)) {
            if (c == ';')
                fields.emplace_back();
            else
                fields.back() += c;
        }
        if (fields.size() != 6 || fields[0] != "A" || fields[5] != "AU") continue;
        if (fields[2] == "GA")
            rights = ~DWORD{0};
        else if (fields[2].rfind("0x", 0) == 0)
            rights |= static_cast<DWORD>(std::strtoul(fields[2].c_str(), nullptr, 16));
    }
    return rights;
}

void ApplySecurity(KernelObject* object, const SECURITY_ATTRIBUTES* attributes) {
    if (attributes == nullptr || attributes->lpSecurityDescriptor == nullptr) return;
    object->security = static_cast<const char*>(attributes->lpSecurityDescriptor);
    object->othersRights = RightsOfAuthenticatedUsers(object->security);
}

std::string SecurityOf(const char* name) {
    std::lock_guard<std::mutex> guard(TableLock());
    auto it = Names().find(name != nullptr ? name : "");
    return it == Names().end() ? std::string() : it->second->security;
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

namespace {

HANDLE MakeMutex(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name, DWORD access) {
    std::lock_guard<std::mutex> guard(TableLock());
    if (TakeFailure(ObjectKind::Mutex)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    bool found = false;
    Mutex* existing = OpenExisting<Mutex>(name, &found, access);
    if (found) return existing;
    auto mutex = std::make_unique<Mutex>();
    if (initialOwner) mutex->TryAcquire();
    SetName(mutex.get(), name);
    ApplySecurity(mutex.get(), attributes);
    SetLastError(ERROR_SUCCESS);
    return AddObject(std::move(mutex));
}

// Opens an existing named object of kind T, or fails with ERROR_FILE_NOT_FOUND.
template <typename T>
HANDLE OpenExistingOnly(DWORD access, LPCSTR name) {
    std::lock_guard<std::mutex> guard(TableLock());
    bool found = false;
    T* existing = OpenExisting<T>(name, &found, access);
    if (!found) SetLastError(ERROR_FILE_NOT_FOUND);
    if (existing != nullptr) SetLastError(ERROR_SUCCESS);
    return existing;
}

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) {
    return MakeMutex(attributes, initialOwner, name, MUTEX_ALL_ACCESS);
}

HANDLE CreateMutexExA(LPSECURITY_ATTRIBUTES attributes, LPCSTR name, DWORD flags, DWORD access) {
    return MakeMutex(attributes, (flags & 1u) != 0, name, access);
}

HANDLE OpenMutexA(DWORD access, BOOL, LPCSTR name) { return OpenExistingOnly<Mutex>(access, name); }

HANDLE OpenFileMappingA(DWORD access, BOOL, LPCSTR name) {
    return OpenExistingOnly<Mapping>(access, name);
}

BOOL ConvertStringSecurityDescriptorToSecurityDescriptorA(LPCSTR text, DWORD revision,
                                                          PSECURITY_DESCRIPTOR* descriptor,
                                                          PULONG size) {
    if (text == nullptr || descriptor == nullptr || revision != SDDL_REVISION_1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::size_t length = std::strlen(text) + 1;
    *descriptor = LocalAlloc(0, length);
    if (*descriptor == nullptr) return FALSE;
    std::memcpy(*descriptor, text, length);
    if (size != nullptr) *size = static_cast<ULONG>(length);
    return TRUE;
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

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES attributes, DWORD protect,
                          DWORD sizeHigh, DWORD sizeLow, LPCSTR name) {
    std::lock_guard<std::mutex> guard(TableLock());
    // Only mappings backed by the paging file, read/write, below 4 GiB are needed.
    if (file != INVALID_HANDLE_VALUE || protect != PAGE_READWRITE || sizeHigh != 0 ||
        sizeLow == 0 || TakeFailure(ObjectKind::Mapping)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    bool found = false;
    Mapping* existing = OpenExisting<Mapping>(name, &found, FILE_MAP_ALL_ACCESS);
    if (found) return existing;
    auto mapping = std::make_unique<Mapping>();
    mapping->size = sizeLow;
    mapping->bytes.reset(new std::uint8_t[sizeLow]());  // the system zero-fills new sections
    SetName(mapping.get(), name);
    ApplySecurity(mapping.get(), attributes);
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
