// What QueryInterface, AddRef and Release of every simulated COM object
// share: the log entry, fault rules and the reference count of its shell.
#pragma once
#include <windows.h>

#include "registry.h"
#include "sim_state.h"

namespace gsim {

// Hands out `self` when `ours` (riid names one of the object's interfaces).
HRESULT answer_query_interface(CallScope &call, Shell &shell, REFIID riid, void **out, void *self,
                               bool ours);

// AddRef: the new count, or 0 (counted as a dead call) on a destroyed or
// dying object: taking a count through zero twice would destroy it twice.
ULONG add_reference(CallScope &call, Shell &shell);

// Release, first half: false when the object is destroyed or dying already
// (the over-release is counted and the call finished); else drops a reference and
// leaves its new count in `left`. The caller retires the object at 0, then
// calls finish_release.
bool drop_reference(CallScope &call, Shell &shell, ULONG &left);
// Where DirectInput may wait inside Release (a last Release unacquires and
// waits on a sent message): runs the hook set for this Release method,
// without the lock. A last Release's object is dying meanwhile.
void wait_inside_release(CallScope &call, int method);
ULONG finish_release(CallScope &call, ULONG left);

}  // namespace gsim
