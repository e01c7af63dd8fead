#include "zoo_view.h"

#include <cstdio>

namespace zoo {

namespace {

BOOL CALLBACK collect_instance(const DIDEVICEINSTANCEA *instance, void *context)
{
    static_cast<std::vector<DIDEVICEINSTANCEA> *>(context)->push_back(*instance);
    return DIENUM_CONTINUE;
}

// EnumDevices opens every HID device Wine knows, seconds with the whole zoo
// installed: the attached controllers are read once for all devices.
const std::vector<DIDEVICEINSTANCEA> &attached(IDirectInput8A *dinput)
{
    static const std::vector<DIDEVICEINSTANCEA> all = [dinput] {
        std::vector<DIDEVICEINSTANCEA> found;
        dinput->EnumDevices(DI8DEVCLASS_GAMECTRL, collect_instance, &found, DIEDFL_ATTACHEDONLY);
        return found;
    }();
    return all;
}

const struct {
    DWORD data1;
    const char *name;
} kKnownEffects[] = {
    {0x13541C20, "constant"},   {0x13541C22, "square"}, {0x13541C23, "sine"},   {0x13541C24, "triangle"},
    {0x13541C25, "sawtoothup"}, {0x13541C26, "sawtoothdown"}, {0x13541C27, "spring"}, {0x13541C28, "damper"},
    {0x13541C29, "inertia"},    {0x13541C2A, "friction"},
};

BOOL CALLBACK collect_effect(const DIEFFECTINFOA *info, void *context)
{
    auto *view = static_cast<DirectInputView *>(context);
    for (const auto &known : kKnownEffects)
        if (info->guid.Data1 == known.data1) {
            view->effects.push_back(known.name);
            return DIENUM_CONTINUE;
        }
    view->other_effects.push_back(info->guid.Data1 == 0x13541C21 ? "ramp" : info->guid.Data1 == 0x13541C2B ? "custom"
                                                                                                          : "other");
    return DIENUM_CONTINUE;
}

BOOL CALLBACK collect_actuator(const DIDEVICEOBJECTINSTANCEA *object, void *context)
{
    auto *view = static_cast<DirectInputView *>(context);
    if (object->dwFlags & DIDOI_FFACTUATOR) {
        view->ff_axes++;
        view->ff_axis_names.push_back(object->tszName);
    }
    return DIENUM_CONTINUE;
}

void collect_mapped(IDirectInputDevice8A *device, DWORD first, DWORD count, DWORD step,
                    std::vector<MappedObject> *objects)
{
    for (DWORD i = 0; i < count; i++) {
        DIDEVICEOBJECTINSTANCEA object = {};
        object.dwSize = sizeof(object);
        if (device->GetObjectInfo(&object, first + i * step, DIPH_BYOFFSET) == DI_OK)
            objects->push_back({first + i * step, object.wUsagePage, object.wUsage});
    }
}

std::string escaped(const std::string &text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c >= 0x20) out += static_cast<char>(c);
    }
    return out;
}

} // namespace

std::string guid_text(const GUID &g)
{
    char text[40];
    std::snprintf(text, sizeof(text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

DirectInputView look_up(IDirectInput8A *dinput, uint16_t vendor_id, uint16_t product_id)
{
    DirectInputView view;
    const DWORD product = MAKELONG(vendor_id, product_id);
    const DIDEVICEINSTANCEA *instance = nullptr;
    for (const DIDEVICEINSTANCEA &each : attached(dinput))
        if (each.guidProduct.Data1 == product) instance = &each;
    IDirectInputDevice8A *device = nullptr;
    if (!instance || dinput->CreateDevice(instance->guidInstance, &device, nullptr) != DI_OK) return view;
    view.found = true;
    view.instance = instance->guidInstance;
    view.product = instance->guidProduct;
    view.product_name = instance->tszProductName;
    DIDEVCAPS caps = {};
    caps.dwSize = sizeof(caps);
    device->GetCapabilities(&caps);
    view.caps_flags = caps.dwFlags;
    view.buttons = caps.dwButtons;
    view.povs = caps.dwPOVs;
    view.sample_period = caps.dwFFSamplePeriod;
    device->EnumObjects(collect_actuator, &view, DIDFT_AXIS);
    device->EnumEffects(collect_effect, &view, DIEFT_ALL);
    if (device->SetDataFormat(&c_dfDIJoystick2) == DI_OK) {
        collect_mapped(device, DIJOFS_X, 8, 4, &view.axes);
        collect_mapped(device, DIJOFS_POV(0), 4, 4, &view.povs_mapped);
        collect_mapped(device, DIJOFS_BUTTON(0), 64, 1, &view.buttons_mapped);
    }
    device->Release();
    return view;
}

std::string expected_description(const DirectInputView &view)
{
    char head[512];
    std::snprintf(head, sizeof(head),
                  "{\"guid\":\"%s\",\"name\":\"%s\",\"vid\":%u,\"pid\":%u,\"ff_axes\":%u,\"buttons\":%lu,"
                  "\"povs\":%lu,\"sample_period_us\":%lu,\"effects\":[",
                  guid_text(view.instance).c_str(), escaped(view.product_name).c_str(),
                  static_cast<unsigned>(view.product.Data1 & 0xffff), static_cast<unsigned>(view.product.Data1 >> 16),
                  view.ff_axes, view.buttons, view.povs, view.sample_period);
    std::string text = head;
    for (size_t i = 0; i < view.effects.size(); i++) text += (i ? ",\"" : "\"") + view.effects[i] + "\"";
    return text + "]}";
}

} // namespace zoo
