#include "probe_fixture.h"

#include "probe.h"

#include <fstream>
#include <sstream>

namespace probetest {

ProbeRun run_exe(const std::string &arguments) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string exe = self;
    exe = exe.substr(0, exe.find_last_of('\\') + 1) + "gantrel-probe.exe";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE read_end, write_end;
    if (!CreatePipe(&read_end, &write_end, &sa, 0)) return {-1, "", "CreatePipe failed"};
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = write_end;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + exe + "\" " + arguments;
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(read_end);
        CloseHandle(write_end);
        return {-1, "", "CreateProcess failed for " + exe};
    }
    CloseHandle(write_end);
    std::string out;
    char buffer[4096];
    DWORD got;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got) out.append(buffer, got);
    CloseHandle(read_end);
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD status = 1;
    GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return {static_cast<int>(status), out, ""};
}

std::string source_file(const std::string &relative_path) { return read_file("Z:" GANTREL_SOURCE_DIR "/" + relative_path); }

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
