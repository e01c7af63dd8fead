#include "method_names.h"

#include "gantrel_sim.h"

#include <cstring>

namespace gsim {

static const char *const kNames[GSIM_M_COUNT] = {
    nullptr,
    "DirectInput8Create",
    "IDirectInput8A::QueryInterface",
    "IDirectInput8A::AddRef",
    "IDirectInput8A::Release",
    "IDirectInput8A::CreateDevice",
    "IDirectInput8A::EnumDevices",
    "IDirectInput8A::GetDeviceStatus",
    "IDirectInput8A::Initialize",
    "IDirectInputDevice8A::QueryInterface",
    "IDirectInputDevice8A::AddRef",
    "IDirectInputDevice8A::Release",
    "IDirectInputDevice8A::GetCapabilities",
    "IDirectInputDevice8A::EnumObjects",
    "IDirectInputDevice8A::GetProperty",
    "IDirectInputDevice8A::SetProperty",
    "IDirectInputDevice8A::Acquire",
    "IDirectInputDevice8A::Unacquire",
    "IDirectInputDevice8A::GetDeviceState",
    "IDirectInputDevice8A::SetDataFormat",
    "IDirectInputDevice8A::SetCooperativeLevel",
    "IDirectInputDevice8A::GetObjectInfo",
    "IDirectInputDevice8A::GetDeviceInfo",
    "IDirectInputDevice8A::CreateEffect",
    "IDirectInputDevice8A::EnumEffects",
    "IDirectInputDevice8A::GetEffectInfo",
    "IDirectInputDevice8A::GetForceFeedbackState",
    "IDirectInputDevice8A::SendForceFeedbackCommand",
    "IDirectInputDevice8A::Poll",
    "IDirectInputEffect::QueryInterface",
    "IDirectInputEffect::AddRef",
    "IDirectInputEffect::Release",
    "IDirectInputEffect::GetEffectGuid",
    "IDirectInputEffect::GetParameters",
    "IDirectInputEffect::SetParameters",
    "IDirectInputEffect::Start",
    "IDirectInputEffect::Stop",
    "IDirectInputEffect::GetEffectStatus",
    "IDirectInputEffect::Download",
    "IDirectInputEffect::Unload",
};

const char *method_name(int method) {
    if (method <= GSIM_M_NONE || method >= GSIM_M_COUNT) return nullptr;
    return kNames[method];
}

int method_from_name(const char *name) {
    if (!name) return GSIM_M_NONE;
    int match = GSIM_M_NONE, matches = 0;
    for (int m = 1; m < GSIM_M_COUNT; m++) {
        if (!std::strcmp(kNames[m], name)) return m;
        const char *colon = std::strstr(kNames[m], "::");
        if (colon && !std::strcmp(colon + 2, name)) {
            match = m;
            matches++;
        }
    }
    return matches == 1 ? match : GSIM_M_NONE;
}

}  // namespace gsim
