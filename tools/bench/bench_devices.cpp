#include "bench_devices.h"

#include <cstdio>

namespace bench {
namespace {

GUID device_guid(int index, bool twin) {
    return {0xBE4C0000u + static_cast<DWORD>(index), static_cast<WORD>(twin ? 0x7777 : 0xB00B), 0x11EE,
            {0x80, 0x01, 0x42, 0x45, 0x4E, 0x43, 0x48, 0x00}};
}

// A two-actuator joystick with every effect the bridge knows and room for
// more downloaded effects than the bridge's table holds.
GSIM_DEVICE_DESC device_desc(int index, bool twin) {
    GSIM_DEVICE_DESC d;
    gsim_builtin_desc(GSIM_BUILTIN_JOYSTICK, &d);
    d.instance_guid = device_guid(index, twin);
    std::snprintf(d.product_name, sizeof d.product_name, "Bench Stick %d", index + 1);
    std::snprintf(d.instance_name, sizeof d.instance_name, "Bench Stick %d%s", index + 1, twin ? " (raw)" : "");
    const GUID* effects[] = {&GUID_ConstantForce, &GUID_Square,       &GUID_Sine,   &GUID_Triangle,
                             &GUID_SawtoothUp,    &GUID_SawtoothDown, &GUID_Spring, &GUID_Damper,
                             &GUID_Inertia,       &GUID_Friction};
    d.num_effects = 0;
    for (const GUID* e : effects) d.effects[d.num_effects++] = *e;
    d.effect_capacity = 256;
    d.restart_needed_flags = 0;
    d.attached = TRUE;
    return d;
}

bool load(int count, bool with_twins) {
    if (gsim_reset(GSIM_RESET_EMPTY) != 0) return false;
    for (int twin = 0; twin <= (with_twins ? 1 : 0); ++twin)
        for (int i = 0; i < count; ++i) {
            const GSIM_DEVICE_DESC d = device_desc(i, twin != 0);
            if (gsim_device_add(&d) < 0) return false;
        }
    return true;
}

}  // namespace

bool load_device_pairs(int pairs) { return load(pairs, true); }
bool load_devices(int count) { return load(count, false); }

GUID bridge_device_guid(int index) { return device_guid(index, false); }
GUID twin_device_guid(int index) { return device_guid(index, true); }

std::string guid_text(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

}  // namespace bench
