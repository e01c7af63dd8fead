// IDirectInputEffect::GetParameters: the effect's parameters written back
// into the caller's DIEFFECT, with DirectInput's size negotiation.
#include "effect_params.h"
#include "sim_objects.h"
#include "sim_state.h"

#include <algorithm>
#include <cstring>

namespace gsim {

static const DWORD kObjectFlags = DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS;
static const DWORD kDirectionFlags = DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL;

// An axis or trigger button as stored (id or offset, per the flags it was
// set with) expressed the way the caller asks for it; `none` if unknown.
static DWORD translate_object(const SimDevice &dev, const std::vector<DevObject> &objs, DWORD stored,
                              DWORD stored_flags, DWORD wanted_flags, DWORD none) {
    int i = dev.find_object(objs, stored, (stored_flags & DIEFF_OBJECTIDS) ? DIPH_BYID : DIPH_BYOFFSET);
    if (i < 0) return none;
    if (wanted_flags & DIEFF_OBJECTIDS) return objs[i].obj.dwType;
    LONG user = dev.format.set ? dev.format.device_to_user[i] : -1;
    return user >= 0 ? static_cast<DWORD>(user) : objs[i].obj.dwOfs;
}

static HRESULT get_params(SimEffect &e, DIEFFECT *p, DWORD flags) {
    if (p->dwSize != kEffectSize && p->dwSize != kEffectSizeDx5) return DIERR_INVALIDPARAM;
    const GSIM_EFFECT_PARAMS &s = e.st->params;
    DWORD capacity = p->cAxes;
    DWORD object_flags = p->dwFlags & kObjectFlags;
    std::vector<DevObject> objs = flatten_objects(e.owner->dev->desc);

    if (flags & DIEP_AXES) {
        if (!object_flags) return DIERR_INVALIDPARAM;
        p->cAxes = s.cAxes;
        if (capacity < s.cAxes) return DIERR_MOREDATA;
        if (s.cAxes && !p->rgdwAxes) return DIERR_INVALIDPARAM;
        for (DWORD i = 0; i < std::min<DWORD>(s.cAxes, GSIM_MAX_EFFECT_AXES); i++)
            p->rgdwAxes[i] = translate_object(*e.owner, objs, s.axes[i], s.dwFlags, object_flags, 0);
    }
    if (flags & DIEP_DIRECTION) {
        if (!(p->dwFlags & kDirectionFlags)) return DIERR_INVALIDPARAM;
        DWORD count = s.cAxes;
        p->cAxes = count;
        if (capacity < count) return DIERR_MOREDATA;
        if (!count) {
            p->dwFlags &= ~kDirectionFlags;
            p->rglDirection = nullptr;
        } else if (!p->rglDirection) {
            return DIERR_INVALIDPARAM;
        } else {
            // Directions come back in the coordinates they were set in.
            p->dwFlags = (p->dwFlags & ~kDirectionFlags) | (s.dwFlags & kDirectionFlags);
            std::memcpy(p->rglDirection, s.directions, std::min<DWORD>(count, GSIM_MAX_EFFECT_AXES) * sizeof(LONG));
        }
    }
    if (flags & DIEP_TYPESPECIFICPARAMS) {
        DWORD room = p->cbTypeSpecificParams;
        p->cbTypeSpecificParams = s.cbTypeSpecificParams;
        if (room < s.cbTypeSpecificParams) return DIERR_MOREDATA;
        if (s.has_type_specific) {
            if (!p->lpvTypeSpecificParams) return E_POINTER;
            DWORD n = std::min<DWORD>(s.cbTypeSpecificParams, GSIM_MAX_TYPE_BYTES);
            if (base_type(effect_kind(e.guid)) == DIEFT_CUSTOMFORCE) {
                auto *custom = static_cast<DICUSTOMFORCE *>(p->lpvTypeSpecificParams);
                DWORD room_samples = custom->cSamples;
                LONG *samples = custom->rglForceData;
                std::memcpy(custom, s.type_specific, n);
                custom->rglForceData = samples;
                if (samples)
                    std::memcpy(samples, s.custom_data, std::min(room_samples, s.custom_samples) * sizeof(LONG));
            } else {
                std::memcpy(p->lpvTypeSpecificParams, s.type_specific, n);
            }
        }
    }
    if (flags & DIEP_ENVELOPE) {
        if (!p->lpEnvelope) return E_POINTER;
        if (p->lpEnvelope->dwSize != sizeof(DIENVELOPE)) return DIERR_INVALIDPARAM;
        if (!s.has_envelope) p->lpEnvelope = nullptr;
        else *p->lpEnvelope = s.envelope;
    }
    if (flags & DIEP_DURATION) p->dwDuration = s.dwDuration;
    if (flags & DIEP_GAIN) p->dwGain = s.dwGain;
    if (flags & DIEP_SAMPLEPERIOD) p->dwSamplePeriod = s.dwSamplePeriod;
    if (flags & DIEP_STARTDELAY) {
        if (p->dwSize != kEffectSize) return DIERR_INVALIDPARAM;
        p->dwStartDelay = s.dwStartDelay;
    }
    if (flags & DIEP_TRIGGERREPEATINTERVAL) p->dwTriggerRepeatInterval = s.dwTriggerRepeatInterval;
    if (flags & DIEP_TRIGGERBUTTON) {
        if (!object_flags) return DIERR_INVALIDPARAM;
        p->dwTriggerButton = s.dwTriggerButton == DIEB_NOTRIGGER
                                 ? DIEB_NOTRIGGER
                                 : translate_object(*e.owner, objs, s.dwTriggerButton, s.dwFlags, object_flags,
                                                    DIEB_NOTRIGGER);
    }
    return DI_OK;
}

STDMETHODIMP SimEffect::GetParameters(LPDIEFFECT params, DWORD flags) {
    if (!shell.alive) return dead_call(GSIM_M_EFF_GETPARAMETERS, shell);
    CallScope call(GSIM_M_EFF_GETPARAMETERS, &shell, device(), shell.id);
    if (GSIM_CALL *c = call.rec()) {
        c->flags = flags;
        c->null_out = params == nullptr;
    }
    if (call.faulted()) return call.fault_hr();
    if (!params) return call.finish(DI_OK);
    return call.finish(get_params(*this, params, flags));
}

}  // namespace gsim
