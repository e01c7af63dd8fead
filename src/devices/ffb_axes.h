#pragma once
#include <windows.h>
#include <dinput.h>

#include <cstdint>

namespace gantrel {

// Bit n set for each force-feedback actuator whose axis code is n: X..Rz are
// 0..5, the first slider enumerated 6 and every later slider 7.
uint32_t find_ffb_axes(IDirectInputDevice8A* device);

}  // namespace gantrel
