#include <cstring>

#include "sim_fixture.h"

using namespace simtest;

namespace {

class Effects : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        gsim_reset(GSIM_RESET_EMPTY);
        GSIM_DEVICE_DESC d = plain_ff_device(1, "Wheel");
        gsim_device_add(&d);
        d = plain_ff_device(2, "Stick");
        gsim_device_add(&d);
        device_ = open(0);
        gsim_log_clear();
    }
    // The DIEFFECT of the last CreateEffect or SetParameters, as the device got it.
    static GSIM_CALL last(int method) {
        const std::vector<GSIM_CALL> calls = calls_of(method);
        EXPECT_FALSE(calls.empty());
        return calls.empty() ? GSIM_CALL{} : calls.back();
    }
    template <typename T>
    static T block(const GSIM_CALL& c, int index = 0) {
        T value;
        std::memcpy(&value, c.params.type_specific + index * sizeof(T), sizeof(T));
        return value;
    }
    int32_t device_ = 0;
};

std::string text(const GUID& g) { return guid_text(g); }

}  // namespace

TEST_F(Effects, EveryTypeCreatesItsDirectInputEffect) {
    const struct {
        int32_t type;
        const GUID* guid;
        DWORD block_size;
    } rows[] = {{1, &GUID_ConstantForce, 4},  {3, &GUID_Square, 16},   {4, &GUID_Sine, 16},
                {5, &GUID_Triangle, 16},      {6, &GUID_SawtoothUp, 16}, {7, &GUID_SawtoothDown, 16},
                {8, &GUID_Spring, 48},        {9, &GUID_Damper, 48},     {10, &GUID_Inertia, 48},
                {11, &GUID_Friction, 48}};
    EffectParams p = no_params();
    p.cond[0].enabled = p.cond[1].enabled = 1;
    int32_t expected_handle = 1;
    for (const auto& row : rows) {
        const int32_t e = dib_effect_create(device_, row.type, &p);
        EXPECT_EQ(e, expected_handle++) << row.type << ": " << last_error();
        const GSIM_CALL c = last(GSIM_M_DEV_CREATEEFFECT);
        EXPECT_EQ(text(c.guid), text(*row.guid));
        EXPECT_EQ(c.params.dwSize, sizeof(void*) == 8 ? 80u : 56u);  // DIEFFECT of x64, x86
        EXPECT_EQ(c.params.cAxes, 2u);
        EXPECT_EQ(c.params.dwFlags, 0x22u);
        EXPECT_EQ(c.params.cbTypeSpecificParams, row.block_size);
        EXPECT_FALSE(c.params.has_envelope);
        EXPECT_EQ(c.params.dwTriggerButton, DIEB_NOTRIGGER);
        EXPECT_EQ(c.params.dwDuration, INFINITE);
        EXPECT_EQ(c.params.dwGain, 10000u);
    }
    EXPECT_EQ(gsim_live_effects(), 10);
    GSIM_EFFECT_INFO info = {};
    info.size = sizeof info;
    ASSERT_EQ(gsim_effect_info(last(GSIM_M_DEV_CREATEEFFECT).effect, &info), GSIM_OK);
    EXPECT_TRUE(info.downloaded);
    EXPECT_FALSE(info.playing) << "a created effect is not started";
}

