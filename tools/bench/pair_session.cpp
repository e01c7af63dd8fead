#include "pair_session.h"

#include "bench_devices.h"

namespace bench {

PairSession::~PairSession() {
    for (const EffectOnBoth& e : effects_) {
        if (e.bridge > 0) dib_effect_destroy(e.bridge);
        if (e.raw) destroy_raw_effect(e.raw);
    }
    for (int i = 0; i < 8; ++i) {
        if (devices_[i] > 0) dib_release(devices_[i]);
        if (raw_devices_[i]) RawDirectInput::release(raw_devices_[i]);
    }
}

bool PairSession::open(int index) {
    devices_[index] = dib_open(guid_text(bridge_device_guid(index)).c_str());
    raw_devices_[index] = raw_.open(twin_device_guid(index));
    return devices_[index] > 0 && raw_devices_[index] != nullptr;
}

bool PairSession::add_effect(int index, const EffectPair& pair) {
    EffectOnBoth e;
    e.bridge = dib_effect_create(devices_[index], pair.bridge_type(), &pair.params);
    e.raw = create_raw_effect(raw_devices_[index], pair);
    effects_.push_back(e);
    return e.bridge > 0 && e.raw != nullptr;
}

}  // namespace bench
