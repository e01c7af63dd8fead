#include "probe_fixture.h"

#include "probe.h"

#include <fstream>
#include <sstream>

namespace probetest {

std::string fresh_folder(const std::string &name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "gantrel-probe-tests\\" + name;
    CreateDirectoryA((std::string(temp) + "gantrel-probe-tests").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    return folder;
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::vector<std::string>> read_csv(const std::string &path) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(read_file(path));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells;
        std::istringstream fields(line);
        std::string cell;
        while (std::getline(fields, cell, ',')) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

void ProbeTest::SetUp() {
    ASSERT_GE(gsim_reset(GSIM_RESET_BUILTIN), 3);
}

void ProbeTest::TearDown() {
    gsim_fault_clear(0);
    EXPECT_EQ(gsim_live_devices(), 0) << "the probe released every device it opened";
    EXPECT_EQ(gsim_live_effects(), 0) << "and destroyed every effect";
    for (int32_t h = 1; h <= 8; ++h) dib_release(h);
}

ProbeRun ProbeTest::probe(const std::vector<std::string> &args, bool terminal) {
    std::ostringstream out, err;
    probe::Io io{out, err, terminal};
    const int status = probe::run_probe(args, io);
    return {status, out.str(), err.str()};
}

}  // namespace probetest
