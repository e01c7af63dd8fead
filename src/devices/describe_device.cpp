#include "devices/describe_device.h"

#include <cstdio>

#include "devices/guid_text.h"
#include "devices/json_escape.h"
#include "effects/effect_types.h"

namespace gantrel {
namespace {

// The product name is at most its record's size, so the head has a bound:
// the fixed keys, the GUID, every name byte escaped and six 32-bit numbers.
constexpr size_t kNameSize = sizeof(DIDEVICEINSTANCEA::tszProductName);
constexpr size_t kHeadSize = 128 + kGuidTextLength + 2 * kNameSize + 6 * 10;

BOOL CALLBACK count_ff_axis_callback(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
    if (object->dwFlags & DIDOI_FFACTUATOR) ++*static_cast<unsigned long*>(context);
    return DIENUM_CONTINUE;
}

struct EffectNames {
    TextBuilder& out;
    bool first;
};

// Writes each known name straight into the description.
BOOL CALLBACK effect_name_callback(LPCDIEFFECTINFOA info, LPVOID context) {
    auto& names = *static_cast<EffectNames*>(context);
    if (const char* name = known_effect_name(info->guid)) {
        names.out.append(names.first ? "\"" : ",\"");
        names.out.append(name);
        names.out.append('"');
        names.first = false;
    }
    // Once memory ran out the description is lost: nothing more to gather.
    return names.out.out_of_memory() ? DIENUM_STOP : DIENUM_CONTINUE;
}

}  // namespace

bool describe_device(IDirectInputDevice8A* device, const DIDEVICEINSTANCEA& instance, const char* separator,
                     TextBuilder& out) {
    DIDEVCAPS caps = {};
    caps.dwSize = sizeof caps;
    device->GetCapabilities(&caps);  // a failure leaves the record zero: no force feedback
    if (!(caps.dwFlags & DIDC_FORCEFEEDBACK)) return false;

    unsigned long ff_axes = 0;
    device->EnumObjects(count_ff_axis_callback, &ff_axes, DIDFT_AXIS);

    char guid_text[kGuidTextLength + 1];
    format_guid(instance.guidInstance, guid_text);
    const unsigned vid = instance.guidProduct.Data1 & 0xFFFFu;
    const unsigned pid = (instance.guidProduct.Data1 >> 16) & 0xFFFFu;
    char name[2 * kNameSize + 1];
    json_escape(instance.tszProductName, kNameSize, name);
    char head[kHeadSize];
    const int length = std::snprintf(
        head, sizeof head,
        "{\"guid\":\"%s\",\"name\":\"%s\",\"vid\":%u,\"pid\":%u,\"ff_axes\":%lu,\"buttons\":%lu,"
        "\"povs\":%lu,\"sample_period_us\":%lu,",
        guid_text, name, vid, pid, ff_axes, static_cast<unsigned long>(caps.dwButtons),
        static_cast<unsigned long>(caps.dwPOVs), static_cast<unsigned long>(caps.dwFFSamplePeriod));
    out.append(separator);
    out.append(head, length > 0 ? static_cast<size_t>(length) : 0);

    out.append("\"effects\":[");
    EffectNames names{out, true};
    device->EnumEffects(effect_name_callback, &names, DIEFT_ALL);
    out.append("]}");
    return true;
}

}  // namespace gantrel