TEST_F(Effects, ConstantWithFlipsAndEnvelopeReachesTheDevice) {
    EffectParams p = no_params();
    p.constant_magnitude = 2048;
    p.direction_deg = 90;
    p.gain = 2048;
    p.duration_ms = 1500;
    p.use_envelope = 1;
    p.attack_level = 1024;
    p.attack_ms = 200;
    p.fade_level = 4096;
    p.fade_ms = 300;
    ASSERT_EQ(dib_set_axis_map(device_, 0, 1, 1, 0), DIB_OK);
    ASSERT_EQ(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), 1);
    GSIM_CALL c = last(GSIM_M_DEV_CREATEEFFECT);
    EXPECT_EQ(c.params.axes[0], 0u);
    EXPECT_EQ(c.params.axes[1], 4u);
    EXPECT_EQ(c.params.directions[0], 27000) << "90 degrees mirrored by the flip of axis 0";
    EXPECT_EQ(c.params.dwGain, 5000u);
    EXPECT_EQ(c.params.dwDuration, 1500000u);
    ASSERT_TRUE(c.params.has_envelope);
    EXPECT_EQ(c.params.envelope.dwSize, 20u);
    EXPECT_EQ(c.params.envelope.dwAttackLevel, 2500u);
    EXPECT_EQ(c.params.envelope.dwAttackTime, 200000u);
    EXPECT_EQ(c.params.envelope.dwFadeLevel, 10000u);
    EXPECT_EQ(c.params.envelope.dwFadeTime, 300000u);
    EXPECT_EQ(block<DICONSTANTFORCE>(c).lMagnitude, 5000);

    // One axis: the flip now reverses the force itself.
    ASSERT_EQ(dib_set_axis_map(device_, -1, 2, 0, 1), DIB_OK);
    ASSERT_EQ(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), 2);
    c = last(GSIM_M_DEV_CREATEEFFECT);
    EXPECT_EQ(c.params.cAxes, 1u);
    EXPECT_EQ(c.params.dwFlags, 0x12u);
    EXPECT_EQ(c.params.axes[0], 8u);
    EXPECT_EQ(c.params.directions[0], 1);
    EXPECT_EQ(block<DICONSTANTFORCE>(c).lMagnitude, -5000);
}

TEST_F(Effects, PeriodicAndConditionBlocks) {
    EffectParams p = no_params();
    p.periodic_magnitude = 4096;
    p.periodic_offset = 100;
    p.phase_deg = 90;
    p.period_ms = 20;
    ASSERT_EQ(dib_set_axis_map(device_, 0, -1, 1, 0), DIB_OK);
    ASSERT_EQ(dib_effect_create(device_, DIB_EFFECT_TRIANGLE, &p), 1);
    const DIPERIODIC wave = block<DIPERIODIC>(last(GSIM_M_DEV_CREATEEFFECT));
    EXPECT_EQ(wave.dwMagnitude, 10000u);
    EXPECT_EQ(wave.lOffset, -244);
    EXPECT_EQ(wave.dwPhase, 27000u);
    EXPECT_EQ(wave.dwPeriod, 20000u);

    p.cond[0] = {1, 100, 4096, 2048, 4096, 1024, 50};
    p.cond[1] = {1, -100, 1, 2, 3, 4, 5};
    ASSERT_EQ(dib_set_axis_map(device_, 0, 1, 0, 1), DIB_OK);
    ASSERT_EQ(dib_effect_create(device_, DIB_EFFECT_SPRING, &p), 2);
    const GSIM_CALL c = last(GSIM_M_DEV_CREATEEFFECT);
    EXPECT_EQ(c.params.cAxes, 2u);
    EXPECT_EQ(c.params.directions[0], 0);
    const DICONDITION x = block<DICONDITION>(c, 0);
    const DICONDITION y = block<DICONDITION>(c, 1);
    EXPECT_EQ(x.lOffset, 244);
    EXPECT_EQ(x.lPositiveCoefficient, 10000);
    EXPECT_EQ(x.lNegativeCoefficient, 5000);
    EXPECT_EQ(x.dwPositiveSaturation, 10000u);
    EXPECT_EQ(x.dwNegativeSaturation, 2500u);
    EXPECT_EQ(x.lDeadBand, 122);
    EXPECT_EQ(y.lOffset, 244) << "flipped";
    EXPECT_EQ(y.lPositiveCoefficient, 4);
    EXPECT_EQ(y.lNegativeCoefficient, 2);
    EXPECT_EQ(y.dwPositiveSaturation, 9u);
    EXPECT_EQ(y.dwNegativeSaturation, 7u);
    EXPECT_EQ(y.lDeadBand, 12);
}

