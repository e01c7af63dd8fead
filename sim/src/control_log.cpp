// Control functions: method names, fault rules and the call log.
#include "method_names.h"
#include "sim_lock.h"
#include "sim_state.h"
#include "trace.h"

using namespace gsim;

#define GSIM_EXPORT extern "C" GSIM_API

GSIM_EXPORT const char *gsim_method_name(int method) { return method_name(method); }
GSIM_EXPORT int gsim_method_from_name(const char *name) { return method_from_name(name); }

static bool faultable(int method) {
    switch (method) {
    case GSIM_M_DI_ADDREF:
    case GSIM_M_DI_RELEASE:
    case GSIM_M_DEV_ADDREF:
    case GSIM_M_DEV_RELEASE:
    case GSIM_M_EFF_ADDREF:
    case GSIM_M_EFF_RELEASE: return false;
    default: return method > GSIM_M_NONE && method < GSIM_M_COUNT;
    }
}

GSIM_EXPORT int gsim_fault_add(const GSIM_FAULT *fault) {
    if (!fault || fault->size != sizeof(GSIM_FAULT) || !faultable(fault->method) || fault->count == 0)
        return GSIM_E_ARG;
    Guard guard;
    return sim().faults.add(*fault);
}

GSIM_EXPORT int gsim_fail_next(int method, HRESULT hr, DWORD count) {
    GSIM_FAULT f{sizeof(GSIM_FAULT), method, hr, 0, count, -1, 0};
    return gsim_fault_add(&f);
}

GSIM_EXPORT int gsim_fail_nth(int method, DWORD nth, HRESULT hr) {
    if (nth == 0) return GSIM_E_ARG;
    GSIM_FAULT f{sizeof(GSIM_FAULT), method, hr, nth - 1, 1, -1, 0};
    return gsim_fault_add(&f);
}

GSIM_EXPORT int gsim_fault_clear(int id) {
    if (id < 0) return GSIM_E_ARG;
    Guard guard;
    sim().faults.clear(id);
    return GSIM_OK;
}

GSIM_EXPORT int gsim_fault_pending(void) {
    Guard guard;
    return sim().faults.pending();
}

GSIM_EXPORT int gsim_log_count(void) {
    Guard guard;
    return sim().log.count();
}

GSIM_EXPORT int gsim_log_get(int i, GSIM_CALL *call) {
    if (!call) return GSIM_E_ARG;
    Guard guard;
    const GSIM_CALL *c = sim().log.at(i);
    if (!c) return GSIM_E_ARG;
    *call = *c;
    return GSIM_OK;
}

GSIM_EXPORT int gsim_log_count_method(int method) {
    Guard guard;
    const CallLog &log = sim().log;
    int n = 0;
    for (int i = 0; i < log.count(); i++)
        if (log.at(i)->method == method) n++;
    return n;
}

GSIM_EXPORT int gsim_log_find(int method, int nth) {
    Guard guard;
    const CallLog &log = sim().log;
    for (int i = 0; i < log.count(); i++)
        if (log.at(i)->method == method && nth-- == 0) return i;
    return -1;
}

GSIM_EXPORT int gsim_log_clear(void) {
    Guard guard;
    sim().log.clear();
    return GSIM_OK;
}

GSIM_EXPORT int gsim_log_enable(BOOL on) {
    Guard guard;
    sim().log.enable(on != FALSE);
    return GSIM_OK;
}

GSIM_EXPORT int gsim_log_dropped(void) {
    Guard guard;
    return sim().log.dropped();
}

GSIM_EXPORT int gsim_trace_to(const char *path) {
    Guard guard;
    sim();  // the configured trace, if any, starts first and is replaced
    return trace_to(path) ? GSIM_OK : GSIM_E_ARG;
}
