#include "dinput_watch.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <deque>

namespace vwheel {
namespace dinput_watch {
namespace {

constexpr unsigned char kPattern = 0xA5;

using FreeFn = void(__cdecl *)(void *);
using SizeFn = size_t(__cdecl *)(void *);
using CancelFn = BOOL(WINAPI *)(HANDLE, OVERLAPPED *);
using ResultFn = BOOL(WINAPI *)(HANDLE, OVERLAPPED *, DWORD *, BOOL);
using ReadFn = BOOL(WINAPI *)(HANDLE, void *, DWORD, DWORD *, OVERLAPPED *);
using CloseFn = BOOL(WINAPI *)(HANDLE);
using LeaveFn = void(WINAPI *)(CRITICAL_SECTION *);

struct Kept {
    unsigned char *block;
    size_t size;
    DWORD tick;
    uint64_t cycle;
};

struct Import {
    void **slot = nullptr;
    void *original = nullptr;
};

struct State {
    CRITICAL_SECTION lock;
    bool installed = false;
    DWORD host_thread = 0;
    uint64_t cycle = 0;
    unsigned reads_to_fail = 0;
    unsigned hold_ms = 0;          // for the next failure made
    HANDLE held = nullptr;         // set when the input thread stops
    std::deque<Kept> kept;
    DinputCounts counts;
    SizeFn block_size = nullptr;
    Import free_import, cancel_import, result_import, read_import, close_import, leave_import;
};

State &state()
{
    static State s;
    return s;
}

// The input thread's way from a failure made to hold through to its stop.
enum class Hold { none, failed, closed };
thread_local Hold t_hold = Hold::none;
thread_local unsigned t_hold_ms = 0;

// With the lock held.
void count_failure(State &s, DWORD error)
{
    ++s.counts.read_errors[error];
    if (GetCurrentThreadId() != s.host_thread) ++s.counts.reads_failed_on_input_thread;
}

void note_read_failure(DWORD error)
{
    // Pending and cancelled are how Wine's reads end normally.
    if (error == ERROR_IO_PENDING || error == ERROR_OPERATION_ABORTED) return;
    State &s = state();
    EnterCriticalSection(&s.lock);
    count_failure(s, error);
    LeaveCriticalSection(&s.lock);
}

void __cdecl kept_free(void *block)
{
    if (!block) return;
    State &s = state();
    const size_t size = s.block_size(block);
    std::memset(block, kPattern, size);
    EnterCriticalSection(&s.lock);
    ++s.counts.frees;
    s.kept.push_back({static_cast<unsigned char *>(block), size, GetTickCount(), s.cycle});
    LeaveCriticalSection(&s.lock);
}

BOOL WINAPI counted_cancel(HANDLE file, OVERLAPPED *overlapped)
{
    const BOOL done = reinterpret_cast<CancelFn>(state().cancel_import.original)(file, overlapped);
    const DWORD error = GetLastError();
    EnterCriticalSection(&state().lock);
    if (!done && error == ERROR_NOT_FOUND) ++state().counts.cancels_without_read;
    if (GetCurrentThreadId() == state().host_thread) ++state().counts.host_cancels;
    LeaveCriticalSection(&state().lock);
    SetLastError(error);
    return done;
}

// Takes one read to fail, when one is asked for and this is the input thread.
bool make_read_fail()
{
    State &s = state();
    if (GetCurrentThreadId() == s.host_thread) return false;
    EnterCriticalSection(&s.lock);
    const bool fail = s.reads_to_fail > 0;
    if (fail) {
        --s.reads_to_fail;
        ++s.counts.reads_made_to_fail;
        count_failure(s, ERROR_IO_INCOMPLETE);
        if (s.hold_ms) t_hold = Hold::failed;
        t_hold_ms = s.hold_ms;
        s.hold_ms = 0;
    }
    LeaveCriticalSection(&s.lock);
    return fail;
}

BOOL WINAPI counted_result(HANDLE file, OVERLAPPED *overlapped, DWORD *count, BOOL wait)
{
    const BOOL done = reinterpret_cast<ResultFn>(state().result_import.original)(file, overlapped, count, wait);
    const DWORD error = GetLastError();
    if (done && make_read_fail()) {
        SetLastError(ERROR_IO_INCOMPLETE);
        return FALSE;
    }
    if (!done) note_read_failure(error);
    SetLastError(error);
    return done;
}

BOOL WINAPI counted_read(HANDLE file, void *buffer, DWORD size, DWORD *count, OVERLAPPED *overlapped)
{
    const BOOL done = reinterpret_cast<ReadFn>(state().read_import.original)(file, buffer, size, count, overlapped);
    const DWORD error = GetLastError();
    if (!done) note_read_failure(error);
    SetLastError(error);
    return done;
}

// Wine closes the device's handle after a failed read, then leaves the
// device's lock, then unacquires the device: the hold comes in between.
BOOL WINAPI watched_close(HANDLE handle)
{
    const BOOL done = reinterpret_cast<CloseFn>(state().close_import.original)(handle);
    if (t_hold == Hold::failed) t_hold = Hold::closed;
    return done;
}

void WINAPI watched_leave(CRITICAL_SECTION *section)
{
    reinterpret_cast<LeaveFn>(state().leave_import.original)(section);
    if (t_hold != Hold::closed) return;
    t_hold = Hold::none;
    SetEvent(state().held);
    Sleep(t_hold_ms);
}

// The import address table slot through which `module` calls dll!name.
void **import_slot(HMODULE module, const char *dll, const char *name)
{
    auto *base = reinterpret_cast<unsigned char *>(module);
    auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return nullptr;
    for (auto *d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress); d->Name; ++d) {
        if (_stricmp(reinterpret_cast<char *>(base + d->Name), dll) != 0) continue;
        auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                           : d->FirstThunk));
        auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto *by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char *>(by_name->Name), name) == 0)
                return reinterpret_cast<void **>(&slots->u1.Function);
        }
    }
    return nullptr;
}

