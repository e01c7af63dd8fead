#include "sim_fixture.h"

#include <cstring>

namespace simtest {

std::string last_error() {
    char buffer[512];
    dib_last_error(buffer, sizeof buffer);
    return buffer;
}

std::string guid_text(const GUID& g) {
    char text[64];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

std::string guid_of(int device_index) {
    GSIM_DEVICE_DESC desc = {};
    desc.size = sizeof desc;
    EXPECT_EQ(gsim_device_get(device_index, &desc), GSIM_OK);
    return guid_text(desc.instance_guid);
}

void add_axis(GSIM_DEVICE_DESC& d, const GUID& type, DWORD ofs, DWORD instance, bool actuator) {
    GSIM_OBJECT& o = d.objects[d.num_objects++];
    std::memset(&o, 0, sizeof o);
    o.guidType = type;
    o.dwOfs = ofs;
    o.dwType = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(instance) | (actuator ? DIDFT_FFACTUATOR : 0);
    o.dwFlags = DIDOI_ASPECTPOSITION | (actuator ? DIDOI_FFACTUATOR : 0);
    std::snprintf(o.name, sizeof o.name, "Axis %lu", static_cast<unsigned long>(instance));
}

GSIM_DEVICE_DESC plain_ff_device(DWORD instance_data1, const char* name) {
    GSIM_DEVICE_DESC d;
    EXPECT_EQ(gsim_builtin_desc(GSIM_BUILTIN_JOYSTICK, &d), GSIM_OK);
    d.instance_guid = {instance_data1, 0x1111, 0x2222, {0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA}};
    d.product_guid = {0x00020001, 0, 0, {0, 0, 0x50, 0x49, 0x44, 0x56, 0x49, 0x44}};
    std::snprintf(d.product_name, sizeof d.product_name, "%s", name);
    std::snprintf(d.instance_name, sizeof d.instance_name, "%s instance", name);
    d.caps_flags = DIDC_ATTACHED | DIDC_FORCEFEEDBACK;
    d.ff_sample_period = 1000;
    d.num_objects = 0;
    add_axis(d, GUID_XAxis, DIJOFS_X, 0, true);
    add_axis(d, GUID_YAxis, DIJOFS_Y, 1, true);
    add_axis(d, GUID_ZAxis, DIJOFS_Z, 2, false);
    d.num_buttons = 12;
    d.num_povs = 1;
    const GUID* effects[] = {&GUID_ConstantForce, &GUID_Square,  &GUID_Sine,    &GUID_Triangle,
                             &GUID_SawtoothUp,    &GUID_SawtoothDown, &GUID_Spring, &GUID_Damper,
                             &GUID_Inertia,       &GUID_Friction};
    d.num_effects = 0;
    for (const GUID* e : effects) d.effects[d.num_effects++] = *e;
    d.effect_capacity = 64;
    d.restart_needed_flags = 0;
    d.autocenter_readable = TRUE;
    d.autocenter_writable = TRUE;
    d.autocenter = DIPROPAUTOCENTER_ON;
    d.attached = TRUE;
    std::memset(&d.state, 0, sizeof d.state);
    for (DWORD& pov : d.state.rgdwPOV) pov = 0xFFFFFFFF;
    return d;
}

std::vector<GSIM_CALL> calls_of(int method) {
    std::vector<GSIM_CALL> calls;
    for (int i = 0, n = gsim_log_count(); i < n; ++i) {
        GSIM_CALL c;
        if (gsim_log_get(i, &c) == GSIM_OK && c.method == method) calls.push_back(c);
    }
    return calls;
}

std::vector<std::string> device_call_names(bool with_release) {
    std::vector<std::string> names;
    for (int i = 0, n = gsim_log_count(); i < n; ++i) {
        GSIM_CALL c;
        if (gsim_log_get(i, &c) != GSIM_OK) continue;
        const bool bookkeeping = c.method == GSIM_M_DEV_ADDREF || c.method == GSIM_M_DEV_QUERYINTERFACE ||
                                 c.method == GSIM_M_EFF_ADDREF || c.method == GSIM_M_EFF_QUERYINTERFACE ||
                                 c.method == GSIM_M_DI_ADDREF || c.method == GSIM_M_DI_QUERYINTERFACE;
        const bool release = c.method == GSIM_M_DEV_RELEASE || c.method == GSIM_M_EFF_RELEASE ||
                             c.method == GSIM_M_DI_RELEASE;
        if (bookkeeping || (release && !with_release)) continue;
        std::string name = gsim_method_name(c.method);
        const size_t colons = name.find("::");
        names.push_back(colons == std::string::npos ? name : name.substr(colons + 2));
    }
    return names;
}

EffectParams no_params() {
    EffectParams p;
    std::memset(&p, 0, sizeof p);
    return p;
}

void SimTest::SetUp() {
    ASSERT_GE(gsim_reset(GSIM_RESET_BUILTIN), 3);
    gsim_log_clear();
}

void SimTest::TearDown() {
    for (int32_t h = 1; h <= 8; ++h) dib_release(h);
    gsim_fault_clear(0);
    EXPECT_EQ(gsim_live_devices(), kept_for_good_) << "every device object released exactly once";
    EXPECT_EQ(gsim_live_effects(), 0) << "every effect object released exactly once";
    EXPECT_EQ(gsim_over_releases(), 0);
    EXPECT_EQ(gsim_dead_calls(), 0);
}

int32_t SimTest::open(int index) {
    const int32_t h = dib_open(guid_of(index).c_str());
    EXPECT_GE(h, 1) << last_error();
    return h;
}

}  // namespace simtest
