#include "devices/ffb_axes.h"

#include <cstring>

namespace gantrel {
namespace {

struct FfbAxisScan {
    uint32_t mask;
    int32_t sliders;
};

bool same_guid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

// -1 for an object type that has no axis code.
int32_t axis_code_of(const GUID& type, FfbAxisScan& scan) {
    static const GUID* const kAxes[6] = {&GUID_XAxis,  &GUID_YAxis,  &GUID_ZAxis,
                                         &GUID_RxAxis, &GUID_RyAxis, &GUID_RzAxis};
    for (int32_t code = 0; code < 6; ++code)
        if (same_guid(type, *kAxes[code])) return code;
    if (same_guid(type, GUID_Slider)) return scan.sliders++ == 0 ? 6 : 7;
    return -1;
}

BOOL CALLBACK collect_ffb_axis(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
    FfbAxisScan& scan = *static_cast<FfbAxisScan*>(context);
    // Every slider counts, actuator or not, so a plain first slider moves the next to code 7.
    const int32_t code = axis_code_of(object->guidType, scan);
    if (code >= 0 && (object->dwFlags & DIDOI_FFACTUATOR)) scan.mask |= 1u << code;
    return DIENUM_CONTINUE;
}

}  // namespace

uint32_t find_ffb_axes(IDirectInputDevice8A* device) {
    FfbAxisScan scan = {0, 0};
    device->EnumObjects(collect_ffb_axis, &scan, DIDFT_AXIS);
    return scan.mask;
}

}  // namespace gantrel
