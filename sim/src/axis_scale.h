// How DirectInput turns a raw axis value into the program's range.
#pragma once
#include <windows.h>

namespace gsim {

// Maps raw (in lmin..lmax) onto rmin..rmax in two halves around the
// centres, with the dead zone and saturation (0..10000) applied to each
// half, as DirectInput does for a HID axis. Out-of-range raw values clamp.
LONG scale_axis(LONG raw, LONG lmin, LONG lmax, LONG rmin, LONG rmax, DWORD deadzone, DWORD saturation);

}  // namespace gsim
