#pragma once
// Devices and effects held on both sides at once: the bridge's on a device,
// the raw side's on its twin. Everything is released when the session ends.
#include <windows.h>
#include <dinput.h>

#include <vector>

#include "effect_pair.h"
#include "gantrel.h"
#include "raw_directinput.h"

namespace bench {

struct EffectOnBoth {
    int32_t bridge = 0;
    IDirectInputEffect* raw = nullptr;
};

class PairSession {
public:
    explicit PairSession(const RawDirectInput& raw) : raw_(raw) {}
    ~PairSession();
    PairSession(const PairSession&) = delete;
    PairSession& operator=(const PairSession&) = delete;

    // The bridge opens bench device `index`, the raw side its twin.
    bool open(int index);
    int32_t device(int index) const { return devices_[index]; }
    IDirectInputDevice8A* raw_device(int index) const { return raw_devices_[index]; }

    // Creates the effect on both sides of device `index`; false on failure.
    bool add_effect(int index, const EffectPair& pair);
    const EffectOnBoth& effect(size_t i) const { return effects_[i]; }
    size_t effect_count() const { return effects_.size(); }

private:
    const RawDirectInput& raw_;
    int32_t devices_[8] = {};
    IDirectInputDevice8A* raw_devices_[8] = {};
    std::vector<EffectOnBoth> effects_;
};

}  // namespace bench
