#pragma once
// Waiting for a host loop's next slot without spinning, so that the
// thread's CPU time is its calls' own. NtDelayExecution takes 100 ns
// units; under Wine it sleeps that long (plus the kernel's wake-up), where
// Sleep would round up to whole milliseconds.
#include <windows.h>

namespace bench {

// Returns at once when `ticks` (performance counter) has passed.
void sleep_until(LONGLONG ticks);
LONGLONG ticks_per_second();

// The next number of a fixed sequence, uniform in [0, 1).
double next_uniform(unsigned& state);

}  // namespace bench