TEST_F(Effects, UpdateSendsTheFlagsOfItsType) {
    EffectParams p = no_params();
    p.cond[1].enabled = 1;
    const int32_t constant = dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p);
    const int32_t spring = dib_effect_create(device_, DIB_EFFECT_SPRING, &p);
    p.constant_magnitude = -4096;
    ASSERT_EQ(dib_effect_update(constant, &p), DIB_OK);
    GSIM_CALL c = last(GSIM_M_EFF_SETPARAMETERS);
    EXPECT_EQ(c.flags, 0x40000145u);
    EXPECT_EQ(block<DICONSTANTFORCE>(c).lMagnitude, -10000);
    p.use_envelope = 1;
    ASSERT_EQ(dib_effect_update(constant, &p), DIB_OK);
    EXPECT_EQ(last(GSIM_M_EFF_SETPARAMETERS).flags, 0x400001C5u);

    // Conditions keep the axes of their creation, whatever the record now says.
    p.use_envelope = 0;
    p.cond[0].enabled = 1;
    p.cond[1].enabled = 0;
    ASSERT_EQ(dib_effect_update(spring, &p), DIB_OK);
    c = last(GSIM_M_EFF_SETPARAMETERS);
    EXPECT_EQ(c.flags, 0x40000105u);
    EXPECT_EQ(c.params.cbTypeSpecificParams, 24u);
    GSIM_EFFECT_INFO info = {};
    info.size = sizeof info;
    gsim_effect_info(c.effect, &info);
    EXPECT_EQ(info.params.cAxes, 1u);
    EXPECT_EQ(info.params.axes[0], 4u) << "still mapped axis 1 (Y)";
    EXPECT_EQ(dib_effect_update(constant, nullptr), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "bad effect handle");
}

TEST_F(Effects, UpdateWithoutEnvelopeKeepsTheEffectsEnvelope) {
    EffectParams p = no_params();
    p.use_envelope = 1;
    p.attack_level = 4096;
    p.attack_ms = 100;
    const int32_t e = dib_effect_create(device_, DIB_EFFECT_SINE, &p);
    p.use_envelope = 0;
    ASSERT_EQ(dib_effect_update(e, &p), DIB_OK);
    GSIM_EFFECT_INFO info = {};
    info.size = sizeof info;
    gsim_effect_info(last(GSIM_M_EFF_SETPARAMETERS).effect, &info);
    ASSERT_TRUE(info.params.has_envelope);
    EXPECT_EQ(info.params.envelope.dwAttackTime, 100000u);
}

// A wheel with one actuator whose pedal sits on Y: the host reads Y through
// the map between effect calls. Only create, update and poll read the map,
// and an update needs the number of axes its effect was created with.
TEST_F(Effects, UpdateNeedsTheAxisCountOfItsCreation) {
    ASSERT_EQ(dib_set_axis_map(device_, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0), DIB_OK);
    EffectParams p = no_params();
    const int32_t e = dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p);
    ASSERT_GE(e, 1) << last_error();
    ASSERT_EQ(gsim_device_set_axis(0, DIJOFS_Y, 65535), GSIM_OK);
    ASSERT_EQ(dib_set_axis_map(device_, DIB_AXIS_X, DIB_AXIS_Y, 0, 0), DIB_OK);
    InputReport r;
    ASSERT_EQ(dib_poll(device_, &r), DIB_OK);
    EXPECT_EQ(r.axis1, 4096) << "Y reaches the report only through the map";
    EXPECT_EQ(dib_effect_update(e, &p), DIB_E_FAILED);
    EXPECT_EQ(last_error(), "SetParameters failed (HRESULT 0x80070057)");
    ASSERT_EQ(dib_set_axis_map(device_, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0), DIB_OK);
    EXPECT_EQ(dib_effect_update(e, &p), DIB_OK);
    ASSERT_EQ(dib_poll(device_, &r), DIB_OK);
    EXPECT_EQ(r.axis1, 0);
}

TEST_F(Effects, UpdateOfAPlayingEffectRetriesOnceWithRestart) {
    EffectParams p = no_params();
    const int32_t e = dib_effect_create(device_, DIB_EFFECT_SINE, &p);
    ASSERT_EQ(dib_effect_start(e, 1), DIB_OK);
    gsim_log_clear();
    gsim_fail_next(GSIM_M_EFF_SETPARAMETERS, DIERR_EFFECTPLAYING, 1);
    ASSERT_EQ(dib_effect_update(e, &p), DIB_OK);
    std::vector<GSIM_CALL> calls = calls_of(GSIM_M_EFF_SETPARAMETERS);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].flags, 0x40000145u);
    EXPECT_EQ(calls[1].flags, 0x00000145u);

    gsim_log_clear();
    gsim_fail_next(GSIM_M_EFF_SETPARAMETERS, DIERR_EFFECTPLAYING, 2);
    EXPECT_EQ(dib_effect_update(e, &p), DIB_E_FAILED);
    EXPECT_EQ(last_error(), "SetParameters failed (HRESULT 0x80040208)");
    EXPECT_EQ(calls_of(GSIM_M_EFF_SETPARAMETERS).size(), 2u) << "no third attempt";

    gsim_fail_next(GSIM_M_EFF_SETPARAMETERS, DIERR_INPUTLOST, 1);
    EXPECT_EQ(dib_effect_update(e, &p), DIB_E_FAILED) << "exclusive loss is not singled out";
    EXPECT_EQ(last_error(), "SetParameters failed (HRESULT 0x8007001E)");
}

