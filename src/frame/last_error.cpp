#include "frame/last_error.h"

#include <windows.h>

#include <cstdio>

// The buffer lives in the image's static TLS section, so every thread, also
// one that existed before the DLL was loaded, gets its own zero-filled copy
// from the loader without any allocation. GCC's thread_local would use
// emulated TLS here, which allocates on a thread's first use.
extern "C" char _tls_start;
extern "C" ULONG _tls_index;

namespace gantrel {
namespace {

// Sorted by the linker between mingw's .tls start and .tls$ZZZ end markers.
__attribute__((section(".tls$GANTREL"))) char tls_template[kLastErrorSize];

// TEB.ThreadLocalStoragePointer, the TEB's twelfth pointer.
char** tls_slots() {
    char** slots;
#ifdef _WIN64
    asm("movq %%gs:0x58, %0" : "=r"(slots));
#else
    asm("movl %%fs:0x2C, %0" : "=r"(slots));
#endif
    return slots;
}

char* thread_buffer() { return tls_slots()[_tls_index] + (tls_template - &_tls_start); }

}  // namespace

void set_last_error(const char* message, int32_t hresult) {
    char* buffer = thread_buffer();
    if (hresult == 0)
        std::snprintf(buffer, kLastErrorSize, "%s", message);
    else
        std::snprintf(buffer, kLastErrorSize, "%s (HRESULT 0x%08lX)", message,
                      static_cast<unsigned long>(static_cast<uint32_t>(hresult)));
}

const char* last_error_text() { return thread_buffer(); }

}  // namespace gantrel
