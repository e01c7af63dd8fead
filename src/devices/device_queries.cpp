#include <windows.h>
#include <dinput.h>

#include "devices/directinput_instance.h"
#include "devices/ffb_axes.h"
#include "devices/guid_text.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"
#include "gantrel.h"

using namespace gantrel;

// Both answer from what dib_open cached: plain reads, no DirectInput call.
extern "C" int32_t DIB_CALL dib_autocenter_state(int32_t handle) {
    const DeviceSlot* slot = open_device_slot(handle);
    return slot ? slot->autocenter_state : DIB_E_BADARG;
}

extern "C" int32_t DIB_CALL dib_ffb_axes(int32_t handle) {
    const DeviceSlot* slot = open_device_slot(handle);
    if (slot == nullptr) {
        set_last_error("bad device handle");
        return DIB_E_BADARG;
    }
    return static_cast<int32_t>(slot->ffb_axis_mask);
}

extern "C" int32_t DIB_CALL dib_query_ffb_axes(const char* guid_text) {
    GUID guid;
    if (guid_text == nullptr || !parse_guid(guid_text, &guid)) {
        set_last_error("bad GUID string");
        return DIB_E_BADARG;
    }
    if (!ensure_directinput()) return DIB_E_FAILED;
    if (const DeviceSlot* slot = find_open_device(guid))
        return static_cast<int32_t>(slot->ffb_axis_mask);

    IDirectInputDevice8A* device = nullptr;
    const HRESULT hr = g_directinput->CreateDevice(guid, &device, nullptr);
    if (FAILED(hr) || device == nullptr) {
        set_last_error("CreateDevice failed", hr);
        return DIB_E_INPUT;
    }
    const uint32_t mask = find_ffb_axes(device);
    device->Release();
    return static_cast<int32_t>(mask);
}
