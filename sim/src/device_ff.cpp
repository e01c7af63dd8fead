// IDirectInputDevice8A: force feedback (effects, device commands and state).
#include "effect_catalog.h"
#include "effect_params.h"
#include "null_ref.h"
#include "sim_objects.h"
#include "sim_lock.h"
#include "sim_state.h"

#include <algorithm>

namespace gsim {

static bool lists_effect(const GSIM_DEVICE_DESC &d, const GUID &guid) {
    for (DWORD i = 0; i < d.num_effects; i++)
        if (IsEqualGUID(d.effects[i], guid)) return true;
    return false;
}

// Destroys an effect whose creation failed.
static void discard(SimEffect *e) {
    e->drop();
    auto &list = e->owner->effects;
    list.erase(std::remove(list.begin(), list.end(), e), list.end());
    sim().registry.retire(e->shell);
    e->st.reset();
}

STDMETHODIMP SimDevice::CreateEffect(REFGUID guid_ref, LPCDIEFFECT params, LPDIRECTINPUTEFFECT *out,
                                     LPUNKNOWN) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_CREATEEFFECT, shell);
    const GUID *guid = address_of(guid_ref);
    CallScope call(GSIM_M_DEV_CREATEEFFECT, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        if (guid) c->guid = *guid;
        c->null_out = out == nullptr;
        if (params) {
            c->has_params = TRUE;
            DWORD all = params->dwSize == kEffectSize ? DIEP_ALLPARAMS : DIEP_ALLPARAMS_DX5;
            capture_params(params, all, effect_kind(guid ? *guid : GUID_NULL), c->params);
        }
    }
    if (call.faulted()) {
        if (out) *out = nullptr;
        return call.fault_hr();
    }
    if (!out) return call.finish(E_POINTER);
    *out = nullptr;
    if (!dev->force_feedback()) return call.finish(DIERR_UNSUPPORTED);
    if (!guid) return call.finish(E_POINTER);
    // As Wine does and the documentation says: an effect the device lacks is not registered.
    if (!lists_effect(dev->desc, *guid)) return call.finish(DIERR_DEVICENOTREG);

    auto *e = new SimEffect(this, *guid);
    if (params) {
        DWORD flags = params->dwSize == kEffectSize ? DIEP_ALLPARAMS : DIEP_ALLPARAMS_DX5;
        if (!exclusively_acquired()) flags |= DIEP_NODOWNLOAD;
        HRESULT hr = e->set_params(params, flags);
        if (FAILED(hr)) {
            discard(e);
            return call.finish(hr);
        }
    }
    if (GSIM_CALL *c = call.rec()) c->effect = c->created = e->shell.id;
    *out = e;
    return call.finish(DI_OK);
}

STDMETHODIMP SimDevice::SendForceFeedbackCommand(DWORD command) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND, shell);
    CallScope call(GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) c->flags = command;
    if (call.faulted()) return call.fault_hr();
    switch (command) {
    case DISFFC_RESET:
    case DISFFC_STOPALL:
    case DISFFC_PAUSE:
    case DISFFC_CONTINUE:
    case DISFFC_SETACTUATORSON:
    case DISFFC_SETACTUATORSOFF: break;
    default: return call.finish(DIERR_INVALIDPARAM);
    }
    if (!dev->force_feedback()) return call.finish(DIERR_UNSUPPORTED);
    if (!exclusively_acquired()) return call.finish(not_exclusive_error());
    switch (command) {
    case DISFFC_RESET: reset_force_feedback(); break;
    case DISFFC_STOPALL:
        for (SimEffect *e : effects) e->st->playing = false;
        break;
    case DISFFC_PAUSE: paused = true; break;
    case DISFFC_CONTINUE: paused = false; break;
    case DISFFC_SETACTUATORSON: actuators_on = true; break;
    case DISFFC_SETACTUATORSOFF: actuators_on = false; break;
    }
    return call.finish(DI_OK);
}

DWORD SimDevice::force_feedback_state() const {
    bool any_downloaded = false, any_playing = false;
    for (const SimEffect *e : effects) {
        any_downloaded |= e->st->downloaded;
        any_playing |= e->st->playing;
    }
    DWORD s = actuators_on ? DIGFFS_ACTUATORSON : DIGFFS_ACTUATORSOFF;
    if (!any_downloaded) s |= DIGFFS_EMPTY;
    if (!any_playing) s |= DIGFFS_STOPPED;
    if (paused) s |= DIGFFS_PAUSED;
    return s;
}

STDMETHODIMP SimDevice::GetForceFeedbackState(LPDWORD out) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_GETFORCEFEEDBACKSTATE, shell);
    CallScope call(GSIM_M_DEV_GETFORCEFEEDBACKSTATE, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) c->null_out = out == nullptr;
    if (call.faulted()) return call.fault_hr();
    if (!out) return call.finish(E_POINTER);
    *out = 0;
    if (!dev->force_feedback()) return call.finish(DIERR_UNSUPPORTED);
    if (!exclusively_acquired()) return call.finish(not_exclusive_error());
    *out = force_feedback_state();
    return call.finish(DI_OK);
}

STDMETHODIMP SimDevice::EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK cb, LPVOID ctx,
                                                 DWORD flags) {
    if (!cb || flags) return DIERR_INVALIDPARAM;
    std::vector<SimEffect *> list;
    {
        Guard guard;
        list = effects;
    }
    for (SimEffect *e : list)
        if (cb(e, ctx) == DIENUM_STOP) break;
    return DI_OK;
}

}  // namespace gsim
