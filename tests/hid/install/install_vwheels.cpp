// install_vwheels: registers the virtual devices as root-enumerated devices
// and installs their drivers from vwheel.inf, then waits until every
// variant's control device and HID device answer. Devices registered
// before are left alone: Wine starts them with its driver host.
//
// usage: install_vwheels <path to vwheel.inf> <variant>...
#include <windows.h>
#include <newdev.h>
#include <setupapi.h>

#include <cstdio>
#include <cwctype>
#include <string>

#include "../vwheel_protocol.h"

namespace {

enum class Registration { created, existed, failed };

Registration register_device(const std::wstring &variant, const std::wstring &hardware_id)
{
    GUID hid_class = {0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};
    HDEVINFO set = SetupDiCreateDeviceInfoList(&hid_class, nullptr);
    if (set == INVALID_HANDLE_VALUE) return Registration::failed;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    std::wstring instance = L"root\\gantrel_vwheel\\" + variant;
    bool ok = SetupDiCreateDeviceInfoW(set, instance.c_str(), &hid_class, nullptr, nullptr, 0, &device);
    if (!ok && GetLastError() == ERROR_DEVINST_ALREADY_EXISTS) {
        SetupDiDestroyDeviceInfoList(set);
        return Registration::existed;
    }
    std::wstring ids = hardware_id + L'\0';
    ok = ok && SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                                 reinterpret_cast<const BYTE *>(ids.c_str()),
                                                 static_cast<DWORD>((ids.size() + 1) * sizeof(wchar_t)));
    ok = ok && SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device);
    if (!ok) std::fprintf(stderr, "registering %ls failed: %lu\n", variant.c_str(), GetLastError());
    SetupDiDestroyDeviceInfoList(set);
    return ok ? Registration::created : Registration::failed;
}

bool can_open(const wchar_t *path)
{
    HANDLE h = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// hidclass names the variant's HID device ...#gantrel_vwheel#<variant>#...
bool hid_device_present(const std::wstring &variant)
{
    GUID hid_guid = {0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    std::wstring tag = L"#gantrel_vwheel#" + variant + L"#";
    HDEVINFO set = SetupDiGetClassDevsW(&hid_guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return false;
    SP_DEVICE_INTERFACE_DATA iface = {};
    iface.cbSize = sizeof(iface);
    bool found = false;
    for (DWORD i = 0; !found && SetupDiEnumDeviceInterfaces(set, nullptr, &hid_guid, i, &iface); i++) {
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_W detail;
            wchar_t raw[MAX_PATH + 8];
        } buffer;
        buffer.detail.cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &iface, &buffer.detail, sizeof(buffer), nullptr, nullptr))
            continue;
        std::wstring path = buffer.detail.DevicePath;
        for (auto &c : path) c = static_cast<wchar_t>(towlower(c));
        found = path.find(tag) != std::wstring::npos && can_open(buffer.detail.DevicePath);
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

bool wait_for_device(const std::wstring &variant, DWORD timeout_ms)
{
    std::wstring control = std::wstring(VWHEEL_CONTROL_PREFIX_W) + variant;
    for (DWORD waited = 0; waited <= timeout_ms; waited += 50) {
        if (can_open(control.c_str()) && hid_device_present(variant)) return true;
        Sleep(50);
    }
    std::fprintf(stderr, "%ls did not appear\n", variant.c_str());
    return false;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: install_vwheels <vwheel.inf> <variant>...\n");
        return 2;
    }
    wchar_t inf[MAX_PATH];
    if (!GetFullPathNameW(argv[1], MAX_PATH, inf, nullptr)) return 2;
    int failures = 0;
    for (int i = 2; i < argc; i++) {
        std::wstring variant = argv[i];
        std::wstring hardware_id = L"gantrel\\vwheel_" + variant;
        BOOL reboot = FALSE;
        Registration registration = register_device(variant, hardware_id);
        if (registration == Registration::existed) continue;
        if (registration == Registration::failed ||
            !UpdateDriverForPlugAndPlayDevicesW(nullptr, hardware_id.c_str(), inf, INSTALLFLAG_FORCE, &reboot)) {
            std::fprintf(stderr, "installing %ls failed: %lu\n", variant.c_str(), GetLastError());
            failures++;
        }
    }
    for (int i = 2; i < argc; i++)
        if (!wait_for_device(argv[i], 10000)) failures++;
    return failures ? 1 : 0;
}
