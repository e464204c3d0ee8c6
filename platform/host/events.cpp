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

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
    std::lock_guard<std::mutex> guard(TableLock());
    bool found = false;
    Event* existing = OpenExisting<Event>(name, &found);
    if (found) return existing;
    if (TakeFailure(ObjectKind::Event)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto event = std::make_unique<Event>();
    event->manualReset = manualReset != FALSE;
    event->signaled = initialState != FALSE;
    SetName(event.get(), name);
    SetLastError(ERROR_SUCCESS);
    return AddObject(std::move(event));
}

BOOL SetEvent(HANDLE event) { return SetSignaled(event, true); }
BOOL ResetEvent(HANDLE event) { return SetSignaled(event, false); }
