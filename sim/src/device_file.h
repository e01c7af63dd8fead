// Device descriptions read from JSON (format in sim/README.md).
#pragma once
#include "gantrel_sim.h"

#include <string>
#include <vector>

namespace gsim {

// Parses a device file's text. On failure returns false and a message
// that starts with `origin` (the file name, or "device JSON").
bool parse_devices(const std::string &text, const std::string &origin, std::vector<GSIM_DEVICE_DESC> &out,
                   std::string &error);

// Reads and parses a file.
bool load_device_file(const std::string &path, std::vector<GSIM_DEVICE_DESC> &out, std::string &error);

}  // namespace gsim
