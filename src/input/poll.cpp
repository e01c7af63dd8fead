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

}  // namespace

// Runs in the host's periodic loop: no lock, no allocation, the state on the stack.
extern "C" int32_t DIB_CALL dib_poll(int32_t handle, InputReport* report) {
    DeviceSlot* slot = open_device_slot(handle);
    if (slot == nullptr || report == nullptr) return DIB_E_BADARG;

    pump_window_messages();
    IDirectInputDevice8A* device = slot->device;
    device->Poll();
    DIJOYSTATE2 state = {};
    HRESULT hr = device->GetDeviceState(sizeof state, &state);
    if (lost_acquisition(hr)) {
        const HRESULT acquired = device->Acquire();
        if (FAILED(acquired)) {
            slot->acquired = 0;
            set_last_error("device input lost; reacquire failed", acquired);
            return DIB_E_INPUT;
        }
        slot->acquired = 1;
        hr = device->GetDeviceState(sizeof state, &state);
    }
    if (FAILED(hr)) {
        set_last_error("GetDeviceState failed", hr);
        return DIB_E_INPUT;
    }
    build_input_report(state, slot->axis_map, slot->axis_flip, report);
    return DIB_OK;
}
