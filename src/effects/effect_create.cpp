#include <windows.h>
#include <dinput.h>

#include "effects/effect_outcome.h"
#include "effects/effect_translation.h"
#include "effects/effect_types.h"
#include "frame/bridge_lock.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"
#include "gantrel.h"

using namespace gantrel;

namespace {

int first_free_effect_slot() {
    for (int i = 0; i < kEffectSlots; ++i)
        if (!effect_at(i).in_use) return i;
    return -1;
}

}  // namespace

extern "C" int32_t DIB_CALL dib_effect_create(int32_t handle, int32_t type,
                                              const EffectParams* params) {
    BridgeLockGuard lock;
    if (!lock.held()) return DIB_E_FAILED;
    DeviceSlot* device = open_device_slot(handle);
    if (device == nullptr || params == nullptr) {
        set_last_error("bad device handle");
        return DIB_E_BADARG;
    }
    const GUID* effect_guid = effect_guid_for_type(type);
    if (effect_guid == nullptr) {
        set_last_error("unsupported effect type");
        return DIB_E_UNSUPPORTED;
    }
    const int index = first_free_effect_slot();
    if (index < 0) {
        set_last_error("bridge effect table full");
        return DIB_E_POOLFULL;
    }
    const bool condition = is_condition_type(type);
    if (condition && params->cond[0].enabled == 0 && params->cond[1].enabled == 0) {
        set_last_error("condition effect with no axes");
        return DIB_E_BADARG;
    }

    EffectSlot entry = {};
    entry.in_use = 1;
    entry.device_handle = handle;
    entry.type = type;
    entry.cond_axis[0] = condition && params->cond[0].enabled != 0;
    entry.cond_axis[1] = condition && params->cond[1].enabled != 0;

    DIEFFECT description;
    EffectScratch scratch = {};
    translate_effect(entry, *params, description, scratch);
    IDirectInputEffect* effect = nullptr;
    const HRESULT hr = device->device->CreateEffect(*effect_guid, &description, &effect, nullptr);

    const EffectOutcome outcome = create_outcome(hr, effect != nullptr);
    if (outcome.result != DIB_OK) {
        set_last_error(outcome.message, hr);
        return outcome.result;
    }
    entry.effect = effect;
    effect_at(index) = entry;
    return index + 1;
}
