#include "frame/bridge_lock.h"

#include "frame/last_error.h"

namespace gantrel {

SRWLOCK g_bridge_lock = SRWLOCK_INIT;
DWORD g_bridge_lock_owner = 0;

BridgeLockGuard::BridgeLockGuard() {
    const DWORD self = GetCurrentThreadId();
    if (__atomic_load_n(&g_bridge_lock_owner, __ATOMIC_RELAXED) == self) {
        set_last_error("re-entrant call from a window procedure during another gantrel call");
        return;
    }
    AcquireSRWLockExclusive(&g_bridge_lock);
    __atomic_store_n(&g_bridge_lock_owner, self, __ATOMIC_RELAXED);
    held_ = true;
}

BridgeLockGuard::~BridgeLockGuard() {
    if (!held_) return;
    __atomic_store_n(&g_bridge_lock_owner, 0, __ATOMIC_RELAXED);
    ReleaseSRWLockExclusive(&g_bridge_lock);
}

}  // namespace gantrel
