#include "sim_lock.h"

namespace gsim {

static CRITICAL_SECTION &section() {
    // Initialised on first use; function-local statics are thread-safe.
    static CRITICAL_SECTION cs;
    static bool ready = (InitializeCriticalSection(&cs), true);
    (void)ready;
    return cs;
}

void lock() { EnterCriticalSection(&section()); }
void unlock() { LeaveCriticalSection(&section()); }

}  // namespace gsim
