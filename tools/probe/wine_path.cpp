#include "wine_path.h"

#include "simulator.h"

#include <dinput.h>

#include <vector>

namespace probe {

namespace {

const USAGE kGeneric = 0x01, kSimulation = 0x02, kHaptics = 0x0E, kPid = 0x0F;
const USAGE kJoystick = 0x04, kGamePad = 0x05, kHatSwitch = 0x39;

std::vector<HIDP_VALUE_CAPS> value_caps(HIDP_REPORT_TYPE type, USHORT count, PHIDP_PREPARSED_DATA preparsed) {
    std::vector<HIDP_VALUE_CAPS> caps(count);
    if (count && HidP_GetValueCaps(type, caps.data(), &count, preparsed) != HIDP_STATUS_SUCCESS) count = 0;
    caps.resize(count);
    return caps;
}

USAGE usage_of(const HIDP_VALUE_CAPS &c) { return c.IsRange ? c.Range.UsageMin : c.NotRange.Usage; }

}  // namespace

WinePath wine_path_of(PHIDP_PREPARSED_DATA preparsed) {
    HIDP_CAPS caps = {};
    if (HidP_GetCaps(preparsed, &caps) != HIDP_STATUS_SUCCESS) return {};
    bool wine_built = true, sdl_ranges = true, sdl_pad_ranges = true, haptics = false;
    int axes = 0;
    for (const HIDP_VALUE_CAPS &c : value_caps(HidP_Input, caps.NumberInputValueCaps, preparsed)) {
        if (c.UsagePage == kGeneric && usage_of(c) == kHatSwitch) continue;
        if (c.UsagePage != kGeneric && c.UsagePage != kSimulation) continue;
        axes++;
        wine_built = wine_built && c.BitSize == 32 && (c.ReportCount == 1 || !c.IsAbsolute);
        sdl_ranges = sdl_ranges && c.LogicalMin == -32768 && c.LogicalMax == 32767;
        sdl_pad_ranges = sdl_pad_ranges && (c.LogicalMin == -32768 || c.LogicalMin == 0) && c.LogicalMax == 32767;
    }
    // Wine's PID reports leave the effect memory to it: no feature report.
    for (const HIDP_VALUE_CAPS &c : value_caps(HidP_Feature, caps.NumberFeatureValueCaps, preparsed))
        wine_built = wine_built && c.UsagePage != kPid;
    ULONG nodes_count = caps.NumberLinkCollectionNodes;
    std::vector<HIDP_LINK_COLLECTION_NODE> nodes(nodes_count);
    if (nodes_count && HidP_GetLinkCollectionNodes(nodes.data(), &nodes_count, preparsed) == HIDP_STATUS_SUCCESS)
        for (ULONG i = 0; i < nodes_count; i++) haptics = haptics || nodes[i].LinkUsagePage == kHaptics;
    if (!axes || !wine_built)
        return {"hidraw", "the device's own descriptor, not one Wine builds (its axes are not all 32-bit fields of "
                          "their own, or its force feedback keeps effect memory)"};
    if (caps.UsagePage == kGeneric && caps.Usage == kJoystick && sdl_ranges)
        return {"SDL", "a joystick Wine built, every axis -32768 to 32767 as SDL reports it" +
                           std::string(haptics ? ", with the rumble reports Wine gives every SDL joystick" : "")};
    if (caps.UsagePage == kGeneric && caps.Usage == kGamePad && sdl_pad_ranges && haptics)
        return {"SDL", "a game pad Wine built from SDL's game-controller mapping, its axes in SDL's ranges"};
    if (caps.UsagePage == kGeneric && caps.Usage == kGamePad)
        return {"udev input", "a game pad Wine built from evdev, its axes in the kernel's own ranges"};
    return {"", ""};
}

WinePath wine_path_of_device(const std::string &guid) {
    // Wine's ntdll has wine_get_version, Windows' has not; the simulated
    // DirectInput has no device paths.
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") || Simulator::find()) return {};
    std::wstring wide(guid.begin(), guid.end());
    GUID instance;
    if (FAILED(IIDFromString(wide.c_str(), &instance))) return {};
    IDirectInput8A *di = nullptr;
    if (FAILED(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<void **>(&di), nullptr)))
        return {};
    WinePath path;
    IDirectInputDevice8A *device = nullptr;
    DIPROPGUIDANDPATH where = {};
    where.diph.dwSize = sizeof where;
    where.diph.dwHeaderSize = sizeof where.diph;
    where.diph.dwHow = DIPH_DEVICE;
    if (SUCCEEDED(di->CreateDevice(instance, &device, nullptr)) && device &&
        SUCCEEDED(device->GetProperty(DIPROP_GUIDANDPATH, &where.diph))) {
        // Neither read nor write access: the preparsed data needs none, and
        // an exclusive holder of the device does not stand in the way.
        HANDLE file = CreateFileW(where.wszPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        PHIDP_PREPARSED_DATA preparsed = nullptr;
        if (file != INVALID_HANDLE_VALUE && HidD_GetPreparsedData(file, &preparsed)) {
            path = wine_path_of(preparsed);
            HidD_FreePreparsedData(preparsed);
        }
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    if (device) device->Release();
    di->Release();
    return path;
}

}  // namespace probe
