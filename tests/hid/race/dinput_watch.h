// dinput_watch.h - what Wine's own dinput8 does with its memory and its
// device reads, seen from inside the test process through its imports.
//
// Every block dinput8 frees is filled with a pattern and kept a while before
// it is really freed, so a write into it after the free (a read that Wine
// left pending when it released the device object) shows as changed bytes
// instead of a heap corrupted somewhere unrelated. Its cancels that found no
// read and its reads that failed are counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vwheel {

// A write found in a block dinput8 had freed.
struct FreedWrite {
    size_t size = 0;       // of the block
    size_t offset = 0;     // of the first changed byte
    size_t end = 0;        // one past the last changed byte
    size_t changed = 0;    // bytes changed in all
    uint64_t cycle = 0;    // the host cycle in which the block was freed
    std::string bytes;     // up to 16 bytes from `offset`, in hex
};

struct DinputCounts {
    uint64_t frees = 0;
    uint64_t cancels_without_read = 0;       // CancelIoEx failed with ERROR_NOT_FOUND
    uint64_t reads_failed_on_input_thread = 0; // Wine's "input lost", the made ones included
    uint64_t reads_made_to_fail = 0;
    uint64_t host_cancels = 0;               // CancelIoEx on the host thread: Unacquire met a live handle
    std::map<unsigned long, uint64_t> read_errors; // error code -> count, any thread
};

namespace dinput_watch {

// Hooks dinput8.dll's imports of free, CancelIoEx, GetOverlappedResult,
// ReadFile, CloseHandle and LeaveCriticalSection; `host_thread_id` is the thread that is not Wine's input thread. False when dinput8 is not loaded or lacks one of them.
bool install(unsigned long host_thread_id);
// The cycle that frees are attributed to from now on.
void set_cycle(uint64_t cycle);
// The input thread's next read that completes is reported to Wine as not
// complete (ERROR_IO_INCOMPLETE), as Wine sometimes finds its own read: Wine
// then closes the device's handle and reports input lost. The failure is
// counted as soon as it is decided, before Wine sees it.
void fail_next_read();
// As fail_next_read, and the input thread then stops for `hold_ms` right
// after it has closed the device's handle and left the device's lock, before
// it unacquires the device: an Unacquire made meanwhile meets the failed read
// half way. True once that point is reached, within `timeout_ms`.
bool fail_next_read_and_hold(unsigned hold_ms, unsigned timeout_ms);
// Withdraws the failures asked for that no read has taken yet.
void withdraw_read_failures();
// Checks every block kept at least `age_ms`, frees it, and returns what was
// written into the ones that changed.
std::vector<FreedWrite> sweep(unsigned age_ms);
DinputCounts counts();
// Restores the imports; what is still kept is checked and freed (returned).
std::vector<FreedWrite> uninstall();

} // namespace dinput_watch
} // namespace vwheel