void write_slot(void **slot, void *value)
{
    DWORD old;
    VirtualProtect(slot, sizeof(void *), PAGE_READWRITE, &old);
    InterlockedExchangePointer(slot, value);
    VirtualProtect(slot, sizeof(void *), old, &old);
}

bool hook(HMODULE module, const char *dll, const char *name, void *replacement, Import *import)
{
    import->slot = import_slot(module, dll, name);
    if (!import->slot) return false;
    import->original = *import->slot;
    write_slot(import->slot, replacement);
    return true;
}

void unhook(Import *import)
{
    if (import->slot) write_slot(import->slot, import->original);
    import->slot = nullptr;
}

FreedWrite inspect(const Kept &k)
{
    FreedWrite w;
    for (size_t i = 0; i < k.size; ++i) {
        if (k.block[i] == kPattern) continue;
        if (!w.changed) w.offset = i;
        w.end = i + 1;
        ++w.changed;
    }
    if (!w.changed) return w;
    w.size = k.size;
    w.cycle = k.cycle;
    for (size_t i = w.offset; i < k.size && i < w.offset + 16; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x ", k.block[i]);
        w.bytes += hex;
    }
    return w;
}

// Checks and frees what `take` removes from the kept blocks, outside the lock.
template <typename Take>
std::vector<FreedWrite> release_kept(Take take)
{
    State &s = state();
    std::vector<Kept> due;
    EnterCriticalSection(&s.lock);
    while (!s.kept.empty() && take(s.kept.front())) {
        due.push_back(s.kept.front());
        s.kept.pop_front();
    }
    LeaveCriticalSection(&s.lock);
    std::vector<FreedWrite> writes;
    for (const Kept &k : due) {
        FreedWrite w = inspect(k);
        if (w.changed) writes.push_back(w);
        reinterpret_cast<FreeFn>(s.free_import.original)(k.block);
    }
    return writes;
}

} // namespace

bool install(unsigned long host_thread_id)
{
    State &s = state();
    static bool lock_ready = (InitializeCriticalSection(&s.lock), true);
    (void)lock_ready;
    HMODULE dinput = GetModuleHandleA("dinput8.dll");
    HMODULE crt = GetModuleHandleA("ucrtbase.dll");
    if (!dinput || !crt || s.installed) return false;
    s.block_size = reinterpret_cast<SizeFn>(reinterpret_cast<void (*)()>(GetProcAddress(crt, "_msize")));
    s.host_thread = host_thread_id;
    s.counts = {};
    s.reads_to_fail = 0;
    if (!s.block_size || !hook(dinput, "kernel32.dll", "CancelIoEx", reinterpret_cast<void *>(counted_cancel),
                               &s.cancel_import) ||
        !hook(dinput, "kernel32.dll", "GetOverlappedResult", reinterpret_cast<void *>(counted_result),
              &s.result_import) ||
        !hook(dinput, "kernel32.dll", "ReadFile", reinterpret_cast<void *>(counted_read), &s.read_import) ||
        !hook(dinput, "kernel32.dll", "CloseHandle", reinterpret_cast<void *>(watched_close), &s.close_import) ||
        !hook(dinput, "kernel32.dll", "LeaveCriticalSection", reinterpret_cast<void *>(watched_leave),
              &s.leave_import) ||
        !hook(dinput, "ucrtbase.dll", "free", reinterpret_cast<void *>(kept_free), &s.free_import)) {
        unhook(&s.cancel_import);
        unhook(&s.result_import);
        unhook(&s.read_import);
        unhook(&s.close_import);
        unhook(&s.leave_import);
        return false;
    }
    if (!s.held) s.held = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    s.installed = true;
    return true;
}

void set_cycle(uint64_t cycle)
{
    EnterCriticalSection(&state().lock);
    state().cycle = cycle;
    LeaveCriticalSection(&state().lock);
}

void fail_next_read()
{
    EnterCriticalSection(&state().lock);
    ++state().reads_to_fail;
    LeaveCriticalSection(&state().lock);
}

bool fail_next_read_and_hold(unsigned hold_ms, unsigned timeout_ms)
{
    EnterCriticalSection(&state().lock);
    state().hold_ms = hold_ms;
    ++state().reads_to_fail;
    LeaveCriticalSection(&state().lock);
    return WaitForSingleObject(state().held, timeout_ms) == WAIT_OBJECT_0;
}

void withdraw_read_failures()
{
    EnterCriticalSection(&state().lock);
    state().reads_to_fail = 0;
    state().hold_ms = 0;
    LeaveCriticalSection(&state().lock);
}

std::vector<FreedWrite> sweep(unsigned age_ms)
{
    const DWORD now = GetTickCount();
    return release_kept([&](const Kept &k) { return now - k.tick >= age_ms; });
}

DinputCounts counts()
{
    EnterCriticalSection(&state().lock);
    DinputCounts c = state().counts;
    LeaveCriticalSection(&state().lock);
    return c;
}

std::vector<FreedWrite> uninstall()
{
    State &s = state();
    if (!s.installed) return {};
    unhook(&s.free_import);
    unhook(&s.cancel_import);
    unhook(&s.result_import);
    unhook(&s.read_import);
    unhook(&s.close_import);
    unhook(&s.leave_import);
    s.installed = false;
    // A block freed by a call that was inside the hook as it went is kept
    // too: the free it would have had comes from here.
    std::vector<FreedWrite> writes = release_kept([](const Kept &) { return true; });
    return writes;
}

} // namespace dinput_watch
} // namespace vwheel
