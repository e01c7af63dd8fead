#pragma once
// Runs gantrel-probe's commands in this process against the simulated
// DirectInput, capturing what they print.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gantrel.h"
#include "gantrel_sim.h"

namespace probetest {

struct ProbeRun {
    int status;
    std::string out, err;
};

// Runs gantrel-probe.exe beside this test with the given arguments and
// returns its exit status and standard output.
ProbeRun run_exe(const std::string &arguments);

// A file of the project's source tree (through Wine's Z: drive).
std::string source_file(const std::string &relative_path);

// A folder of its own under the temporary folder, emptied first.
std::string fresh_folder(const std::string &name);
std::string read_file(const std::string &path);
// Lines of a CSV file, each split at commas (header first).
std::vector<std::vector<std::string>> read_csv(const std::string &path);

class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    ProbeRun probe(const std::vector<std::string> &args, bool terminal = false);
};

}  // namespace probetest
