#include "effects/effect_outcome.h"

#include <dinput.h>

#include "effects/effect_types.h"
#include "frame/dinput_codes.h"
#include "gantrel.h"

namespace gantrel {

bool is_exclusive_loss(HRESULT hr) {
    return hr == dierr::kOtherAppHasPrio || hr == dierr::kNotAcquired || hr == dierr::kInputLost ||
           hr == dierr::kNotExclusiveAcquired;
}

namespace {
constexpr char kExclusive[] = "another application has exclusive use of the device";
}

EffectOutcome create_outcome(HRESULT hr, bool got_interface) {
    if (hr == dierr::kDeviceFull) return {DIB_E_POOLFULL, "device effect pool exhausted"};
    if (is_exclusive_loss(hr)) return {DIB_E_EXCLUSIVE, kExclusive};
    if (SUCCEEDED(hr) && got_interface) return {DIB_OK, nullptr};
    return {hr == dierr::kUnsupported ? DIB_E_UNSUPPORTED : DIB_E_FAILED, "CreateEffect failed"};
}

EffectOutcome start_outcome(HRESULT hr) {
    if (is_exclusive_loss(hr)) return {DIB_E_EXCLUSIVE, kExclusive};
    if (FAILED(hr)) return {DIB_E_FAILED, "effect Start failed"};
    return {DIB_OK, nullptr};
}

uint32_t update_flags(int32_t type, bool with_envelope) {
    uint32_t flags = DIEP_DURATION | DIEP_GAIN | DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART;
    if (!is_condition_type(type)) flags |= DIEP_DIRECTION;
    if (with_envelope) flags |= DIEP_ENVELOPE;
    return flags;
}

}  // namespace gantrel