TEST_F(Effects, StartStopDestroy) {
    EffectParams p = no_params();
    const int32_t e = dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p);
    for (int32_t count : {0, -1, 5, static_cast<int32_t>(INFINITE)}) {
        gsim_log_clear();
        ASSERT_EQ(dib_effect_start(e, count), DIB_OK);
        const GSIM_CALL c = last(GSIM_M_EFF_START);
        EXPECT_EQ(c.iterations, count >= 1 ? static_cast<DWORD>(count) : 1u) << count;
        EXPECT_EQ(c.flags, 0u);
    }
    gsim_fail_next(GSIM_M_EFF_STOP, E_FAIL, 1);
    EXPECT_EQ(dib_effect_stop(e), DIB_OK) << "Stop's failure is not reported";
    gsim_log_clear();
    ASSERT_EQ(dib_effect_destroy(e), DIB_OK);
    EXPECT_EQ(device_call_names(true), (std::vector<std::string>{"Stop", "Unload", "Release"}));
    const std::string before = last_error();
    EXPECT_EQ(dib_effect_destroy(e), DIB_E_BADARG);
    EXPECT_EQ(dib_effect_stop(e), DIB_E_BADARG);
    EXPECT_EQ(last_error(), before) << "stop and destroy refuse silently";
    EXPECT_EQ(gsim_live_effects(), 0);
}

TEST_F(Effects, CreateChecksInTheirOrder) {
    EffectParams p = no_params();
    EXPECT_EQ(dib_effect_create(0, 99, &p), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "bad device handle");
    EXPECT_EQ(dib_effect_create(2, 1, &p), DIB_E_BADARG) << "slot 2 is not open";
    EXPECT_EQ(dib_effect_create(device_, 1, nullptr), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "bad device handle");
    for (int32_t type : {0, 2, 12, -1}) {
        EXPECT_EQ(dib_effect_create(device_, type, &p), DIB_E_UNSUPPORTED);
        EXPECT_EQ(last_error(), "unsupported effect type");
    }
    EXPECT_EQ(dib_effect_create(device_, DIB_EFFECT_DAMPER, &p), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "condition effect with no axes");
    EXPECT_EQ(dib_effect_create(device_, DIB_EFFECT_SAWTOOTHUP, &p), 1) << "others ignore enabled";
    EXPECT_TRUE(calls_of(GSIM_M_DEV_CREATEEFFECT).size() == 1u) << "refusals reach no device";
}

TEST_F(Effects, BridgeTableHoldsSixtyFourEffects) {
    const int32_t other = open(1);
    EffectParams p = no_params();
    for (int32_t i = 1; i <= 64; ++i)
        ASSERT_EQ(dib_effect_create(i % 2 ? device_ : other, DIB_EFFECT_CONSTANT, &p), i);
    EXPECT_EQ(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), DIB_E_POOLFULL);
    EXPECT_EQ(last_error(), "bridge effect table full");
    EXPECT_EQ(dib_effect_create(device_, DIB_EFFECT_FRICTION, &p), DIB_E_POOLFULL)
        << "a full table is reported before a condition without axes";
    EXPECT_EQ(dib_effect_create(device_, 2, &p), DIB_E_UNSUPPORTED);
    ASSERT_EQ(dib_effect_destroy(2), DIB_OK);
    EXPECT_EQ(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), 2) << "the freed handle";

    // Releasing one device frees exactly its effects.
    ASSERT_EQ(dib_release(other), DIB_OK);
    EXPECT_EQ(gsim_live_effects(), 33);
    for (int32_t e = 1; e <= 64; ++e)
        EXPECT_EQ(dib_effect_stop(e), e % 2 || e == 2 ? DIB_OK : DIB_E_BADARG) << e;
}
