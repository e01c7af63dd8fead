#include "effect_catalog.h"

#include <cstring>

namespace gsim {

namespace {

const DWORD kEnvelope = DIEFT_FFATTACK | DIEFT_FFFADE | DIEFT_STARTDELAY;
const DWORD kCondition = DIEFT_SATURATION | DIEFT_POSNEGCOEFFICIENTS | DIEFT_POSNEGSATURATION |
                         DIEFT_DEADBAND | DIEFT_STARTDELAY;

const EffectKind kKnown[] = {
    {&GUID_ConstantForce, "Constant Force", DIEFT_CONSTANTFORCE | kEnvelope},
    {&GUID_RampForce, "Ramp Force", DIEFT_RAMPFORCE | kEnvelope},
    {&GUID_Square, "Square", DIEFT_PERIODIC | kEnvelope},
    {&GUID_Sine, "Sine", DIEFT_PERIODIC | kEnvelope},
    {&GUID_Triangle, "Triangle", DIEFT_PERIODIC | kEnvelope},
    {&GUID_SawtoothUp, "Sawtooth Up", DIEFT_PERIODIC | kEnvelope},
    {&GUID_SawtoothDown, "Sawtooth Down", DIEFT_PERIODIC | kEnvelope},
    {&GUID_Spring, "Spring", DIEFT_CONDITION | kCondition},
    {&GUID_Damper, "Damper", DIEFT_CONDITION | kCondition},
    {&GUID_Inertia, "Inertia", DIEFT_CONDITION | kCondition},
    {&GUID_Friction, "Friction", DIEFT_CONDITION | kCondition},
    {&GUID_CustomForce, "Custom Force", DIEFT_CUSTOMFORCE | DIEFT_SATURATION | DIEFT_STARTDELAY},
};

}  // namespace

EffectKind effect_kind(const GUID &guid) {
    for (const EffectKind &k : kKnown)
        if (IsEqualGUID(*k.guid, guid)) return k;
    return {nullptr, "Custom hardware effect", DIEFT_HARDWARE};
}

bool type_specific_size_ok(const EffectKind &k, DWORD cb, DWORD axes) {
    switch (base_type(k)) {
    case DIEFT_CONSTANTFORCE: return cb == sizeof(DICONSTANTFORCE);
    case DIEFT_RAMPFORCE: return cb == sizeof(DIRAMPFORCE);
    case DIEFT_PERIODIC: return cb == sizeof(DIPERIODIC);
    case DIEFT_CONDITION:
        // One condition for all axes, or one per axis.
        return cb == sizeof(DICONDITION) || (axes && cb == axes * sizeof(DICONDITION));
    case DIEFT_CUSTOMFORCE: return cb == sizeof(DICUSTOMFORCE);
    default: return true;  // a hardware effect's block is the driver's business
    }
}

void fill_effect_info(const GUID &guid, DIEFFECTINFOA &info) {
    EffectKind k = effect_kind(guid);
    DWORD size = info.dwSize;
    std::memset(&info, 0, sizeof(info));
    info.dwSize = size;
    info.guid = guid;
    info.dwEffType = k.type;
    DWORD params = DIEP_DURATION | DIEP_SAMPLEPERIOD | DIEP_GAIN | DIEP_TRIGGERBUTTON |
                   DIEP_TRIGGERREPEATINTERVAL | DIEP_AXES | DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS |
                   DIEP_STARTDELAY;
    if (k.type & DIEFT_FFATTACK) params |= DIEP_ENVELOPE;
    info.dwStaticParams = params;
    info.dwDynamicParams = params;
    lstrcpynA(info.tszName, k.name, MAX_PATH);
}

}  // namespace gsim
