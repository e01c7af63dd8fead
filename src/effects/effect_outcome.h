#pragma once
#include <windows.h>

#include <cstdint>

namespace gantrel {

// What a DirectInput effect call's failure means for the host.
struct EffectOutcome {
    int32_t result;       // DIB_ result code, DIB_OK on success
    const char* message;  // written with the HRESULT; null on success
};

// Codes DirectInput returns when the device belongs to someone else now.
bool is_exclusive_loss(HRESULT hr);

EffectOutcome create_outcome(HRESULT hr, bool got_interface);
EffectOutcome start_outcome(HRESULT hr);

// The flags dib_effect_update sends: direction only where the effect has one,
// the envelope only when the host sends one, never axes or trigger.
uint32_t update_flags(int32_t type, bool with_envelope);

}  // namespace gantrel
