#pragma once
#include <windows.h>

namespace gantrel {

// The one process-wide, non-recursive lock over the device and effect tables.
// An SRW lock needs no construction, so it works from the moment of loading.
extern SRWLOCK g_bridge_lock;

class BridgeLockGuard {
public:
    BridgeLockGuard() { AcquireSRWLockExclusive(&g_bridge_lock); }
    ~BridgeLockGuard() { ReleaseSRWLockExclusive(&g_bridge_lock); }
    BridgeLockGuard(const BridgeLockGuard&) = delete;
    BridgeLockGuard& operator=(const BridgeLockGuard&) = delete;
};

}  // namespace gantrel
