#include <windows.h>
#include <dinput.h>

#include "devices/hidden_window.h"
#include "frame/bridge_state.h"
#include "frame/dinput_codes.h"
#include "frame/last_error.h"
#include "gantrel.h"
#include "input/input_report.h"

using namespace gantrel;

namespace {

bool lost_acquisition(HRESULT hr) { return hr == dierr::kInputLost || hr == dierr::kNotAcquired; }

// The pump and every DirectInput call can run the host's window procedures,
// which may release this device (on WM_DEVICECHANGE, say): then the call
// must end without touching it again, as if the handle had been invalid.
bool still_open(const DeviceSlot& slot, const IDirectInputDevice8A* device) {
    return slot.open && slot.device == device;
}

int32_t read_device(DeviceSlot& slot, IDirectInputDevice8A* device, InputReport* report) {
    device->Poll();
    if (!still_open(slot, device)) return DIB_E_BADARG;
    DIJOYSTATE2 state = {};
    HRESULT hr = device->GetDeviceState(sizeof state, &state);
    if (!still_open(slot, device)) return DIB_E_BADARG;
    if (lost_acquisition(hr)) {
        const HRESULT acquired = device->Acquire();
        if (!still_open(slot, device)) return DIB_E_BADARG;
        if (FAILED(acquired)) {
            slot.acquired = 0;
            set_last_error("device input lost; reacquire failed", acquired);
            return DIB_E_INPUT;
        }
        slot.acquired = 1;
        hr = device->GetDeviceState(sizeof state, &state);
        if (!still_open(slot, device)) return DIB_E_BADARG;
    }
    if (FAILED(hr)) {
        set_last_error("GetDeviceState failed", hr);
        return DIB_E_INPUT;
    }
    build_input_report(state, slot.axis_map, slot.axis_flip, report);
    return DIB_OK;
}

}  // namespace

// Runs in the host's periodic loop: no lock, no allocation, the state on the stack.
extern "C" int32_t DIB_CALL dib_poll(int32_t handle, InputReport* report) {
    DeviceSlot* slot = open_device_slot(handle);
    if (slot == nullptr || report == nullptr) return DIB_E_BADARG;
    IDirectInputDevice8A* device = slot->device;

    pump_window_messages();
    if (!still_open(*slot, device)) return DIB_E_BADARG;
    // A window procedure that a DirectInput call below runs may release the
    // device, which must not be freed under DirectInput's feet. The first poll
    // of it takes the slot's reference over from such a release; a poll that
    // meets another one (nested, or on another thread) holds its own, since
    // the first may leave before it does.
    PollInProgress poll;
    const bool first = register_poll(*slot, poll);
    if (!first) device->AddRef();
    const int32_t result = read_device(*slot, device, report);
    if (!first || !unregister_poll(*slot, poll)) device->Release();
    return result;
}
