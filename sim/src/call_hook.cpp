#include "call_hook.h"

namespace gsim {
namespace {

struct Hook {
    int method;
    GSIM_CALL_HOOK function;
    void *context;
};

SRWLOCK hook_lock = SRWLOCK_INIT;
Hook hook{};
thread_local bool inside_hook = false;

bool unhooked(int method) {
    return method == GSIM_M_DI_ADDREF || method == GSIM_M_DI_RELEASE || method == GSIM_M_DEV_ADDREF ||
           method == GSIM_M_DEV_RELEASE || method == GSIM_M_EFF_ADDREF || method == GSIM_M_EFF_RELEASE;
}

Hook current() {
    AcquireSRWLockShared(&hook_lock);
    const Hook now = hook;
    ReleaseSRWLockShared(&hook_lock);
    return now;
}

void run(const Hook &now, int method) {
    inside_hook = true;
    now.function(method, now.context);
    inside_hook = false;
}

}  // namespace

void run_call_hook(int method) {
    if (inside_hook || unhooked(method)) return;
    const Hook now = current();
    if (now.function && (now.method == GSIM_M_NONE || now.method == method)) run(now, method);
}

// A hook for every method (GSIM_M_NONE) stays out of Release: only one set
// for that very Release runs there.
bool release_hooked(int method) {
    const Hook now = current();
    return !inside_hook && now.function && now.method == method;
}

void run_release_hook(int method) {
    const Hook now = current();
    if (!inside_hook && now.function && now.method == method) run(now, method);
}

void clear_call_hook() { gsim_set_call_hook(GSIM_M_NONE, nullptr, nullptr); }

}  // namespace gsim

extern "C" GSIM_API int gsim_set_call_hook(int method, GSIM_CALL_HOOK function, void *context) {
    if (method < GSIM_M_NONE || method >= GSIM_M_COUNT) return GSIM_E_ARG;
    AcquireSRWLockExclusive(&gsim::hook_lock);
    gsim::hook = {method, function, context};
    ReleaseSRWLockExclusive(&gsim::hook_lock);
    return GSIM_OK;
}
