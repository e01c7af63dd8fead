// device_node.h - pulling a virtual device's cable and plugging it in again,
// from a test program of either architecture: the x64 tools (vwheel_node,
// install_vwheels) run as child processes.
#pragma once

#include <string>

#include "vwheel_client.h"

namespace vwheel {

// Removes the variant's device node (DIF_REMOVE): its driver is told the
// device is gone and a pending read fails, as on a pulled cable.
bool unplug(const Variant &variant, std::string *why);
// Installs the node again and waits until its control and HID devices answer.
bool replug(const Variant &variant, std::string *why);

} // namespace vwheel
