#include <windows.h>
#include <dinput.h>

#include "effects/effect_outcome.h"
#include "frame/bridge_lock.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"
#include "gantrel.h"

using namespace gantrel;

extern "C" int32_t DIB_CALL dib_effect_start(int32_t handle, int32_t count) {
    BridgeLockGuard lock;
    if (!lock.held()) return DIB_E_FAILED;
    EffectSlot* entry = used_effect_slot(handle);
    if (entry == nullptr) {
        set_last_error("bad effect handle");
        return DIB_E_BADARG;
    }
    if (entry->effect == nullptr) {
        set_last_error("stale effect handle");
        return DIB_E_BADARG;
    }
    // 0, negative counts and INFINITE's bit pattern all play the effect once.
    const HRESULT hr = entry->effect->Start(count >= 1 ? static_cast<DWORD>(count) : 1u, 0);
    const EffectOutcome outcome = start_outcome(hr);
    if (outcome.result != DIB_OK) set_last_error(outcome.message, hr);
    return outcome.result;
}

extern "C" int32_t DIB_CALL dib_effect_stop(int32_t handle) {
    BridgeLockGuard lock;
    if (!lock.held()) return DIB_E_FAILED;
    EffectSlot* entry = used_effect_slot(handle);
    if (entry == nullptr) return DIB_E_BADARG;
    if (entry->effect) entry->effect->Stop();
    return DIB_OK;
}

extern "C" int32_t DIB_CALL dib_effect_destroy(int32_t handle) {
    BridgeLockGuard lock;
    if (!lock.held()) return DIB_E_FAILED;
    EffectSlot* entry = used_effect_slot(handle);
    if (entry == nullptr) return DIB_E_BADARG;
    if (IDirectInputEffect* effect = entry->effect) {
        effect->Stop();
        effect->Unload();
        effect->Release();
    }
    clear_effect_slot(handle - 1);
    return DIB_OK;
}
