// What --help prints, for the program and each command.
#pragma once
#include <string>

namespace probe {

// The program's overview, or a command's help; "" for an unknown command.
std::string help_text(const std::string &command = "");

}  // namespace probe
