#include "real_pair.h"

#include <cstdio>

namespace bench {

bool parse_guid_text(const std::string& text, GUID* guid) {
    unsigned long d1;
    unsigned d2, d3, b[8];
    if (std::sscanf(text.c_str(), "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1], &b[2],
                    &b[3], &b[4], &b[5], &b[6], &b[7]) != 11)
        return false;
    guid->Data1 = d1;
    guid->Data2 = static_cast<WORD>(d2);
    guid->Data3 = static_cast<WORD>(d3);
    for (int i = 0; i < 8; ++i) guid->Data4[i] = static_cast<BYTE>(b[i]);
    return true;
}

RealPair::RealPair(const RawDirectInput& raw, const std::string& guid, int axes, bool bridge_first)
    : raw_(raw), guid_(guid), axes_(axes), bridge_first_(bridge_first) {}

RealPair::~RealPair() {
    for (const EffectOnBoth& e : effects_) {
        if (e.bridge > 0) dib_effect_destroy(e.bridge);
        if (e.raw) destroy_raw_effect(e.raw);
    }
    if (device_ > 0) dib_release(device_);
    if (raw_device_) RawDirectInput::release(raw_device_);
}

bool RealPair::open() {
    GUID guid;
    if (!parse_guid_text(guid_, &guid)) return false;
    if (!bridge_first_) raw_device_ = raw_.open(guid);
    device_ = dib_open(guid_.c_str());
    if (device_ > 0 && axes_ == 1 && dib_set_axis_map(device_, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0) != DIB_OK) return false;
    if (bridge_first_) raw_device_ = raw_.open(guid);
    return device_ > 0 && raw_device_ != nullptr;
}

bool RealPair::add_effect(const EffectPair& pair, EffectOnBoth* created) {
    EffectOnBoth e;
    e.bridge = dib_effect_create(device_, pair.bridge_type(), &pair.params);
    e.raw = create_raw_effect(raw_device_, pair);
    effects_.push_back(e);
    *created = e;
    return e.bridge > 0 && e.raw != nullptr;
}

}  // namespace bench
