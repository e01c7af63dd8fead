// The device set used when nothing else is configured.
#pragma once
#include "gantrel_sim.h"

namespace gsim {

// Fills desc with built-in device `which` (GSIM_BUILTIN_); false if unknown.
bool builtin_desc(int which, GSIM_DEVICE_DESC &desc);

// Helpers shared with the device file reader.
GUID pidvid_guid(WORD vid, WORD pid);
GSIM_OBJECT make_axis(const GUID &type, DWORD ofs, DWORD instance, bool actuator, const char *name);
void set_all_standard_effects(GSIM_DEVICE_DESC &desc);
// A description with nothing but its size, centred axes and released POVs.
void blank_desc(GSIM_DEVICE_DESC &desc);

}  // namespace gsim
