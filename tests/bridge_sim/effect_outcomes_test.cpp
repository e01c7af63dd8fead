#include "sim_fixture.h"

using namespace simtest;

// What each DirectInput code does to create, start and update, row by row.
namespace {

struct OutcomeRow {
    HRESULT hr;
    int32_t create;
    const char* create_message;
    int32_t start;
    const char* start_message;
};

const char kExclusive[] = "another application has exclusive use of the device";

const OutcomeRow kRows[] = {
    {static_cast<HRESULT>(0x80040201), DIB_E_POOLFULL, "device effect pool exhausted", DIB_E_FAILED,
     "effect Start failed"},
    {static_cast<HRESULT>(0x80070005), DIB_E_EXCLUSIVE, kExclusive, DIB_E_EXCLUSIVE, kExclusive},
    {static_cast<HRESULT>(0x8007000C), DIB_E_EXCLUSIVE, kExclusive, DIB_E_EXCLUSIVE, kExclusive},
    {static_cast<HRESULT>(0x8007001E), DIB_E_EXCLUSIVE, kExclusive, DIB_E_EXCLUSIVE, kExclusive},
    {static_cast<HRESULT>(0x80040205), DIB_E_EXCLUSIVE, kExclusive, DIB_E_EXCLUSIVE, kExclusive},
    {static_cast<HRESULT>(0x80004001), DIB_E_UNSUPPORTED, "CreateEffect failed", DIB_E_FAILED,
     "effect Start failed"},
    {static_cast<HRESULT>(0x80040208), DIB_E_FAILED, "CreateEffect failed", DIB_E_FAILED,
     "effect Start failed"},
    {static_cast<HRESULT>(0x80070057), DIB_E_FAILED, "CreateEffect failed", DIB_E_FAILED,
     "effect Start failed"},
};

std::string with_code(const char* message, HRESULT hr) {
    char text[256];
    std::snprintf(text, sizeof text, "%s (HRESULT 0x%08lX)", message, static_cast<unsigned long>(hr));
    return text;
}

class EffectOutcomes : public SimTest, public ::testing::WithParamInterface<OutcomeRow> {
protected:
    void SetUp() override {
        SimTest::SetUp();
        device_ = open(GSIM_BUILTIN_JOYSTICK);
    }
    int32_t device_ = 0;
};

}  // namespace

TEST_P(EffectOutcomes, CreateStartAndUpdate) {
    const OutcomeRow& row = GetParam();
    EffectParams p = no_params();
    gsim_fail_next(GSIM_M_DEV_CREATEEFFECT, row.hr, 1);
    EXPECT_EQ(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), row.create);
    EXPECT_EQ(last_error(), with_code(row.create_message, row.hr));
    EXPECT_EQ(gsim_live_effects(), 0) << "nothing to release after a refusal";

    const int32_t e = dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p);
    ASSERT_EQ(e, 1) << "the free entry stayed free";
    gsim_fail_next(GSIM_M_EFF_START, row.hr, 1);
    EXPECT_EQ(dib_effect_start(e, 1), row.start);
    EXPECT_EQ(last_error(), with_code(row.start_message, row.hr));

    gsim_fail_next(GSIM_M_EFF_SETPARAMETERS, row.hr, 2);  // twice: covers the playing retry
    EXPECT_EQ(dib_effect_update(e, &p), DIB_E_FAILED);
    EXPECT_EQ(last_error(), with_code("SetParameters failed", row.hr));
    EXPECT_EQ(dib_effect_start(e, 1), DIB_OK) << "the effect is still there";
}

INSTANTIATE_TEST_SUITE_P(Codes, EffectOutcomes, ::testing::ValuesIn(kRows));

TEST_F(SimTest, CreateEffectWithoutInterfaceOrUnsupportedByDevice) {
    const int32_t device = open(GSIM_BUILTIN_JOYSTICK);
    EffectParams p = no_params();
    gsim_fail_next(GSIM_M_DEV_CREATEEFFECT, S_OK, 1);
    EXPECT_EQ(dib_effect_create(device, DIB_EFFECT_CONSTANT, &p), DIB_E_FAILED);
    EXPECT_EQ(last_error(), "CreateEffect failed") << "success without an interface has no code";

    // A device that does not implement the effect: DirectInput's own refusal.
    GSIM_DEVICE_DESC d = {};
    d.size = sizeof d;
    ASSERT_EQ(gsim_device_get(GSIM_BUILTIN_JOYSTICK, &d), GSIM_OK);
    d.num_effects = 1;
    d.effects[0] = GUID_ConstantForce;
    gsim_device_set(GSIM_BUILTIN_JOYSTICK, &d);
    p.cond[0].enabled = 1;
    EXPECT_EQ(dib_effect_create(device, DIB_EFFECT_INERTIA, &p), DIB_E_FAILED);
    EXPECT_EQ(last_error(), "CreateEffect failed (HRESULT 0x80040154)");

    // A device whose own pool is full.
    d.num_effects = 10;
    d.effects[1] = GUID_Sine;
    d.effect_capacity = 2;
    gsim_device_set(GSIM_BUILTIN_JOYSTICK, &d);
    EXPECT_EQ(dib_effect_create(device, DIB_EFFECT_CONSTANT, &p), 1);
    EXPECT_EQ(dib_effect_create(device, DIB_EFFECT_CONSTANT, &p), 2);
    EXPECT_EQ(dib_effect_create(device, DIB_EFFECT_CONSTANT, &p), DIB_E_POOLFULL);
    EXPECT_EQ(last_error(), "device effect pool exhausted (HRESULT 0x80040201)");
}
