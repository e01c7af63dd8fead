#pragma once
#include <windows.h>
#include <dinput.h>

#include <cstdint>

namespace gantrel {

// DIPROP_AUTOCENTER of the whole device. Reading returns the DirectInput
// result and stores the value read (the record starts at 0).
HRESULT read_autocenter(IDirectInputDevice8A* device, int32_t& value);
HRESULT write_autocenter(IDirectInputDevice8A* device, int32_t value);

}  // namespace gantrel
