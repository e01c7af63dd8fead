#include "effects/effect_types.h"

#include <dinput.h>

#include <cstring>

namespace gantrel {

const KnownEffect kKnownEffects[10] = {
    {1, &GUID_ConstantForce, "constant"}, {3, &GUID_Square, "square"},
    {4, &GUID_Sine, "sine"},               {5, &GUID_Triangle, "triangle"},
    {6, &GUID_SawtoothUp, "sawtoothup"},   {7, &GUID_SawtoothDown, "sawtoothdown"},
    {8, &GUID_Spring, "spring"},           {9, &GUID_Damper, "damper"},
    {10, &GUID_Inertia, "inertia"},        {11, &GUID_Friction, "friction"},
};

const GUID* effect_guid_for_type(int32_t type) {
    for (const KnownEffect& e : kKnownEffects)
        if (e.type == type) return e.guid;
    return nullptr;
}

EffectGroup effect_group(int32_t type) {
    if (is_condition_type(type)) return EffectGroup::condition;
    if (type == 1) return EffectGroup::constant;
    return EffectGroup::periodic;
}

const char* known_effect_name(const GUID& guid) {
    for (const KnownEffect& e : kKnownEffects)
        if (std::memcmp(e.guid, &guid, sizeof(GUID)) == 0) return e.name;
    return nullptr;
}

}  // namespace gantrel
