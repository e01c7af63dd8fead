#pragma once
#include <windows.h>

namespace gantrel {

// Every lock the library takes is held by one of these owners, so that no way
// out of a call, early returns included, can leave a lock behind.
class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    SRWLOCK& lock_;
};

class SharedLock {
public:
    explicit SharedLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockShared(&lock_); }
    ~SharedLock() { ReleaseSRWLockShared(&lock_); }
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;

private:
    SRWLOCK& lock_;
};

// The one process-wide, non-recursive lock over the device and effect tables.
// An SRW lock needs no construction, so it works from the moment of loading.
extern SRWLOCK g_bridge_lock;

class BridgeLockGuard : public ExclusiveLock {
public:
    BridgeLockGuard() : ExclusiveLock(g_bridge_lock) {}
};

}  // namespace gantrel
