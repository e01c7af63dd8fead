// Why a device gets no force, as far as the library and DirectInput tell:
// one line of check's report, pointing at the devices page. The probe
// cannot read a HID descriptor through DirectInput, so each line says only
// what DirectInput reported.
#pragma once
#include "device_list.h"

#include <cstdint>
#include <string>

namespace probe {

struct NoForceReason {
    std::string id;    // "" when nothing is known to stand in the way
    std::string text;  // one sentence
};

// `ffb_mask` is dib_ffb_axes of the opened device.
NoForceReason no_force_reason(const DeviceChoice &choice, int32_t ffb_mask);

}  // namespace probe
