#pragma once
// One effect described for both sides: the EffectParams a host hands the
// bridge, and the DIEFFECT a program talking to DirectInput itself keeps
// ready for SetParameters, with the same values in DirectInput's units.
// Two axes are X and Y with a polar direction, as the bridge's default map
// gives; one axis is X alone, as on a wheel mapped to {X, none}.
#include <windows.h>
#include <dinput.h>

#include "gantrel.h"

namespace bench {

enum class EffectShape { constant, periodic, condition };

class EffectPair {
public:
    EffectPair(EffectShape shape, bool envelope, int axes = 2);
    EffectPair(const EffectPair&) = delete;
    EffectPair& operator=(const EffectPair&) = delete;

    int32_t bridge_type() const;
    const GUID& guid() const;
    // The flags dib_effect_update sends for this effect.
    DWORD update_flags() const;
    // A new force value on both sides, as every update of a host brings one.
    void vary(int step);

    EffectParams params;
    DIEFFECT effect;

private:
    EffectShape shape_;
    DWORD axes_[2];
    LONG directions_[2];
    DICONSTANTFORCE constant_;
    DIPERIODIC periodic_;
    DICONDITION conditions_[2];
    DIENVELOPE envelope_;
};

}  // namespace bench
