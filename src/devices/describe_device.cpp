#include "devices/describe_device.h"

#include <cstdio>
#include <new>
#include <vector>

#include "devices/guid_text.h"
#include "devices/json_escape.h"
#include "effects/effect_types.h"

namespace gantrel {
namespace {

BOOL CALLBACK count_ff_axis_callback(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
    if (object->dwFlags & DIDOI_FFACTUATOR) ++*static_cast<unsigned long*>(context);
    return DIENUM_CONTINUE;
}

struct EffectNames {
    std::vector<const char*> names;
    bool out_of_memory = false;
};

BOOL CALLBACK effect_name_callback(LPCDIEFFECTINFOA info, LPVOID context) {
    auto& list = *static_cast<EffectNames*>(context);
    if (const char* name = known_effect_name(info->guid)) {
        try {
            list.names.push_back(name);
        } catch (const std::bad_alloc&) {  // never unwind through DirectInput
            list.out_of_memory = true;
            return DIENUM_STOP;
        }
    }
    return DIENUM_CONTINUE;
}

}  // namespace

std::string describe_device(IDirectInputDevice8A* device, const DIDEVICEINSTANCEA& instance) {
    DIDEVCAPS caps = {};
    caps.dwSize = sizeof caps;
    device->GetCapabilities(&caps);  // a failure leaves the record zero: no force feedback
    if (!(caps.dwFlags & DIDC_FORCEFEEDBACK)) return std::string();

    unsigned long ff_axes = 0;
    device->EnumObjects(count_ff_axis_callback, &ff_axes, DIDFT_AXIS);
    EffectNames effects;
    device->EnumEffects(effect_name_callback, &effects, DIEFT_ALL);
    if (effects.out_of_memory) throw std::bad_alloc();

    char guid_text[kGuidTextLength + 1];
    format_guid(instance.guidInstance, guid_text);
    const unsigned vid = instance.guidProduct.Data1 & 0xFFFFu;
    const unsigned pid = (instance.guidProduct.Data1 >> 16) & 0xFFFFu;
    const std::string name = json_escape(instance.tszProductName);

    // Sized from the parts, so no product name, however long, is ever cut.
    std::string text(name.size() + 256, '\0');
    const int head = std::snprintf(
        &text[0], text.size(),
        "{\"guid\":\"%s\",\"name\":\"%s\",\"vid\":%u,\"pid\":%u,\"ff_axes\":%lu,\"buttons\":%lu,"
        "\"povs\":%lu,\"sample_period_us\":%lu,",
        guid_text, name.c_str(), vid, pid, ff_axes, static_cast<unsigned long>(caps.dwButtons),
        static_cast<unsigned long>(caps.dwPOVs), static_cast<unsigned long>(caps.dwFFSamplePeriod));
    text.resize(head > 0 ? static_cast<size_t>(head) : 0);

    text += "\"effects\":[";
    for (size_t i = 0; i < effects.names.size(); ++i) {
        if (i) text += ',';
        text += '"';
        text += effects.names[i];
        text += '"';
    }
    text += "]}";
    return text;
}

}  // namespace gantrel
