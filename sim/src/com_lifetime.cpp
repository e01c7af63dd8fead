#include "com_lifetime.h"

#include "call_hook.h"

namespace gsim {

HRESULT answer_query_interface(CallScope &call, Shell &shell, REFIID riid, void **out, void *self,
                               bool ours) {
    if (GSIM_CALL *c = call.rec()) {
        c->guid = riid;
        c->null_out = out == nullptr;
    }
    if (call.faulted()) {
        if (out) *out = nullptr;
        return call.fault_hr();
    }
    if (!out) return call.finish(E_POINTER);
    if (!ours) {
        *out = nullptr;
        return call.finish(E_NOINTERFACE);
    }
    shell.refs++;
    *out = self;
    return call.finish(S_OK);
}

ULONG add_reference(CallScope &call, Shell &shell) {
    if (!shell.alive || shell.refs <= 0) {
        sim().registry.dead_calls++;
        call.finish(0);
        return 0;
    }
    const ULONG n = static_cast<ULONG>(++shell.refs);
    call.finish(static_cast<HRESULT>(n));
    return n;
}

bool drop_reference(CallScope &call, Shell &shell, ULONG &left) {
    if (!shell.alive || shell.refs <= 0) {
        sim().registry.over_releases++;
        call.finish(0);
        left = 0;
        return false;
    }
    left = static_cast<ULONG>(--shell.refs);
    return true;
}

void wait_inside_release(CallScope &call, int method) {
    if (!release_hooked(method)) return;
    call.release();
    run_release_hook(method);
    call.reacquire();
}

ULONG finish_release(CallScope &call, ULONG left) {
    call.finish(static_cast<HRESULT>(left));
    return left;
}

}  // namespace gsim
