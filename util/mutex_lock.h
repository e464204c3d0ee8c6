// Holds a named mutex (the TableMutex or the InputMutex) for the life of a scope. An
// abandoned mutex (its owner died) is owned all the same; a failed wait owns nothing.
#pragma once

#include "platform/win32.h"

namespace quorforce {

class MutexLock {
public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex) {
        DWORD result = WaitForSingleObject(mutex_, INFINITE);
        owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~MutexLock() {
        if (owned_) ReleaseMutex(mutex_);
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    HANDLE mutex_;
    bool owned_;
};

}  // namespace quorforce
