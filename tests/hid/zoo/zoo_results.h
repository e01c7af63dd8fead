// zoo_results.h - what each device of the zoo showed, kept as JSON and
// written when the program ends to the file named by GANTREL_ZOO_RESULTS
// (scripts/devices-table.sh turns two such files, one per Wine, into
// docs/devices.md). Nothing in it depends on timing.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace zoo {

// The record of one device, created on first use.
nlohmann::json &record(const std::string &device);
// Writes every record with the Wine version; false if the file cannot be written.
bool write_results(const std::string &path, int wine_major);

} // namespace zoo
