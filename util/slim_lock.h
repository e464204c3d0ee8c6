// Holds a process-local slim lock (the reports' send lock) for the life of a scope.
#pragma once

#include "platform/win32.h"

namespace quorforce {

class SlimLock {
public:
    explicit SlimLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~SlimLock() { ReleaseSRWLockExclusive(&lock_); }
    SlimLock(const SlimLock&) = delete;
    SlimLock& operator=(const SlimLock&) = delete;

private:
    SRWLOCK& lock_;
};

}  // namespace quorforce
