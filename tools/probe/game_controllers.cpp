#include "game_controllers.h"

#include "probe_errors.h"

#include <windows.h>
#include <dinput.h>

#include <cstdio>

namespace probe {

namespace {

// The HID usage page of force feedback (Physical Interface Device).
const WORD kPidUsagePage = 0x0F;

// The effect types the library plays, under the names its list uses.
const struct {
    const GUID *guid;
    const char *name;
} kKnownEffects[] = {{&GUID_ConstantForce, "constant"}, {&GUID_Square, "square"},
                     {&GUID_Sine, "sine"},              {&GUID_Triangle, "triangle"},
                     {&GUID_SawtoothUp, "sawtoothup"},  {&GUID_SawtoothDown, "sawtoothdown"},
                     {&GUID_Spring, "spring"},          {&GUID_Damper, "damper"},
                     {&GUID_Inertia, "inertia"},        {&GUID_Friction, "friction"}};

// The library's spelling: braces and upper-case digits.
std::string guid_text(const GUID &g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

BOOL CALLBACK add_instance(LPCDIDEVICEINSTANCEA instance, LPVOID list) {
    static_cast<std::vector<DIDEVICEINSTANCEA> *>(list)->push_back(*instance);
    return DIENUM_CONTINUE;
}

BOOL CALLBACK count_object(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID controller) {
    GameController &c = *static_cast<GameController *>(controller);
    if ((object->dwType & DIDFT_AXIS) && (object->dwFlags & DIDOI_FFACTUATOR)) c.entry.ff_axes++;
    if (object->wUsagePage == kPidUsagePage) c.pid_controls++;
    return DIENUM_CONTINUE;
}

BOOL CALLBACK add_effect(LPCDIEFFECTINFOA info, LPVOID effects) {
    for (const auto &known : kKnownEffects)
        if (IsEqualGUID(info->guid, *known.guid)) {
            static_cast<std::vector<std::string> *>(effects)->push_back(known.name);
            break;
        }
    return DIENUM_CONTINUE;
}

// What the library would read from the device, and what DirectInput says
// of its force feedback. The device object is only looked at: no data
// format, cooperative level or acquisition.
GameController describe(IDirectInput8A *di, const DIDEVICEINSTANCEA &instance) {
    GameController c;
    c.entry.guid = guid_text(instance.guidInstance);
    c.entry.name = instance.tszProductName;
    c.entry.vid = instance.guidProduct.Data1 & 0xFFFF;
    c.entry.pid = instance.guidProduct.Data1 >> 16;
    IDirectInputDevice8A *device = nullptr;
    if (FAILED(di->CreateDevice(instance.guidInstance, &device, nullptr)) || !device) return c;
    DIDEVCAPS caps = {};
    caps.dwSize = sizeof caps;
    if (SUCCEEDED(device->GetCapabilities(&caps))) {
        c.force_feedback = (caps.dwFlags & DIDC_FORCEFEEDBACK) != 0;
        c.entry.buttons = static_cast<int>(caps.dwButtons);
        c.entry.povs = static_cast<int>(caps.dwPOVs);
        c.entry.sample_period_us = caps.dwFFSamplePeriod;
    }
    device->EnumObjects(count_object, &c, DIDFT_ALL);
    device->EnumEffects(add_effect, &c.entry.effects, DIEFT_ALL);
    device->Release();
    return c;
}

}  // namespace

std::vector<GameController> game_controllers() {
    // The library made its own instance already; without one here the
    // probe knows only the library's list, as it did before asking.
    IDirectInput8A *di = nullptr;
    if (FAILED(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<void **>(&di), nullptr)) ||
        !di)
        return {};
    std::vector<DIDEVICEINSTANCEA> instances;
    di->EnumDevices(DI8DEVCLASS_GAMECTRL, add_instance, &instances, DIEDFL_ATTACHEDONLY);
    std::vector<GameController> out;
    for (const DIDEVICEINSTANCEA &instance : instances) out.push_back(describe(di, instance));
    di->Release();
    return out;
}

std::vector<GameController> unlisted_controllers(const std::vector<DeviceEntry> &listed) {
    std::vector<GameController> out;
    for (const GameController &c : game_controllers()) {
        bool in_list = false;
        for (const DeviceEntry &d : listed) in_list = in_list || d.guid == c.entry.guid;
        if (!in_list) out.push_back(c);
    }
    return out;
}

DeviceChoice choose_any_device(const std::string &wanted, const std::vector<DeviceEntry> &devices,
                               std::vector<GameController> &unlisted) {
    // Looking further costs a device object per controller: only for a
    // device the list does not have.
    try {
        const DeviceChoice choice = choose_device(wanted, devices);
        if (choice.entry) return choice;
    } catch (const ProbeError &e) {
        if (e.status != kExitNoDevice) throw;
    }
    unlisted = unlisted_controllers(devices);
    return choose_device(wanted, devices, unlisted);
}

}  // namespace probe
