// Strict mode's checks, made at the start of every call: re-entry, calls
// on released objects, the thread and window a device is polled from, a
// window whose thread serves no messages, and effect updates for another
// number of axes.
#pragma once
#include <windows.h>
#include <dinput.h>

#include "registry.h"

namespace gsim {

class CallScope;
class SimEffect;
struct VirtualDevice;

// This thread enters a call of `method`: returns the call it is already
// inside (GSIM_M_NONE if none). Made before any program code can run
// inside the call, so that what runs there counts as re-entry.
int strict_enter(int method);
void strict_leave();
// Around an enumeration callback: calls made from it are allowed.
void strict_pause();
void strict_resume();

// The call's checks, once it is in the log. Under the lock.
void strict_check_call(int method, const Shell *shell, const VirtualDevice *dev, DWORD seq, int outer);
// SetParameters, before the parameters are taken.
void strict_check_update(const SimEffect &effect, const DIEFFECT *params, DWORD flags, const CallScope &call);

}  // namespace gsim
