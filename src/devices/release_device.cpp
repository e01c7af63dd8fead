#include <windows.h>
#include <dinput.h>

#include "devices/autocenter.h"
#include "devices/kept_devices.h"
#include "frame/bridge_lock.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"
#include "gantrel.h"

using namespace gantrel;

namespace {

// Clears every effect of the device; `unload` also stops and unloads each
// one first, which a reset of the whole device makes unnecessary.
void drop_device_effects(int32_t handle, bool unload) {
    for (int i = 0; i < kEffectSlots; ++i) {
        EffectSlot& entry = effect_at(i);
        if (!entry.in_use || entry.device_handle != handle) continue;
        if (IDirectInputEffect* effect = entry.effect) {
            if (unload) {
                effect->Stop();
                effect->Unload();
            }
            effect->Release();
        }
        clear_effect_slot(i);
    }
}

}  // namespace

extern "C" int32_t DIB_CALL dib_release(int32_t handle) {
    BridgeLockGuard lock;
    if (!lock.held()) return DIB_E_FAILED;
    DeviceSlot* slot = open_device_slot(handle);
    if (slot == nullptr) return DIB_E_BADARG;

    // DirectInput may run the host's handlers inside any call below (Wine
    // waits in Unacquire and in the last Release): from here on they find
    // the handle released, so no poll takes the device back behind us.
    slot->open = 0;
    drop_device_effects(handle, true);
    IDirectInputDevice8A* device = slot->device;
    device->SendForceFeedbackCommand(DISFFC_RESET);
    // Wine's Unacquire returns early when it finds that its input thread's
    // read has just failed, and leaves the object on its list of acquired
    // devices: a device acquired until now that Unacquire leaves alone.
    const bool was_acquired = keeps_device_objects() && SUCCEEDED(device->Poll());
    const HRESULT unacquired = device->Unacquire();
    write_autocenter(device, slot->saved_autocenter);
    if (was_acquired && unacquired != DI_OK)
        strand_device(device);
    else
        keep_device(device, slot->instance_guid);
    // Called from a handler that a poll of this device ran: that poll is
    // still inside DirectInput and lets the device go once out.
    if (take_poll(*slot) == nullptr) device->Release();
    reset_device_slot(handle - 1);
    return DIB_OK;
}

extern "C" int32_t DIB_CALL dib_device_reset(int32_t handle) {
    BridgeLockGuard lock;
    if (!lock.held()) return DIB_E_FAILED;
    DeviceSlot* slot = open_device_slot(handle);
    if (slot == nullptr) return DIB_E_BADARG;

    drop_device_effects(handle, false);
    const HRESULT hr = slot->device->SendForceFeedbackCommand(DISFFC_RESET);
    if (FAILED(hr)) {
        set_last_error("DISFFC_RESET failed", hr);
        return DIB_E_FAILED;
    }
    return DIB_OK;
}
