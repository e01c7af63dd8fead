#include "devices/directinput_instance.h"

#include <windows.h>
#include <objbase.h>
#include <dinput.h>

#include "devices/kept_devices.h"
#include "frame/bridge_lock.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"

namespace gantrel {
namespace {

// Two threads arriving at the first use together must not both create an
// instance; this lock is taken only until the instance exists.
SRWLOCK creation_lock = SRWLOCK_INIT;

}  // namespace

bool ensure_directinput() {
    if (__atomic_load_n(&g_directinput, __ATOMIC_ACQUIRE) != nullptr) return true;

    HRESULT hr = S_OK;
    IDirectInput8A* instance = nullptr;
    {
        ExclusiveLock lock(creation_lock);
        if (g_directinput != nullptr) return true;
        // Already initialised, or initialised as another apartment kind: either is fine.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        hr = DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                reinterpret_cast<void**>(&instance), nullptr);
        if (SUCCEEDED(hr) && instance != nullptr) {
            decide_device_keeping(instance);
            __atomic_store_n(&g_directinput, instance, __ATOMIC_RELEASE);
        }
    }

    // A success without an interface is a failure too: nothing to call through.
    if (FAILED(hr) || instance == nullptr) {
        set_last_error("DirectInput8Create failed", hr);
        return false;
    }
    return true;
}

}  // namespace gantrel
