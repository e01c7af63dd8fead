#include "devices/hidden_window.h"

#include <windows.h>

#include <cstring>

#include "frame/bridge_lock.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"

namespace gantrel {
namespace {

constexpr char kWindowClass[] = "Oskavi_DIB_Window";
constexpr char kWindowTitle[] = "Gantrel";

SRWLOCK creation_lock = SRWLOCK_INIT;

// The window dies with the thread that made it, or when anything sends it
// WM_CLOSE; its handle may then name nothing, or another window.
bool is_live_hidden_window(HWND window) {
    DWORD process = 0;
    char class_name[sizeof kWindowClass + 1];
    return window != nullptr && GetWindowThreadProcessId(window, &process) != 0 &&
           process == GetCurrentProcessId() && GetClassNameA(window, class_name, sizeof class_name) > 0 &&
           std::strcmp(class_name, kWindowClass) == 0;
}

}  // namespace

bool ensure_hidden_window() {
    if (is_live_hidden_window(__atomic_load_n(&g_hidden_window, __ATOMIC_ACQUIRE))) return true;

    bool created = true;
    {
        ExclusiveLock lock(creation_lock);
        if (!is_live_hidden_window(g_hidden_window)) {
            HINSTANCE executable = GetModuleHandleA(nullptr);
            WNDCLASSA window_class = {};
            window_class.lpfnWndProc = DefWindowProcA;
            window_class.hInstance = executable;
            window_class.lpszClassName = kWindowClass;
            // Fails harmlessly when a previous attempt registered it already.
            RegisterClassA(&window_class);
            HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, 0, 0, 0, 1, 1, nullptr,
                                          nullptr, executable, nullptr);
            // A refused replacement keeps the old handle, which the devices
            // opened before are bound to.
            if (window != nullptr) __atomic_store_n(&g_hidden_window, window, __ATOMIC_RELEASE);
            created = window != nullptr;
        }
    }

    if (!created) set_last_error("hidden window creation failed");
    return created;
}

void pump_window_messages() {
    // Given no window, PeekMessageA would take every message of the host's
    // thread, WM_QUIT included.
    MSG message;
    HWND window;
    while ((window = __atomic_load_n(&g_hidden_window, __ATOMIC_ACQUIRE)) != nullptr &&
           PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace gantrel
