// install_vwheels: makes virtual devices from device files. For each one it
// stores the file's description where the driver reads it (device_config.h),
// registers a root-enumerated device and installs the driver from
// vwheel.inf, then waits until every device's control device and HID device
// answer. Devices registered before are left alone: Wine starts them with
// its driver host, and the driver reads their description again.
//
// usage: install_vwheels <path to vwheel.inf> <device>...
//   <device> is a device file (anything with a '.', '/' or '\'), whose name
//   is its file name without extension, or a bare name, which stands for
//   devices\<name>.vhid beside vwheel.inf (wheel, stick, multi, ...).
#include <windows.h>
#include <newdev.h>
#include <setupapi.h>

#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

#include "../device_config.h"
#include "../client/device_file.h"
#include "../vwheel_protocol.h"

namespace {

struct Device {
    std::wstring name;
    vwheel::DeviceFile file;
};

std::wstring widen(const std::string &text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], n);
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

std::string narrow(const std::wstring &text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(n > 0 ? n - 1 : 0);
    return out;
}

bool load_device(const std::wstring &inf, const std::wstring &argument, Device *device)
{
    std::wstring path = argument;
    if (argument.find_first_of(L"./\\") == std::wstring::npos)
        path = inf.substr(0, inf.find_last_of(L"\\/") + 1) + L"devices\\" + argument + L".vhid";
    std::string error;
    std::string name = vwheel::device_name_of(narrow(path));
    if (name.empty()) {
        std::fprintf(stderr, "%ls: a device file's name may hold only letters, digits, '-' and '_'\n", path.c_str());
        return false;
    }
    if (!vwheel::read_device_file(narrow(path), &device->file, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    device->name = widen(name);
    return true;
}

bool store_description(const Device &device)
{
    std::wstring path = std::wstring(VWHEEL_CONFIG_KEY_W) + L"\\" + device.name;
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key,
                        nullptr))
        return false;
    std::wstring product = widen(device.file.name);
    DWORD vendor = device.file.vendor_id, id = device.file.product_id, blocks = device.file.blocks;
    auto string_size = [](const std::wstring &s) { return static_cast<DWORD>((s.size() + 1) * sizeof(wchar_t)); };
    bool ok =
        !RegSetValueExW(key, VWHEEL_VALUE_NAME_W, 0, REG_SZ, reinterpret_cast<const BYTE *>(device.name.c_str()),
                        string_size(device.name)) &&
        !RegSetValueExW(key, VWHEEL_VALUE_PRODUCT_W, 0, REG_SZ, reinterpret_cast<const BYTE *>(product.c_str()),
                        string_size(product)) &&
        !RegSetValueExW(key, VWHEEL_VALUE_VENDOR_ID_W, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&vendor),
                        sizeof(vendor)) &&
        !RegSetValueExW(key, VWHEEL_VALUE_PRODUCT_ID_W, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&id),
                        sizeof(id)) &&
        !RegSetValueExW(key, VWHEEL_VALUE_DESCRIPTOR_W, 0, REG_BINARY, device.file.descriptor.data(),
                        static_cast<DWORD>(device.file.descriptor.size())) &&
        !RegSetValueExW(key, VWHEEL_VALUE_BLOCKS_W, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&blocks),
                        sizeof(blocks));
    RegCloseKey(key);
    return ok;
}

enum class Registration { created, existed, failed };

Registration register_device(const std::wstring &name)
{
    GUID hid_class = {0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};
    HDEVINFO set = SetupDiCreateDeviceInfoList(&hid_class, nullptr);
    if (set == INVALID_HANDLE_VALUE) return Registration::failed;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    std::wstring instance = VWHEEL_INSTANCE_PREFIX_W + name;
    bool ok = SetupDiCreateDeviceInfoW(set, instance.c_str(), &hid_class, nullptr, nullptr, 0, &device);
    if (!ok && GetLastError() == ERROR_DEVINST_ALREADY_EXISTS) {
        SetupDiDestroyDeviceInfoList(set);
        return Registration::existed;
    }
    // Two ids: one of this device alone, to install it by; one the driver package matches.
    std::wstring ids = VWHEEL_HARDWARE_PREFIX_W + name + L'\0' + VWHEEL_HARDWARE_ID_W + L'\0';
    ok = ok && SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                                 reinterpret_cast<const BYTE *>(ids.c_str()),
                                                 static_cast<DWORD>((ids.size() + 1) * sizeof(wchar_t)));
    ok = ok && SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device);
    if (!ok) std::fprintf(stderr, "registering %ls failed: %lu\n", name.c_str(), GetLastError());
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

std::wstring lower(std::wstring text)
{
    for (auto &c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

// hidclass names the device's HID interface \\?\hid#gantrel_vwheel...#<instance>#{guid}. The
// instance is the device's name, or, for a device with several top-level
// collections, which Wine 10 gives one interface each, "256&<name>&0&0&0000".
bool is_interface_of(const std::wstring &path, const std::wstring &name)
{
    size_t first = path.find(L'#'), second = path.find(L'#', first + 1), third = path.find(L'#', second + 1);
    if (third == std::wstring::npos || path.find(L"gantrel_vwheel") > second) return false;
    std::wstring instance = L"&" + path.substr(second + 1, third - second - 1) + L"&";
    return instance.find(L"&" + name + L"&") != std::wstring::npos;
}

bool hid_device_present(const std::wstring &name)
{
    GUID hid_guid = {0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
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
        std::wstring path = lower(buffer.detail.DevicePath);
        found = is_interface_of(path, lower(name)) && can_open(buffer.detail.DevicePath);
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

bool wait_for_device(const std::wstring &name, DWORD timeout_ms)
{
    std::wstring control = std::wstring(VWHEEL_CONTROL_PREFIX_W) + name;
    for (DWORD waited = 0; waited <= timeout_ms; waited += 50) {
        if (can_open(control.c_str()) && hid_device_present(name)) return true;
        Sleep(50);
    }
    std::fprintf(stderr, "%ls did not appear (is its descriptor one Wine's HID parser accepts?)\n", name.c_str());
    return false;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: install_vwheels <vwheel.inf> <device file or name>...\n");
        return 2;
    }
    wchar_t inf[MAX_PATH];
    if (!GetFullPathNameW(argv[1], MAX_PATH, inf, nullptr)) return 2;
    std::vector<Device> devices(argc - 2);
    for (int i = 2; i < argc; i++)
        if (!load_device(inf, argv[i], &devices[i - 2])) return 2;

    int failures = 0;
    for (const Device &device : devices) {
        std::wstring hardware_id = VWHEEL_HARDWARE_PREFIX_W + device.name;
        BOOL reboot = FALSE;
        if (!store_description(device)) {
            std::fprintf(stderr, "storing the description of %ls failed\n", device.name.c_str());
            failures++;
            continue;
        }
        Registration registration = register_device(device.name);
        if (registration == Registration::existed) continue;
        if (registration == Registration::failed ||
            !UpdateDriverForPlugAndPlayDevicesW(nullptr, hardware_id.c_str(), inf, INSTALLFLAG_FORCE, &reboot)) {
            std::fprintf(stderr, "installing %ls failed: %lu\n", device.name.c_str(), GetLastError());
            failures++;
        }
    }
    for (const Device &device : devices)
        if (!wait_for_device(device.name, 10000)) failures++;
    return failures ? 1 : 0;
}
