#pragma once

namespace gsim {

// "IDirectInputDevice8A::Acquire" for GSIM_M_DEV_ACQUIRE; nullptr if unknown.
const char *method_name(int method);
// Full name, or the bare method name when it is unambiguous.
int method_from_name(const char *name);

}  // namespace gsim
