#include "device_node.h"

#include <windows.h>

namespace vwheel {

namespace {

// Where the x64 tree keeps the drivers and their tools, as Wine's Z: drive names it.
std::wstring tool_folder()
{
    std::wstring folder = L"Z:";
    for (const char *c = VWHEEL_BIN_DIR; *c; c++) folder += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return folder;
}

bool run_tool(const std::wstring &arguments, std::string *why)
{
    const std::wstring folder = tool_folder();
    std::wstring command = L"\"" + folder + L"\\" + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        *why = "cannot start the tool: error " + std::to_string(GetLastError());
        return false;
    }
    DWORD code = 1;
    const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!ended) *why = "the tool did not end within 30 s";
    else if (code != 0) *why = "the tool failed with exit status " + std::to_string(code);
    return ended && code == 0;
}

} // namespace

bool unplug(const Variant &variant, std::string *why)
{
    return run_tool(std::wstring(L"vwheel_node.exe\" remove ") + variant.name, why);
}

bool replug(const Variant &variant, std::string *why)
{
    return run_tool(std::wstring(L"install_vwheels.exe\" vwheel.inf ") + variant.name, why);
}

} // namespace vwheel
