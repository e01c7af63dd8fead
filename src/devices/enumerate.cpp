#include <windows.h>
#include <dinput.h>

#include <cstring>

#include "devices/describe_device.h"
#include "devices/directinput_instance.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"
#include "frame/text_builder.h"
#include "gantrel.h"

using namespace gantrel;

namespace {

// Eight typical descriptions fit, so a usual list never touches the heap.
constexpr size_t kFirstBlock = 4096;

struct EnumContext {
    TextBuilder& text;
    bool first = true;
};

// Appends the device's entry; false when it has none (no force feedback,
// no device object, an open device without a description).
bool append_entry(const DIDEVICEINSTANCEA& instance, const char* separator, TextBuilder& text) {
    // An open device answers from its cached description; it is not created twice.
    if (const DeviceSlot* slot = find_open_device(instance.guidInstance))
        return append_description(*slot, separator, text);

    IDirectInputDevice8A* device = nullptr;
    if (FAILED(g_directinput->CreateDevice(instance.guidInstance, &device, nullptr)) || !device) return false;
    const bool described = describe_device(device, instance, separator, text);
    device->Release();
    return described;
}

BOOL CALLBACK enum_device_callback(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
    EnumContext& list = *static_cast<EnumContext*>(context);
    if (append_entry(*instance, list.first ? "" : ",", list.text)) list.first = false;
    // Without memory the list is lost; describing more devices would only fail again.
    return list.text.out_of_memory() ? DIENUM_STOP : DIENUM_CONTINUE;
}

}  // namespace

extern "C" int32_t DIB_CALL dib_enumerate(char* buffer, int32_t length) {
    if (buffer == nullptr || length < 4) {
        set_last_error("bad buffer");
        return DIB_E_BADARG;
    }
    if (!ensure_directinput()) return DIB_E_FAILED;

    // Built aside, so the caller's buffer stays untouched on every failure,
    // and kept only while it can still fit: a longer list is only counted.
    char first_block[kFirstBlock];
    TextBuilder text(first_block, sizeof first_block, static_cast<size_t>(length) - 1);
    text.append('[');
    EnumContext list{text};
    const HRESULT hr =
        g_directinput->EnumDevices(DI8DEVCLASS_GAMECTRL, enum_device_callback, &list, DIEDFL_ATTACHEDONLY);
    if (FAILED(hr)) {
        set_last_error("EnumDevices failed", hr);
        return DIB_E_FAILED;
    }
    text.append(']');
    if (text.out_of_memory()) {
        set_last_error("out of memory");
        return DIB_E_FAILED;
    }
    if (!text.kept()) {
        set_last_error("buffer too small");
        return DIB_E_BADARG;
    }
    std::memcpy(buffer, text.data(), text.length());
    buffer[text.length()] = '\0';
    return static_cast<int32_t>(text.length());
}
