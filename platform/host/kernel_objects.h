// Internal to the host stand-in: the one table of kernel objects behind every HANDLE,
// with the lock and condition that all waits share. Events, threads and devices added
// by other stand-in files register here too.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/host/kernel.h"
#include "platform/host/win_types.h"

namespace host {

struct KernelObject {
    virtual ~KernelObject() = default;
    // Called with the table lock held: true if a wait on the object is satisfied now (and
    // takes what the wait takes: mutex ownership, an auto-reset event's signal).
    virtual bool TryAcquire() { return false; }
    int references = 1;
    std::string name;
    std::string security;            // the SDDL text it was made with; empty: the default
    DWORD othersRights = ~DWORD{0};  // what an open by another user is granted
};

std::mutex& TableLock();
// Waiters sleep on this; every change that may satisfy a wait notifies it.
std::condition_variable& TableChanged();

// With the table lock held: register a new object and return its handle.
HANDLE AddObject(std::unique_ptr<KernelObject> object);
// With the table lock held: the object behind a handle, or null for a closed or foreign one.
KernelObject* FindObject(HANDLE handle);
// With the table lock held: drop one reference; the last one destroys the object.
void ReleaseObject(KernelObject* object);

// With the table lock held: the live object of that name, with one more reference, or null.
KernelObject* OpenNamed(const char* name);
void SetName(KernelObject* object, const char* name);

// With the table lock held, for a Create call of a named object of kind T: *found tells
// whether the name exists; then the result is that object with one more reference, or null
// (ERROR_INVALID_HANDLE) when an object of another kind holds the name.
// `access` is what the call asks for; more than the object grants others is refused with
// ERROR_ACCESS_DENIED.
template <typename T>
T* OpenExisting(const char* name, bool* found, DWORD access = ~DWORD{0}) {
    KernelObject* existing = OpenNamed(name);
    *found = existing != nullptr;
    if (existing == nullptr) return nullptr;
    T* typed = dynamic_cast<T*>(existing);
    const bool allowed = (access & ~existing->othersRights) == 0;
    if (typed == nullptr || !allowed) {
        ReleaseObject(existing);
        SetLastError(typed == nullptr ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
        return nullptr;
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return typed;
}

// With the table lock held: gives a new object the security its creator asked for.
void ApplySecurity(KernelObject* object, const SECURITY_ATTRIBUTES* attributes);

// Whether FailNextCreate asked for this kind of object to fail; the request is used up.
bool TakeFailure(ObjectKind kind);

}  // namespace host
