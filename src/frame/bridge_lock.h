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
// The thread that holds g_bridge_lock, 0 when none. Only the holder writes
// it, so a thread that reads its own id here holds the lock itself.
extern DWORD g_bridge_lock_owner;

// Taken first by every export that holds the bridge lock. While such an
// export waits inside DirectInput, Windows may run the host's window
// procedure on the same thread; a second locking export called from there
// would wait for itself forever, so it is refused instead: held() is false
// and the thread's message says why.
class BridgeLockGuard {
public:
    BridgeLockGuard();
    ~BridgeLockGuard();
    BridgeLockGuard(const BridgeLockGuard&) = delete;
    BridgeLockGuard& operator=(const BridgeLockGuard&) = delete;

    bool held() const { return held_; }

private:
    bool held_ = false;
};

}  // namespace gantrel
