#pragma once
#include <string>

namespace gantrel {

// Puts a backslash before '"' and '\\' and drops control bytes 0x01..0x1F;
// every other byte, 0x80 and up included, passes unchanged.
std::string json_escape(const char* text);

}  // namespace gantrel
