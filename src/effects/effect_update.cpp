#include <windows.h>
#include <dinput.h>

#include "effects/effect_outcome.h"
#include "effects/effect_translation.h"
#include "frame/bridge_lock.h"
#include "frame/dinput_codes.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"
#include "gantrel.h"

using namespace gantrel;

// Runs in the host's periodic loop: the description lives on the stack.
extern "C" int32_t DIB_CALL dib_effect_update(int32_t handle, const EffectParams* params) {
    BridgeLockGuard lock;
    if (!lock.held()) return DIB_E_FAILED;
    EffectSlot* entry = used_effect_slot(handle);
    if (entry == nullptr || params == nullptr) {
        set_last_error("bad effect handle");
        return DIB_E_BADARG;
    }
    DIEFFECT description;
    EffectScratch scratch = {};
    translate_effect(*entry, *params, description, scratch);

    const DWORD flags = update_flags(entry->type, params->use_envelope != 0);
    HRESULT hr = entry->effect->SetParameters(&description, flags);
    // The device can't change this effect while it plays: let it restart once.
    if (hr == dierr::kEffectPlaying)
        hr = entry->effect->SetParameters(&description, flags & ~DIEP_NORESTART);
    if (FAILED(hr)) {
        set_last_error("SetParameters failed", hr);
        return DIB_E_FAILED;
    }
    return DIB_OK;
}
