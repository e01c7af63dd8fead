#pragma once
#include <windows.h>

#include <cstdint>

namespace gantrel {

enum class EffectGroup { constant, periodic, condition };

// The ten standard DirectInput effects the bridge knows, in the order
// device descriptions list them by.
struct KnownEffect {
    int32_t type;      // the host's effect type code
    const GUID* guid;  // DirectInput's effect GUID
    const char* name;  // the name in device descriptions
};
extern const KnownEffect kKnownEffects[10];

// The effect's DirectInput GUID, or null for a code the bridge refuses.
const GUID* effect_guid_for_type(int32_t type);
// Condition for 8..11, constant for 1, periodic for every other code.
EffectGroup effect_group(int32_t type);
inline bool is_condition_type(int32_t type) { return type >= 8 && type <= 11; }

// The table's name for a DirectInput effect GUID, or null when not listed.
const char* known_effect_name(const GUID& guid);

}  // namespace gantrel
