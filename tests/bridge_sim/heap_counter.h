#pragma once
// Counts the heap allocations a loaded module makes, by pointing its import
// address table entries for the C runtime's and the kernel's allocators at
// counting wrappers. The module on disk is not changed.
#include <windows.h>

namespace simtest {

// Patches `module`'s imports once; later calls do nothing.
bool install_heap_counter(HMODULE module);
// Allocations counted since the last reset, on every thread.
long heap_allocations();
void reset_heap_allocations();

}  // namespace simtest
