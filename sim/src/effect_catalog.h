// What DirectInput knows about each effect GUID: its name, its DIEFT_ type
// and the size of its type-specific block.
#pragma once
#include <windows.h>
#include <dinput.h>

namespace gsim {

struct EffectKind {
    const GUID *guid;  // nullptr for a GUID DirectInput does not define
    const char *name;
    DWORD type;        // DIEFT_ type and capability bits
};

EffectKind effect_kind(const GUID &guid);
inline DWORD base_type(const EffectKind &k) { return DIEFT_GETTYPE(k.type); }

// Whether cb is a valid type-specific size for this kind with cAxes axes.
bool type_specific_size_ok(const EffectKind &k, DWORD cb, DWORD axes);

// Fills a DIEFFECTINFOA for an effect the device lists.
void fill_effect_info(const GUID &guid, DIEFFECTINFOA &info);

}  // namespace gsim
