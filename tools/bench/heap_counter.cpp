#include "heap_counter.h"

#include <cstdlib>
#include <cstring>

namespace simtest {
namespace {

volatile long g_count = 0;
volatile long g_fail_at = 0;  // 0: every allocation succeeds
volatile long g_fail_after = 0;

// Counts one allocation; true when it is to fail.
bool refused() {
    const long n = InterlockedIncrement(&g_count);
    const long at = g_fail_at;
    return at > 0 && (n == at || (g_fail_after && n > at));
}

void* counted_malloc(size_t n) { return refused() ? nullptr : std::malloc(n); }
void* counted_calloc(size_t n, size_t s) { return refused() ? nullptr : std::calloc(n, s); }
void* counted_realloc(void* p, size_t n) { return refused() ? nullptr : std::realloc(p, n); }
char* counted_strdup(const char* s) { return refused() ? nullptr : _strdup(s); }
LPVOID WINAPI counted_heap_alloc(HANDLE h, DWORD f, SIZE_T n) { return refused() ? nullptr : HeapAlloc(h, f, n); }
LPVOID WINAPI counted_heap_realloc(HANDLE h, DWORD f, LPVOID p, SIZE_T n) {
    return refused() ? nullptr : HeapReAlloc(h, f, p, n);
}
HLOCAL WINAPI counted_local_alloc(UINT f, SIZE_T n) { return refused() ? nullptr : LocalAlloc(f, n); }
HGLOBAL WINAPI counted_global_alloc(UINT f, SIZE_T n) { return refused() ? nullptr : GlobalAlloc(f, n); }

struct Replacement {
    const char* name;
    void* function;
};
const Replacement kReplacements[] = {
    {"malloc", reinterpret_cast<void*>(counted_malloc)},
    {"calloc", reinterpret_cast<void*>(counted_calloc)},
    {"realloc", reinterpret_cast<void*>(counted_realloc)},
    {"_strdup", reinterpret_cast<void*>(counted_strdup)},
    {"HeapAlloc", reinterpret_cast<void*>(counted_heap_alloc)},
    {"HeapReAlloc", reinterpret_cast<void*>(counted_heap_realloc)},
    {"LocalAlloc", reinterpret_cast<void*>(counted_local_alloc)},
    {"GlobalAlloc", reinterpret_cast<void*>(counted_global_alloc)},
};

bool installed = false;

}  // namespace

bool install_heap_counter(HMODULE module) {
    if (installed) return true;
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return false;
    int patched = 0;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name;
         ++desc) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
            for (const Replacement& r : kReplacements) {
                if (std::strcmp(name, r.name) != 0) continue;
                DWORD old;
                VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
                slots->u1.Function = reinterpret_cast<ULONGLONG>(r.function);
                VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
                ++patched;
            }
        }
    }
    installed = patched > 0;
    return installed;
}

long heap_allocations() { return g_count; }
void reset_heap_allocations() { InterlockedExchange(&g_count, 0); }

void fail_allocations(long n, bool and_after) {
    InterlockedExchange(&g_fail_after, and_after ? 1 : 0);
    InterlockedExchange(&g_fail_at, n);
}

}  // namespace simtest
