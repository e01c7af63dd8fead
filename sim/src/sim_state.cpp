#include "sim_state.h"

#include "call_hook.h"
#include "sim_lock.h"
#include "strict_checks.h"
#include "trace.h"

namespace gsim {

Sim &sim() {
    static Sim *state = nullptr;
    if (!state) {
        state = new Sim();  // never freed: objects may outlive any cleanup
        load_device_set(GSIM_RESET_CONFIGURED);
        char path[MAX_PATH * 4] = "";
        if (GetEnvironmentVariableA("GANTREL_SIM_TRACE", path, sizeof(path)) && *path) trace_to(path);
    }
    return *state;
}

int device_index(const VirtualDevice *dev) {
    if (!dev) return -1;
    const auto &list = sim().devices;
    for (size_t i = 0; i < list.size(); i++)
        if (list[i].get() == dev) return static_cast<int>(i);
    return -1;
}

namespace {

// AddRef and Release: never faulted, their mistakes counted on their own.
bool lifetime_method(int method) {
    return method == GSIM_M_DI_ADDREF || method == GSIM_M_DI_RELEASE || method == GSIM_M_DEV_ADDREF ||
           method == GSIM_M_DEV_RELEASE || method == GSIM_M_EFF_ADDREF || method == GSIM_M_EFF_RELEASE;
}

}  // namespace

CallScope::CallScope(int method, const Shell *shell, const VirtualDevice *dev, DWORD effect) {
    const bool alive = shell && shell->alive;
    const int outer = strict_enter(method);
    run_call_hook(method);
    lock();
    locked_ = true;
    Sim &s = sim();
    if (alive && !shell->alive) s.registry.dead_calls++;  // the hook destroyed it
    // Its last Release is under way (a hook inside it called it back).
    else if (alive && shell->refs <= 0 && !lifetime_method(method)) s.registry.dead_calls++;
    int index = device_index(dev);
    if (!lifetime_method(method))
        fired_ = s.faults.check(method, index, fault_);
    GSIM_CALL call{};
    call.method = method;
    call.injected = faulted();
    call.thread_id = GetCurrentThreadId();
    call.object = shell ? shell->id : 0;
    call.device = index;
    if (dev) call.device_guid = dev->desc.instance_guid;
    call.effect = effect;
    ticket_ = s.log.begin(call);
    strict_check_call(method, shell, dev, ticket_.seq, outer);
}

CallScope::~CallScope() {
    if (locked_) unlock();
    strict_leave();
}

GSIM_CALL *CallScope::rec() { return sim().log.find(ticket_); }

HRESULT CallScope::finish(HRESULT hr) {
    if (fired_ && (fault_.flags & GSIM_FAULT_AFTER_WORK)) hr = fault_.hr;
    if (GSIM_CALL *c = rec()) {
        c->result = hr;
        c->injected = fired_;
        trace_call(*c);
    }
    return hr;
}

void CallScope::release() {
    strict_pause();
    if (locked_) {
        locked_ = false;
        unlock();
    }
}

void CallScope::reacquire() {
    if (!locked_) {
        lock();
        locked_ = true;
    }
    strict_resume();
}

HRESULT dead_call(int method, const Shell &shell) {
    CallScope call(method, &shell, nullptr);
    sim().registry.dead_calls++;
    return call.finish(E_FAIL);
}

}  // namespace gsim
