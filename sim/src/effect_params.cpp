#include "effect_params.h"

#include <algorithm>
#include <cstring>

namespace gsim {

static const DWORD kDirectionFlags = DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL;
static const DWORD kObjectFlags = DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS;

void capture_params(const DIEFFECT *in, DWORD flags, const EffectKind &kind, GSIM_EFFECT_PARAMS &out) {
    std::memset(&out, 0, sizeof(out));
    out.dwSize = in->dwSize;
    if (in->dwSize != kEffectSize && in->dwSize != kEffectSizeDx5) return;
    out.dwFlags = in->dwFlags;
    out.cAxes = in->cAxes;
    DWORD n = std::min<DWORD>(in->cAxes, GSIM_MAX_EFFECT_AXES);
    if (flags & DIEP_DURATION) out.dwDuration = in->dwDuration;
    if (flags & DIEP_SAMPLEPERIOD) out.dwSamplePeriod = in->dwSamplePeriod;
    if (flags & DIEP_GAIN) out.dwGain = in->dwGain;
    if (flags & DIEP_TRIGGERBUTTON) out.dwTriggerButton = in->dwTriggerButton;
    if (flags & DIEP_TRIGGERREPEATINTERVAL) out.dwTriggerRepeatInterval = in->dwTriggerRepeatInterval;
    if ((flags & DIEP_STARTDELAY) && in->dwSize == kEffectSize) out.dwStartDelay = in->dwStartDelay;
    if ((flags & DIEP_AXES) && in->rgdwAxes) {
        out.has_axes = TRUE;
        std::memcpy(out.axes, in->rgdwAxes, n * sizeof(DWORD));
    }
    if ((flags & DIEP_DIRECTION) && in->rglDirection) {
        out.has_directions = TRUE;
        std::memcpy(out.directions, in->rglDirection, n * sizeof(LONG));
    }
    if (flags & DIEP_ENVELOPE) {
        out.envelope_read = TRUE;
        if (in->lpEnvelope) {
            out.has_envelope = TRUE;
            out.envelope = *in->lpEnvelope;
        }
    }
    if ((flags & DIEP_TYPESPECIFICPARAMS) && in->lpvTypeSpecificParams) {
        out.has_type_specific = TRUE;
        out.cbTypeSpecificParams = in->cbTypeSpecificParams;
        std::memcpy(out.type_specific, in->lpvTypeSpecificParams,
                    std::min<DWORD>(in->cbTypeSpecificParams, GSIM_MAX_TYPE_BYTES));
        if (base_type(kind) == DIEFT_CUSTOMFORCE && in->cbTypeSpecificParams == sizeof(DICUSTOMFORCE)) {
            auto *custom = static_cast<const DICUSTOMFORCE *>(in->lpvTypeSpecificParams);
            if (custom->rglForceData) {
                out.custom_samples = std::min<DWORD>(custom->cSamples, GSIM_MAX_CUSTOM_SAMPLES);
                std::memcpy(out.custom_data, custom->rglForceData, out.custom_samples * sizeof(LONG));
            }
        }
    } else if (flags & DIEP_TYPESPECIFICPARAMS) {
        out.cbTypeSpecificParams = in->cbTypeSpecificParams;
    }
}

void merge_params(const GSIM_EFFECT_PARAMS &from, DWORD flags, GSIM_EFFECT_PARAMS &to) {
    to.dwSize = from.dwSize;
    if (flags & DIEP_DURATION) to.dwDuration = from.dwDuration;
    if (flags & DIEP_SAMPLEPERIOD) to.dwSamplePeriod = from.dwSamplePeriod;
    if (flags & DIEP_GAIN) to.dwGain = from.dwGain;
    if (flags & DIEP_TRIGGERBUTTON) to.dwTriggerButton = from.dwTriggerButton;
    if (flags & DIEP_TRIGGERREPEATINTERVAL) to.dwTriggerRepeatInterval = from.dwTriggerRepeatInterval;
    if (flags & DIEP_STARTDELAY) to.dwStartDelay = from.dwStartDelay;
    if (flags & (DIEP_AXES | DIEP_TRIGGERBUTTON))
        to.dwFlags = (to.dwFlags & ~kObjectFlags) | (from.dwFlags & kObjectFlags);
    if (flags & DIEP_AXES) {
        to.cAxes = from.cAxes;
        to.has_axes = from.has_axes;
        std::memcpy(to.axes, from.axes, sizeof(to.axes));
    }
    if (flags & DIEP_DIRECTION) {
        to.dwFlags = (to.dwFlags & ~kDirectionFlags) | (from.dwFlags & kDirectionFlags);
        to.has_directions = from.has_directions;
        std::memcpy(to.directions, from.directions, sizeof(to.directions));
    }
    if (flags & DIEP_ENVELOPE) {
        to.envelope_read = TRUE;
        to.has_envelope = from.has_envelope;
        to.envelope = from.envelope;
    }
    if (flags & DIEP_TYPESPECIFICPARAMS) {
        to.has_type_specific = from.has_type_specific;
        to.cbTypeSpecificParams = from.cbTypeSpecificParams;
        std::memcpy(to.type_specific, from.type_specific, sizeof(to.type_specific));
        to.custom_samples = from.custom_samples;
        std::memcpy(to.custom_data, from.custom_data, sizeof(to.custom_data));
    }
}

DWORD changed_groups(const GSIM_EFFECT_PARAMS &a, const GSIM_EFFECT_PARAMS &b, DWORD flags) {
    DWORD changed = 0;
    auto differs = [](const void *x, const void *y, size_t n) { return std::memcmp(x, y, n) != 0; };
    if ((flags & DIEP_DURATION) && a.dwDuration != b.dwDuration) changed |= DIEP_DURATION;
    if ((flags & DIEP_SAMPLEPERIOD) && a.dwSamplePeriod != b.dwSamplePeriod) changed |= DIEP_SAMPLEPERIOD;
    if ((flags & DIEP_GAIN) && a.dwGain != b.dwGain) changed |= DIEP_GAIN;
    if ((flags & DIEP_TRIGGERBUTTON) && a.dwTriggerButton != b.dwTriggerButton) changed |= DIEP_TRIGGERBUTTON;
    if ((flags & DIEP_TRIGGERREPEATINTERVAL) && a.dwTriggerRepeatInterval != b.dwTriggerRepeatInterval)
        changed |= DIEP_TRIGGERREPEATINTERVAL;
    if ((flags & DIEP_STARTDELAY) && a.dwStartDelay != b.dwStartDelay) changed |= DIEP_STARTDELAY;
    if ((flags & DIEP_AXES) && (a.cAxes != b.cAxes || differs(a.axes, b.axes, sizeof(a.axes))))
        changed |= DIEP_AXES;
    if ((flags & DIEP_DIRECTION) && ((a.dwFlags ^ b.dwFlags) & kDirectionFlags || differs(a.directions, b.directions, sizeof(a.directions))))
        changed |= DIEP_DIRECTION;
    if ((flags & DIEP_ENVELOPE) &&
        (a.has_envelope != b.has_envelope || differs(&a.envelope, &b.envelope, sizeof(a.envelope))))
        changed |= DIEP_ENVELOPE;
    if ((flags & DIEP_TYPESPECIFICPARAMS) &&
        (a.cbTypeSpecificParams != b.cbTypeSpecificParams || differs(a.type_specific, b.type_specific, sizeof(a.type_specific)) ||
         a.custom_samples != b.custom_samples || differs(a.custom_data, b.custom_data, sizeof(a.custom_data))))
        changed |= DIEP_TYPESPECIFICPARAMS;
    return changed;
}

}  // namespace gsim
