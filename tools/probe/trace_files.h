// A force trace written as CSV and as an SVG picture.
#pragma once
#include "simulator.h"

#include <string>
#include <vector>

namespace probe {

// time_ms,active,<axis>_push,<axis>_position,... one row per sample.
std::string trace_csv(const ForceTrace &trace);

// A line chart: push per axis (solid for the first, a dash pattern of its
// own for each later one, so equal curves stay visible) and, when asked,
// position per axis (thin, dotted) over simulated time, with labelled axes,
// units, a legend and the sign of a push on every axis shown. The title is
// one line; the detail is wrapped below it.
std::string trace_svg(const ForceTrace &trace, const std::string &title, const std::string &detail,
                      bool with_position);

// Makes the folder if it is missing, but not its parents; throws a
// ProbeError with kExitFiles when it cannot.
void prepare_folder(const std::string &folder);

// stem itself when the folder holds neither <stem>.csv nor <stem>.svg, else
// the first free <stem>-2, <stem>-3, ...: a new trace never replaces one
// written earlier.
std::string unused_stem(const std::string &folder, const std::string &stem);

// Writes <folder>/<stem>.csv and .svg (preparing the folder) and returns
// their paths; throws a ProbeError with kExitFiles when it cannot.
std::vector<std::string> write_trace_files(const ForceTrace &trace, const std::string &folder,
                                           const std::string &stem, const std::string &title,
                                           const std::string &detail, bool with_position);

// The folder's full path, for telling the user where to look.
std::string full_path(const std::string &path);

}  // namespace probe
