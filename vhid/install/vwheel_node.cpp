// vwheel_node: takes a virtual device's root-enumerated node out of the
// plug-and-play tree (DIF_REMOVE), as a cable pulled: its driver is told the
// device is gone and a pending read fails. install_vwheels puts it back.
// Disabling the node (DIF_PROPERTYCHANGE, DICS_DISABLE), which would keep it
// registered as a pulled cable does, fails under Wine 8 and Wine 10 alike.
// A 64-bit program, run as a child process: SetupAPI refuses device changes
// from a 32-bit process on a 64-bit system.
//
// usage: vwheel_node remove <variant>
// Exit status 0 on success; otherwise the failing call and its error on stderr.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3 || std::wcscmp(argv[1], L"remove") != 0) {
        std::fprintf(stderr, "usage: vwheel_node remove <variant>\n");
        return 2;
    }
    const std::wstring instance = std::wstring(L"root\\gantrel_vwheel\\") + argv[2];
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) return 1;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    const bool found = SetupDiOpenDeviceInfoW(set, instance.c_str(), nullptr, 0, &device);
    const bool removed = found && SetupDiCallClassInstaller(DIF_REMOVE, set, &device);
    if (!removed)
        std::fprintf(stderr, "removing %ls: %s failed: %lu\n", instance.c_str(),
                     found ? "DIF_REMOVE" : "SetupDiOpenDeviceInfo", GetLastError());
    SetupDiDestroyDeviceInfoList(set);
    return removed ? 0 : 1;
}
