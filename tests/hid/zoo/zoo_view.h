// zoo_view.h - what Wine's own DirectInput makes of one device, read with
// the raw ANSI interface the bridge uses, and the description the bridge
// must derive from it.
#pragma once

#include <windows.h>

#include <dinput.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zoo {

// A device object and where c_dfDIJoystick2 puts it.
struct MappedObject {
    DWORD offset;
    WORD usage_page;
    WORD usage;
};

struct DirectInputView {
    bool found = false;
    GUID instance = {};
    GUID product = {};
    std::string product_name;
    DWORD caps_flags = 0, buttons = 0, povs = 0, sample_period = 0;
    unsigned ff_axes = 0;
    std::vector<std::string> ff_axis_names;     // e.g. "X", "Y"
    std::vector<std::string> effects;           // the bridge's names, in enumeration order
    std::vector<std::string> other_effects;     // what else Wine lists (ramp, custom)
    std::vector<MappedObject> axes, buttons_mapped, povs_mapped;

    bool force_feedback() const { return (caps_flags & DIDC_FORCEFEEDBACK) != 0; }
};

// The device with this product id among Wine's game controllers.
DirectInputView look_up(IDirectInput8A *dinput, uint16_t vendor_id, uint16_t product_id);

// The description dib_enumerate must give for it, built from the view as the
// bridge's documentation derives it.
std::string expected_description(const DirectInputView &view);

std::string guid_text(const GUID &guid);

} // namespace zoo
