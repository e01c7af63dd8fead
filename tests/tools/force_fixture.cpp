#include "force_fixture.h"

#include <vector>

namespace forcetest {

void ForceTest::SetUp() { ASSERT_GE(gsim_reset(GSIM_RESET_BUILTIN), 2); }

void ForceTest::TearDown() {
    for (int32_t h = 1; h <= 8; ++h) dib_release(h);
    for (int d : {kWheel, kStick}) gsim_force_stop(d);
    EXPECT_EQ(gsim_live_effects(), 0);
}

int32_t ForceTest::open(int device, int32_t axis0, int32_t axis1) {
    GSIM_DEVICE_DESC desc = {};
    desc.size = sizeof desc;
    EXPECT_EQ(gsim_device_get(device, &desc), GSIM_OK);
    const GUID &g = desc.instance_guid;
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    const int32_t h = dib_open(text);
    EXPECT_GE(h, 1);
    EXPECT_EQ(dib_set_axis_map(h, axis0, axis1, 0, 0), DIB_OK);
    EXPECT_EQ(gsim_force_record(device, 1), GSIM_OK);
    return h;
}

int32_t ForceTest::play(int32_t handle, int32_t type, const EffectParams &p, int32_t count) {
    const int32_t e = dib_effect_create(handle, type, &p);
    EXPECT_GE(e, 1);
    EXPECT_EQ(dib_effect_start(e, count), DIB_OK);
    return e;
}

void ForceTest::advance(int device, DWORD ms) { ASSERT_GT(gsim_force_advance(device, ms), 0); }

GSIM_FORCE_SAMPLE ForceTest::at(int device, DWORD t) {
    GSIM_FORCE_SAMPLE s = {};
    const int n = gsim_force_count(device);
    std::vector<GSIM_FORCE_SAMPLE> all(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) gsim_force_samples(device, 0, all.data(), n);
    for (const GSIM_FORCE_SAMPLE &x : all)
        if (x.time_ms == t) return x;
    ADD_FAILURE() << "no sample at " << t << " ms";
    return s;
}

double ForceTest::spring_force_at(LONG position) {
    EXPECT_EQ(gsim_force_move(kWheel, DIJOFS_X, position, 0, 0), GSIM_OK);
    advance(kWheel, 1);
    GSIM_FORCE_SAMPLE last = {};
    gsim_force_samples(kWheel, gsim_force_count(kWheel) - 1, &last, 1);
    EXPECT_DOUBLE_EQ(last.position[0], position);
    return last.force[0];
}

}  // namespace forcetest
