// The program's code run at the start of a call (gsim_set_call_hook).
#pragma once
#include "gantrel_sim.h"

namespace gsim {

// Runs the hook for `method` on this thread, unless it is running already.
// Called before the simulator's lock is taken.
void run_call_hook(int method);
// Whether a hook was set for exactly this Release method; run_release_hook
// then runs it, as run_call_hook does.
bool release_hooked(int method);
void run_release_hook(int method);
void clear_call_hook();

}  // namespace gsim
