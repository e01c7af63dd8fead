// One input report as a line of text.
#pragma once
#include "device_session.h"
#include "gantrel.h"

#include <string>

namespace probe {

// "0.50 s  axis0 X +1234  axis1 Y     0  Z 0 ... buttons 2 5  hats E", with
// the device's hat count (the report always carries four).
std::string report_line(double seconds, const InputReport &report, const AxisMap &map, int hats);

}  // namespace probe
