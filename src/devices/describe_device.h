#pragma once
#include <windows.h>
#include <dinput.h>

#include "frame/text_builder.h"

namespace gantrel {

// Appends `separator` and the device's JSON description object to `out`;
// appends nothing and returns false when the device lacks force feedback.
// Needs no data format, cooperative level or acquisition, and never cuts a
// product name.
bool describe_device(IDirectInputDevice8A* device, const DIDEVICEINSTANCEA& instance, const char* separator,
                     TextBuilder& out);

}  // namespace gantrel
