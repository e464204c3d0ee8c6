// Host stand-in: manual- and auto-reset events, named or not.
#include "platform/host/kernel.h"
#include "platform/host/kernel_objects.h"

namespace host {
namespace {

struct Event : KernelObject {
    bool manualReset = true;
    bool signaled = false;
    bool TryAcquire() override {
        if (!signaled) return false;
        if (!manualReset) signaled = false;
        return true;
    }
};

Event* FindEvent(HANDLE handle) { return dynamic_cast<Event*>(FindObject(handle)); }

BOOL SetSignaled(HANDLE handle, bool signaled) {
    std::lock_guard<std::mutex> guard(TableLock());
    Event* event = FindEvent(handle);
    if (event == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->signaled = signaled;
    if (signaled) TableChanged().notify_all();
    return TRUE;
}

}  // namespace

void SignalEventLocked(HANDLE handle) {
    if (Event* event = FindEvent(handle)) {
        event->signaled = true;
        TableChanged().notify_all();
    }
}

void ResetEventLocked(HANDLE handle) {
    if (Event* event = FindEvent(handle)) event->signaled = false;
}

}  // namespace host

using namespace host;

namespace {

HANDLE MakeEvent(LPSECURITY_ATTRIBUTES attributes, bool manualReset, bool initialState, LPCSTR name,
                 DWORD access) {
    std::lock_guard<std::mutex> guard(TableLock());
    bool found = false;
    Event* existing = OpenExisting<Event>(name, &found, access);
    if (found) return existing;
    if (TakeFailure(ObjectKind::Event)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto event = std::make_unique<Event>();
    event->manualReset = manualReset;
    event->signaled = initialState;
    SetName(event.get(), name);
    ApplySecurity(event.get(), attributes);
    SetLastError(ERROR_SUCCESS);
    return AddObject(std::move(event));
}

}  // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                    LPCSTR name) {
    return MakeEvent(attributes, manualReset != FALSE, initialState != FALSE, name,
                     EVENT_ALL_ACCESS);
}

HANDLE CreateEventExA(LPSECURITY_ATTRIBUTES attributes, LPCSTR name, DWORD flags, DWORD access) {
    return MakeEvent(attributes, (flags & CREATE_EVENT_MANUAL_RESET) != 0,
                     (flags & CREATE_EVENT_INITIAL_SET) != 0, name, access);
}

BOOL SetEvent(HANDLE event) { return SetSignaled(event, true); }
BOOL ResetEvent(HANDLE event) { return SetSignaled(event, false); }
