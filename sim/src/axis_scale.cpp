#include "axis_scale.h"

#include <cmath>

namespace gsim {

static LONG centre(LONG lo, LONG hi) {
    // A range starting at 0 centres at hi/2 rounded down (0..65535 -> 32767).
    if (lo == 0) return hi >> 1;
    return static_cast<LONG>(std::lround((static_cast<double>(lo) + hi) / 2.0));
}

LONG scale_axis(LONG raw, LONG lmin, LONG lmax, LONG rmin, LONG rmax, DWORD deadzone, DWORD saturation) {
    LONG lctr = centre(lmin, lmax), rctr = centre(rmin, rmax);
    LONG v = raw - lctr;
    LONG lo, hi, out_lo, out_hi;
    if (v <= 0) {
        lo = MulDiv(lmin - lctr, saturation, 10000);
        hi = MulDiv(lmin - lctr, deadzone, 10000);
        out_lo = rmin;
        out_hi = rctr;
    } else {
        lo = MulDiv(lmax - lctr, deadzone, 10000);
        hi = MulDiv(lmax - lctr, saturation, 10000);
        out_lo = rctr;
        out_hi = rmax;
    }
    if (v <= lo) return out_lo;
    if (v >= hi) return out_hi;
    return out_lo + MulDiv(v - lo, out_hi - out_lo, hi - lo);
}

}  // namespace gsim
