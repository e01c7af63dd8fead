// Deep copies of DIEFFECT records, and the checks DirectInput makes on them.
#pragma once
#include "effect_catalog.h"
#include "gantrel_sim.h"

namespace gsim {

// DIEFFECT sizes DirectInput accepts: DirectX 6 and later, and DirectX 5.
const DWORD kEffectSize = sizeof(DIEFFECT);
const DWORD kEffectSizeDx5 = sizeof(DIEFFECT_DX5);

// Copies the fields `flags` (DIEP_ bits) selects; dwSize, dwFlags and cAxes
// always. Reads nothing past dwSize when dwSize is not a known size.
void capture_params(const DIEFFECT *in, DWORD flags, const EffectKind &kind, GSIM_EFFECT_PARAMS &out);

// Copies the parameter groups `flags` selects from `from` into `to`.
void merge_params(const GSIM_EFFECT_PARAMS &from, DWORD flags, GSIM_EFFECT_PARAMS &to);

// DIEP_ groups that differ between two parameter sets, among `flags`.
DWORD changed_groups(const GSIM_EFFECT_PARAMS &a, const GSIM_EFFECT_PARAMS &b, DWORD flags);

}  // namespace gsim
