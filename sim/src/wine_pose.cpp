#include "wine_pose.h"

#include <windows.h>

#include <cstring>

namespace gsim {

void pose_as_wine_if_asked() {
    static LONG done = 0;
    if (InterlockedExchange(&done, 1)) return;
    char value[8] = "";
    if (!GetEnvironmentVariableA("GANTREL_SIM_WINE", value, sizeof value) || std::strcmp(value, "1") != 0) return;
    // Wine's loader marks its own modules with this text after the DOS
    // header, where a module built elsewhere keeps its DOS stub, unused.
    static const char kMark[] = "Wine builtin DLL";
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&pose_as_wine_if_asked), &self);
    void *stub = reinterpret_cast<IMAGE_DOS_HEADER *>(self) + 1;
    DWORD was = 0;
    if (self && VirtualProtect(stub, sizeof kMark, PAGE_READWRITE, &was)) {
        std::memcpy(stub, kMark, sizeof kMark);
        VirtualProtect(stub, sizeof kMark, was, &was);
    }
}

}  // namespace gsim
