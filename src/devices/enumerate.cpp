#include <windows.h>
#include <dinput.h>

#include <cstring>
#include <new>
#include <string>

#include "devices/describe_device.h"
#include "devices/directinput_instance.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"
#include "gantrel.h"

using namespace gantrel;

namespace {

struct EnumContext {
    std::string text = "[";
    bool first = true;
    bool out_of_memory = false;
};

std::string describe_attached(const DIDEVICEINSTANCEA& instance) {
    // An open device answers from its cached description; it is not created twice.
    if (const DeviceSlot* slot = find_open_device(instance.guidInstance))
        return copy_description(*slot);

    IDirectInputDevice8A* device = nullptr;
    if (FAILED(g_directinput->CreateDevice(instance.guidInstance, &device, nullptr)) || !device)
        return std::string();
    // Released however describing ends, running out of memory included.
    struct Temporary {
        IDirectInputDevice8A* device;
        ~Temporary() { device->Release(); }
    } temporary{device};
    return describe_device(device, instance);
}

BOOL CALLBACK enum_device_callback(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
    EnumContext& list = *static_cast<EnumContext*>(context);
    // No exception may unwind through DirectInput's frames.
    try {
        const std::string entry = describe_attached(*instance);
        if (!entry.empty()) {
            if (!list.first) list.text += ',';
            list.first = false;
            list.text += entry;
        }
    } catch (const std::bad_alloc&) {
        list.out_of_memory = true;
        return DIENUM_STOP;
    }
    return DIENUM_CONTINUE;
}

}  // namespace

extern "C" int32_t DIB_CALL dib_enumerate(char* buffer, int32_t length) {
    if (buffer == nullptr || length < 4) {
        set_last_error("bad buffer");
        return DIB_E_BADARG;
    }
    if (!ensure_directinput()) return DIB_E_FAILED;

    try {
        EnumContext list;
        const HRESULT hr = g_directinput->EnumDevices(DI8DEVCLASS_GAMECTRL, enum_device_callback,
                                                      &list, DIEDFL_ATTACHEDONLY);
        if (FAILED(hr)) {
            set_last_error("EnumDevices failed", hr);
            return DIB_E_FAILED;
        }
        if (list.out_of_memory) throw std::bad_alloc();
        list.text += ']';
        if (list.text.size() >= static_cast<size_t>(length)) {
            set_last_error("buffer too small");
            return DIB_E_BADARG;
        }
        std::memcpy(buffer, list.text.c_str(), list.text.size() + 1);
        return static_cast<int32_t>(list.text.size());
    } catch (const std::bad_alloc&) {
        // The list is held in memory while it is built; never let that escape to the host.
        set_last_error("out of memory");
        return DIB_E_FAILED;
    }
}
