#include "devices/hidden_window.h"

#include <windows.h>

#include "frame/bridge_lock.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"

namespace gantrel {
namespace {

constexpr char kWindowClass[] = "Oskavi_DIB_Window";
constexpr char kWindowTitle[] = "Gantrel";

SRWLOCK creation_lock = SRWLOCK_INIT;

}  // namespace

bool ensure_hidden_window() {
    if (__atomic_load_n(&g_hidden_window, __ATOMIC_ACQUIRE) != nullptr) return true;

    bool created;
    {
        ExclusiveLock lock(creation_lock);
        if (g_hidden_window == nullptr) {
            HINSTANCE executable = GetModuleHandleA(nullptr);
            WNDCLASSA window_class = {};
            window_class.lpfnWndProc = DefWindowProcA;
            window_class.hInstance = executable;
            window_class.lpszClassName = kWindowClass;
            // Fails harmlessly when a previous attempt registered it already.
            RegisterClassA(&window_class);
            HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, 0, 0, 0, 1, 1, nullptr,
                                          nullptr, executable, nullptr);
            __atomic_store_n(&g_hidden_window, window, __ATOMIC_RELEASE);
        }
        created = g_hidden_window != nullptr;
    }

    if (!created) set_last_error("hidden window creation failed");
    return created;
}

void pump_window_messages() {
    MSG message;
    while (PeekMessageA(&message, g_hidden_window, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace gantrel
