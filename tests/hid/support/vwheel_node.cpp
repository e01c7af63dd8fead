// vwheel_node: takes a virtual device's root-enumerated node out of the
// plug-and-play tree or puts it back, as a cable pulled and plugged in.
// A 64-bit program, run as a child process: SetupAPI refuses device changes
// from a 32-bit process on a 64-bit system.
//
// usage: vwheel_node remove <variant>    DIF_REMOVE: the node and its driver go
//        vwheel_node disable <variant>   DIF_PROPERTYCHANGE, DICS_DISABLE: the node stays, stopped
//        vwheel_node enable <variant>    DICS_ENABLE: a disabled node starts again
// Exit status 0 on success; otherwise the failing call and its error on stderr.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

bool change_state(HDEVINFO set, SP_DEVINFO_DATA *device, DWORD state)
{
    SP_PROPCHANGE_PARAMS params = {};
    params.ClassInstallHeader.cbSize = sizeof(params.ClassInstallHeader);
    params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    params.StateChange = state;
    params.Scope = DICS_FLAG_GLOBAL;
    return SetupDiSetClassInstallParamsW(set, device, &params.ClassInstallHeader, sizeof(params)) &&
           SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, set, device);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: vwheel_node remove|disable|enable <variant>\n");
        return 2;
    }
    const std::wstring action = argv[1];
    const std::wstring instance = std::wstring(L"root\\gantrel_vwheel\\") + argv[2];
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) return 1;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    bool ok = SetupDiOpenDeviceInfoW(set, instance.c_str(), nullptr, 0, &device);
    const char *step = "SetupDiOpenDeviceInfo";
    if (ok && action == L"remove") {
        step = "DIF_REMOVE";
        ok = SetupDiCallClassInstaller(DIF_REMOVE, set, &device);
    } else if (ok && (action == L"disable" || action == L"enable")) {
        step = "DIF_PROPERTYCHANGE";
        ok = change_state(set, &device, action == L"disable" ? DICS_DISABLE : DICS_ENABLE);
    } else if (ok) {
        std::fprintf(stderr, "unknown action %ls\n", action.c_str());
        ok = false;
    }
    if (!ok) std::fprintf(stderr, "%ls %ls: %s failed: %lu\n", action.c_str(), instance.c_str(), step, GetLastError());
    SetupDiDestroyDeviceInfoList(set);
    return ok ? 0 : 1;
}
