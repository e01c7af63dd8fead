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

// AddRef: the new count, or 0 (counted) on a destroyed object.
ULONG add_reference(CallScope &call, Shell &shell);

// Release, first half: false when the object is destroyed already (the
// over-release is counted and the call finished); else drops a reference and
// leaves its new count in `left`. The caller retires the object at 0, then
// calls finish_release.
bool drop_reference(CallScope &call, Shell &shell, ULONG &left);
ULONG finish_release(CallScope &call, ULONG left);

}  // namespace gsim
