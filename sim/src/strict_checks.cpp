#include "strict_checks.h"

#include "effect_params.h"
#include "method_names.h"
#include "sim_objects.h"
#include "sim_state.h"
#include "strict_reports.h"
#include "strict_unload.h"

#include <map>

namespace gsim {

namespace {

// Where this thread is: how many calls deep, the outermost call, and what
// an enumeration callback put aside.
struct Depth {
    int calls;
    int outer;
};
const int kNested = 8;
thread_local Depth t_depth = {0, GSIM_M_NONE};
thread_local Depth t_paused[kNested];
thread_local int t_pauses = 0;

// Windows counts a window's thread as not responding after 5 s without
// retrieving a message; asking costs a server call, so not at every call.
const DWORD kLoopCheckMs = 250;
std::map<DWORD, DWORD> g_loop_checked;  // device object id -> tick

std::string axes(DWORD n) { return std::to_string(n) + (n == 1 ? " axis" : " axes"); }

bool counts_references(int method) {
    return method == GSIM_M_DI_ADDREF || method == GSIM_M_DI_RELEASE || method == GSIM_M_DEV_ADDREF ||
           method == GSIM_M_DEV_RELEASE || method == GSIM_M_EFF_ADDREF || method == GSIM_M_EFF_RELEASE ||
           method == GSIM_M_DEV_QUERYINTERFACE || method == GSIM_M_EFF_QUERYINTERFACE;
}

// The live device object a call is made on, directly or through one of
// its effects.
SimDevice *device_object(const Shell *shell) {
    if (!shell || !shell->alive) return nullptr;
    for (SimDevice *d : open_device_objects()) {
        if (&d->shell == shell) return d;
        if (shell->kind == GSIM_KIND_EFFECT)
            for (SimEffect *e : d->effects)
                if (&e->shell == shell) return d;
    }
    return nullptr;
}

// A window of this process that the device is bound to; nullptr for none,
// the desktop or another process's window.
HWND own_window(const SimDevice &d, DWORD &thread) {
    thread = 0;
    if (!d.hwnd || d.hwnd == GetDesktopWindow()) return nullptr;
    DWORD process = 0;
    thread = GetWindowThreadProcessId(d.hwnd, &process);
    if (thread && process != GetCurrentProcessId()) return nullptr;
    return d.hwnd;
}

void check_poll(const SimDevice &d, const StrictPlace &here) {
    DWORD thread;
    if (!own_window(d, thread)) return;
    if (!thread) {
        strict_report(GSIM_RULE_POLL_DEAD_WINDOW, here,
                      "polled, but the device's window is gone (the thread that opened the device ended, or the "
                      "window was closed), so DirectInput binds it to nothing: release the device and open it again");
    } else if (thread != here.thread_id) {
        strict_report(GSIM_RULE_POLL_THREAD, here,
                      "polled on thread " + std::to_string(here.thread_id) + ", but the device's window belongs to thread " +
                          std::to_string(thread) +
                          ", where its messages wait unserved: call dib_open and dib_poll on one thread that runs a "
                          "message loop");
    }
}

void check_message_loop(const SimDevice &d, StrictPlace here) {
    DWORD thread;
    const HWND window = own_window(d, thread);
    if (!window || !thread || d.status != SimDevice::Status::Acquired) return;
    const DWORD now = GetTickCount();
    auto checked = g_loop_checked.find(d.shell.id);
    if (checked != g_loop_checked.end() && now - checked->second < kLoopCheckMs) return;
    g_loop_checked[d.shell.id] = now;
    if (!IsHungAppWindow(window)) return;
    here.object = d.shell.id;
    strict_report(GSIM_RULE_NO_MESSAGES, here,
                  "thread " + std::to_string(thread) +
                      ", which owns the device's window, has retrieved no message for 5 seconds while the device is "
                      "in use: run a message loop, or call dib_poll regularly, on the thread that opened the device");
}

}  // namespace

int strict_enter(int method) {
    const int outer = t_depth.calls > 0 ? t_depth.outer : GSIM_M_NONE;
    if (t_depth.calls++ == 0) t_depth.outer = method;
    return outer;
}

void strict_leave() {
    if (t_depth.calls > 0) t_depth.calls--;
}

void strict_pause() {
    if (t_pauses < kNested) t_paused[t_pauses] = t_depth;
    t_pauses++;
    t_depth = {0, GSIM_M_NONE};
}

void strict_resume() {
    if (t_pauses > 0 && --t_pauses < kNested) t_depth = t_paused[t_pauses];
}

void strict_check_call(int method, const Shell *shell, const VirtualDevice *dev, DWORD seq, int outer) {
    if (!strict_on()) return;
    notice_unloaded_owners();
    const StrictPlace here{method, seq, shell ? shell->id : 0, dev, GetCurrentThreadId()};
    if (outer != GSIM_M_NONE)
        strict_report(GSIM_RULE_REENTRANT, here,
                      std::string("called while this thread is inside ") + method_name(outer) +
                          " (a window procedure run while DirectInput waits): post a message to yourself and make "
                          "the call once the other call has returned");
    // Objects are never freed here, but real DirectInput frees one at its
    // last Release: any call from then on, AddRef and Release included, or
    // from code run inside that Release, would use freed memory.
    if (shell && (!shell->alive || shell->refs <= 0)) {
        strict_report(GSIM_RULE_RELEASED, here,
                      "called after the object's last Release, when real DirectInput has freed it: the device was "
                      "released while another thread polled or queried it (release a device only when no other "
                      "thread uses it), or, if no thread did, the library used an object it had released");
        return;
    }
    if (counts_references(method)) return;
    const SimDevice *d = device_object(shell);
    if (!d) return;
    if (method == GSIM_M_DEV_POLL || method == GSIM_M_DEV_GETDEVICESTATE) check_poll(*d, here);
    check_message_loop(*d, here);
}

void strict_check_update(const SimEffect &effect, const DIEFFECT *params, DWORD flags, const CallScope &call) {
    if (!strict_on() || !params || !effect.st || !effect.shell.alive) return;
    if (params->dwSize != kEffectSize && params->dwSize != kEffectSizeDx5) return;
    const DWORD created = effect.st->params.cAxes;
    const bool condition = base_type(effect_kind(effect.guid)) == DIEFT_CONDITION;
    // Directions come one per axis, and so do a condition's blocks.
    const bool reads_axes = (flags & (DIEP_AXES | DIEP_DIRECTION)) ||
                            (condition && (flags & DIEP_TYPESPECIFICPARAMS) && params->cAxes);
    if (!created || !reads_axes || params->cAxes == created) return;
    strict_report(GSIM_RULE_AXIS_COUNT,
                  {GSIM_M_EFF_SETPARAMETERS, call.seq(), effect.shell.id, effect.device(), GetCurrentThreadId()},
                  "the update is for " + axes(params->cAxes) + ", but the effect was created on " + axes(created) +
                      ": the axis map changed to another number of axes since; set the map back before updating, "
                      "or destroy the effect and create it again");
}

}  // namespace gsim
