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

// How a poll ends; the message is written by the caller, once it has let the
// device go, since that too may run the host's handlers.
struct Reading {
    int32_t result;
    const char* message;
    HRESULT hr;
};

Reading read_device(DeviceSlot& slot, IDirectInputDevice8A* device, InputReport* report) {
    constexpr Reading kReleased = {DIB_E_BADARG, nullptr, 0};
    device->Poll();
    if (!still_open(slot, device)) return kReleased;
    DIJOYSTATE2 state = {};
    HRESULT hr = device->GetDeviceState(sizeof state, &state);
    if (!still_open(slot, device)) return kReleased;
    if (lost_acquisition(hr)) {
        const HRESULT acquired = device->Acquire();
        if (!still_open(slot, device)) return kReleased;
        slot.acquired = SUCCEEDED(acquired) ? 1 : 0;
        if (FAILED(acquired)) return {DIB_E_INPUT, "device input lost; reacquire failed", acquired};
        hr = device->GetDeviceState(sizeof state, &state);
        if (!still_open(slot, device)) return kReleased;
    }
    if (FAILED(hr)) return {DIB_E_INPUT, "GetDeviceState failed", hr};
    build_input_report(state, slot.axis_map, slot.axis_flip, report);
    return {DIB_OK, nullptr, 0};
}

}  // namespace

// Runs in the host's periodic loop: no lock, no allocation, the state on the stack.
extern "C" int32_t DIB_CALL dib_poll(int32_t handle, InputReport* report) {
    DeviceSlot* slot = open_device_slot(handle);
    if (slot == nullptr || report == nullptr) return DIB_E_BADARG;
    IDirectInputDevice8A* device = slot->device;

    pump_window_messages();
    if (!still_open(*slot, device)) return DIB_E_BADARG;
    // A handler's release must not free the device under DirectInput's feet:
    // the last reference may then be ours.
    device->AddRef();
    const Reading reading = read_device(*slot, device, report);
    device->Release();
    if (reading.message) set_last_error(reading.message, reading.hr);
    return reading.result;
}
