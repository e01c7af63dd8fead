#include <windows.h>
#include <dinput.h>

#include <cstdint>
#include <cstring>

#include "devices/autocenter.h"
#include "devices/describe_device.h"
#include "devices/directinput_instance.h"
#include "devices/ffb_axes.h"
#include "devices/guid_text.h"
#include "devices/hidden_window.h"
#include "devices/kept_devices.h"
#include "frame/bridge_lock.h"
#include "frame/bridge_state.h"
#include "frame/dinput_codes.h"
#include "frame/last_error.h"
#include "frame/text_builder.h"
#include "gantrel.h"

using namespace gantrel;

namespace {

constexpr int32_t kAxisMin = -4096;
constexpr int32_t kAxisMax = 4096;

BOOL CALLBACK set_axis_range(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
    DIPROPRANGE range = {};
    range.diph.dwSize = sizeof(DIPROPRANGE);
    range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    range.diph.dwObj = object->dwType;
    range.diph.dwHow = DIPH_BYID;
    range.lMin = kAxisMin;
    range.lMax = kAxisMax;
    static_cast<IDirectInputDevice8A*>(context)->SetProperty(DIPROP_RANGE, &range.diph);
    return DIENUM_CONTINUE;
}

// Empty when the device tells nothing or memory runs out: the device still
// opens, and enumeration leaves it out.
void cache_description(IDirectInputDevice8A* device, OwnedText& description) {
    DIDEVICEINSTANCEA instance = {};
    instance.dwSize = sizeof instance;
    if (FAILED(device->GetDeviceInfo(&instance))) return;
    char first_block[2048];  // any description without repeated effects fits
    TextBuilder text(first_block, sizeof first_block, SIZE_MAX);
    if (describe_device(device, instance, "", text) && text.kept()) description.assign(text.data(), text.length());
}

int first_free_device_slot() {
    for (int i = 0; i < kDeviceSlots; ++i)
        if (!device_at(i).open) return i;
    return -1;
}

// A failed open releases the device once and leaves the slot free; under
// Wine the object is kept as a released one is (`listed`: it may be on
// Wine's list). The message comes after the release, which may run the
// host's handlers, whose own failures would replace it. The code follows
// from the message: only the first Acquire's refusal names the other
// application.
int32_t fail_open(IDirectInputDevice8A* device, const GUID& instance, const char* message, HRESULT hr,
                  bool listed = false) {
    if (listed)
        strand_device(device);
    else
        keep_device(device, instance);
    device->Release();
    set_last_error(message, hr);
    return std::strstr(message, "holds this device") ? DIB_E_EXCLUSIVE : DIB_E_FAILED;
}

}  // namespace

extern "C" int32_t DIB_CALL dib_open(const char* guid_text) {
    // Held throughout, so concurrent opens and releases never share a slot.
    BridgeLockGuard lock;
    if (!lock.held()) return DIB_E_FAILED;
    if (guid_text == nullptr) {
        set_last_error("null guid");
        return DIB_E_BADARG;
    }
    if (!ensure_directinput()) return DIB_E_FAILED;
    if (!ensure_hidden_window()) return DIB_E_FAILED;
    GUID guid;
    if (!parse_guid(guid_text, &guid)) {
        set_last_error("malformed guid string");
        return DIB_E_BADARG;
    }
    const int index = first_free_device_slot();
    if (index < 0) {
        set_last_error("device table full");
        return DIB_E_FAILED;
    }

    HRESULT hr = DI_OK;
    IDirectInputDevice8A* device = take_kept_device(guid);
    if (device == nullptr) {
        hr = g_directinput->CreateDevice(guid, &device, nullptr);
        if (FAILED(hr) || device == nullptr) {
            set_last_error("CreateDevice failed (device unplugged?)", hr);
            return DIB_E_FAILED;
        }
    }
    hr = device->SetDataFormat(&c_dfDIJoystick2);
    if (FAILED(hr)) return fail_open(device, guid, "SetDataFormat failed", hr);
    hr = device->SetCooperativeLevel(g_hidden_window, DISCL_EXCLUSIVE | DISCL_BACKGROUND);
    if (FAILED(hr)) return fail_open(device, guid, "SetCooperativeLevel failed", hr);

    int32_t saved_autocenter = 1;
    int32_t state = 0;
    if (SUCCEEDED(read_autocenter(device, saved_autocenter)))
        state = saved_autocenter == DIPROPAUTOCENTER_ON ? DIB_AUTOCENTER_READ | DIB_AUTOCENTER_WAS_ON
                                                        : DIB_AUTOCENTER_READ;
    else
        saved_autocenter = DIPROPAUTOCENTER_ON;

    device->EnumObjects(set_axis_range, device, DIDFT_AXIS);
    const uint32_t ffb_axis_mask = find_ffb_axes(device);
    OwnedText description;  // freed on every way out but the slot's
    cache_description(device, description);

    hr = device->Acquire();
    if (hr == dierr::kOtherAppHasPrio)
        return fail_open(device, guid,
                         "Another application holds this device exclusively - close other FFB "
                         "software and disable in-game force feedback",
                         hr);
    if (FAILED(hr)) return fail_open(device, guid, "Acquire failed", hr);
    device->SendForceFeedbackCommand(DISFFC_RESET);
    // Some drivers take the auto-centre property only while unacquired.
    const HRESULT unacquired = device->Unacquire();
    if (SUCCEEDED(write_autocenter(device, DIPROPAUTOCENTER_OFF))) state |= DIB_AUTOCENTER_SWITCHED_OFF;
    // Under Wine, an Unacquire that returns early met a read that had just
    // failed, and may have left the object on Wine's list, where acquiring it
    // again hangs: the open fails as that Acquire would, input lost.
    const bool listed = keeps_device_objects() && unacquired != DI_OK;
    hr = listed ? dierr::kInputLost : device->Acquire();
    if (FAILED(hr)) {
        // Unacquired, so the setting can go back: a failed open leaves the
        // centring spring as it found it.
        if (state & DIB_AUTOCENTER_SWITCHED_OFF) write_autocenter(device, saved_autocenter);
        return fail_open(device, guid, "Acquire failed", hr, listed);
    }
    int32_t now = -1;
    if (SUCCEEDED(read_autocenter(device, now)) && now == DIPROPAUTOCENTER_OFF)
        state |= DIB_AUTOCENTER_CONFIRMED_OFF;

    DeviceSlot& slot = device_at(index);
    slot.device = device;
    slot.instance_guid = guid;
    slot.acquired = 1;
    swap_description(slot, description);
    slot.saved_autocenter = saved_autocenter;
    slot.autocenter_state = state;
    slot.ffb_axis_mask = ffb_axis_mask;
    slot.axis_map[0] = 0;
    slot.axis_map[1] = 1;
    slot.axis_flip[0] = 0;
    slot.axis_flip[1] = 0;
    slot.open = 1;
    return index + 1;
}
