// gantrel-probe's entry point, callable in-process (the tests do so).
#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace probe {

struct Io {
    std::ostream &out;
    std::ostream &err;
    bool terminal = false;  // out is a console: redraw live output in place
};

// Runs one command line (without the program name) and returns the exit
// status; messages go to io, failures to io.err.
int run_probe(const std::vector<std::string> &args, Io &io);

}  // namespace probe
