#pragma once
// Counts the heap allocations a loaded module makes, by pointing its import
// address table entries for the C runtime's and the kernel's allocators at
// counting wrappers, which can also refuse chosen allocations (return null,
// as an exhausted heap does). The module on disk is not changed.
#include <windows.h>

namespace simtest {

// Patches `module`'s imports once; later calls do nothing.
bool install_heap_counter(HMODULE module);
// Allocations counted since the last reset, on every thread.
long heap_allocations();
void reset_heap_allocations();
// Allocation number n since the last reset fails, and with `and_after` every
// later one too; n = 0 lets every allocation succeed again.
void fail_allocations(long n, bool and_after);

}  // namespace simtest
