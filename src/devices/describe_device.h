#pragma once
#include <windows.h>
#include <dinput.h>

#include <string>

namespace gantrel {

// The device's JSON description object, or "" when it lacks force feedback.
// Needs no data format, cooperative level or acquisition.
std::string describe_device(IDirectInputDevice8A* device, const DIDEVICEINSTANCEA& instance);

}  // namespace gantrel
