#pragma once
// One virtual device opened twice: by the bridge, and by raw DirectInput
// with the calls dib_open makes. Wine lets two device objects acquire one
// device exclusively, so both sides drive the same device and its log
// sees both. Everything is released when the pair ends.
#include <windows.h>
#include <dinput.h>

#include <string>
#include <vector>

#include "effect_pair.h"
#include "gantrel.h"
#include "raw_directinput.h"

namespace bench {

struct EffectOnBoth {
    int32_t bridge = 0;
    IDirectInputEffect* raw = nullptr;
};

bool parse_guid_text(const std::string& text, GUID* guid);

class RealPair {
public:
    // `axes`: 1 maps the bridge's axes to {X, none}, as a wheel needs;
    // 2 keeps its default {X, Y}. `bridge_first`: which side opens first.
    RealPair(const RawDirectInput& raw, const std::string& guid, int axes, bool bridge_first = true);
    ~RealPair();
    RealPair(const RealPair&) = delete;
    RealPair& operator=(const RealPair&) = delete;

    bool open();
    int32_t device() const { return device_; }
    IDirectInputDevice8A* raw_device() const { return raw_device_; }

    // Creates the effect on both sides; false on failure.
    bool add_effect(const EffectPair& pair, EffectOnBoth* created);

private:
    const RawDirectInput& raw_;
    std::string guid_;
    int axes_;
    bool bridge_first_;
    int32_t device_ = 0;
    IDirectInputDevice8A* raw_device_ = nullptr;
    std::vector<EffectOnBoth> effects_;
};

}  // namespace bench
