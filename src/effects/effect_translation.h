#pragma once
#include <windows.h>
#include <dinput.h>

#include <cstdint>

#include "frame/bridge_state.h"
#include "gantrel.h"

namespace gantrel {

// Storage the translated DIEFFECT points into; zero-filled by the caller and
// kept alive until the DirectInput call that receives the DIEFFECT returns.
struct EffectScratch {
    DWORD axes[2];
    LONG directions[2];
    DICONDITION conditions[2];
    DIPERIODIC periodic;
    DICONSTANTFORCE constant;
    DIENVELOPE envelope;
};

// Bridge units (full scale 4096) to DirectInput's (10000), truncating toward
// zero and saturating at the ends of the target type.
int32_t scale_signed(int32_t v);
uint32_t scale_unsigned(int32_t v);

// DIJOFS_ offset of an axis code in DIJOYSTATE2; 0 (X) for any other code.
uint32_t axis_code_offset(int32_t axis_code);

// Fills every field of `effect` from the host's record, the slot's type and
// condition axes, and the owning device's current axis map and flips.
void translate_effect(const EffectSlot& slot, const EffectParams& params, DIEFFECT& effect,
                      EffectScratch& scratch);

// The same with an explicit axis map and flips instead of the device slot's.
void translate_effect_with_map(const EffectSlot& slot, const int32_t axis_map[2],
                               const uint8_t axis_flip[2], const EffectParams& params,
                               DIEFFECT& effect, EffectScratch& scratch);

}  // namespace gantrel
