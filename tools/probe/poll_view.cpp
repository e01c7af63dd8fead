#include "poll_view.h"

#include "axis_names.h"

#include <cstdio>

namespace probe {

std::string report_line(double seconds, const InputReport &r, const AxisMap &map, int hats) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "%6.2f s  axis0 %-2s %5d  axis1 %-2s %5d  Z %5d  Rx %5d  Ry %5d  Rz %5d  S0 %5d  S1 %5d",
                  seconds, map.axis[0] < 0 ? "-" : axis_name(map.axis[0]), r.axis0,
                  map.axis[1] < 0 ? "-" : axis_name(map.axis[1]), r.axis1, r.z, r.rx, r.ry, r.rz, r.slider0,
                  r.slider1);
    std::string line = text;
    line += "  buttons";
    bool any = false;
    for (int b = 0; b < 64; b++) {
        if (!(r.button_mask >> b & 1)) continue;
        line += " " + std::to_string(b);
        any = true;
    }
    if (!any) line += " none";
    if (hats > 0) {
        line += "  hats";
        for (int h = 0; h < hats && h < 4; h++) line += std::string(" ") + hat_name((r.pov_codes >> (4 * h)) & 0xF);
    }
    return line;
}

}  // namespace probe
