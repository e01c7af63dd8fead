// The program's code run at the start of a call (gsim_set_call_hook).
#pragma once
#include "gantrel_sim.h"

namespace gsim {

// Runs the hook for `method` on this thread, unless it is running already.
// Called before the simulator's lock is taken.
void run_call_hook(int method);
void clear_call_hook();

}  // namespace gsim
