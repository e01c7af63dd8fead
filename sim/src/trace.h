// A readable line per completed call, written to a file or stderr, so a
// developer can watch what a program sends without writing a test.
#pragma once
#include "gantrel_sim.h"

#include <string>

namespace gsim {

// Starts tracing to path ("-" for stderr), or stops with nullptr.
// False if the file cannot be opened.
bool trace_to(const char *path);
bool tracing();
void trace_call(const GSIM_CALL &call);
// One line of other news (strict mode's reports); true when it went to stderr.
void trace_text(const std::string &line);
bool trace_is_stderr();

}  // namespace gsim
