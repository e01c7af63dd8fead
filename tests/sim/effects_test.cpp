// Effects: creation and download, parameters, play state, the device's
// effect pool, and what reset, unload and release do to them.
#include "sim_support.h"

#include <cstring>
#include <map>

using namespace simtest;

namespace {

class Effects : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        dev_ = open_device(di_, 1);  // the joystick: X and Y actuators
        ASSERT_NE(dev_, nullptr);
    }
    void TearDown() override {
        if (dev_) dev_->Release();
        SimTest::TearDown();
    }
    // The simulator's view of an effect this fixture created.
    GSIM_EFFECT_INFO info(IDirectInputEffect *e) {
        GSIM_EFFECT_INFO i{};
        i.size = sizeof(i);
        EXPECT_EQ(gsim_effect_info(ids_[e], &i), GSIM_OK);
        return i;
    }
    IDirectInputEffect *create(ConstantEffect &c, const GUID &type = GUID_ConstantForce) {
        IDirectInputEffect *e = nullptr;
        EXPECT_EQ(dev_->CreateEffect(type, &c.eff, &e, nullptr), DI_OK);
        if (e) ids_[e] = last_call(GSIM_M_DEV_CREATEEFFECT).created;
        return e;
    }
    std::map<IDirectInputEffect *, DWORD> ids_;
    IDirectInputDevice8A *dev_ = nullptr;
};

TEST_F(Effects, CreatedWhileExclusiveIsDownloadedAndKeepsItsParameters) {
    ConstantEffect c(2);
    IDirectInputEffect *e = create(c);
    ASSERT_NE(e, nullptr);
    GSIM_EFFECT_INFO i = info(e);
    EXPECT_TRUE(i.downloaded);
    EXPECT_FALSE(i.playing);
    EXPECT_EQ(i.params.cAxes, 2u);
    EXPECT_EQ(i.params.axes[1], static_cast<DWORD>(DIJOFS_Y));
    EXPECT_TRUE(i.params.has_envelope);
    EXPECT_EQ(i.params.envelope.dwFadeTime, 400u);
    LONG magnitude;
    std::memcpy(&magnitude, i.params.type_specific, sizeof(magnitude));
    EXPECT_EQ(magnitude, 5000);

    DWORD status = 7;
    EXPECT_EQ(e->GetEffectStatus(&status), DI_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(e->Start(3, 0), DI_OK);
    EXPECT_EQ(e->GetEffectStatus(&status), DI_OK);
    EXPECT_EQ(status, static_cast<DWORD>(DIEGES_PLAYING));
    i = info(e);
    EXPECT_EQ(i.start_count, 1u);
    EXPECT_EQ(i.last_iterations, 3u);
    EXPECT_EQ(e->Stop(), DI_OK);
    EXPECT_FALSE(info(e).playing);
    e->Release();
}

TEST_F(Effects, NotExclusivelyAcquiredSkipsTheDownload) {
    dev_->Unacquire();
    ConstantEffect c;
    IDirectInputEffect *e = create(c);
    EXPECT_FALSE(info(e).downloaded);
    EXPECT_EQ(e->Start(1, 0), HR(DIERR_NOTEXCLUSIVEACQUIRED));
    EXPECT_EQ(e->SetParameters(&c.eff, DIEP_GAIN), DI_DOWNLOADSKIPPED);
    ASSERT_EQ(dev_->Acquire(), DI_OK);
    EXPECT_EQ(e->Start(1, DIES_NODOWNLOAD), HR(DIERR_NOTDOWNLOADED));
    EXPECT_EQ(e->Start(1, 0), DI_OK) << "Start downloads first";
    EXPECT_TRUE(info(e).downloaded);
    e->Release();
}

TEST_F(Effects, PoolRefusesWhenFullAndUnloadFreesASlot) {
    GSIM_DEVICE_DESC d;
    gsim_device_get(1, &d);
    d.effect_capacity = 2;
    gsim_device_set(1, &d);
    ConstantEffect c;
    IDirectInputEffect *a = create(c), *b = create(c);
    IDirectInputEffect *third = reinterpret_cast<IDirectInputEffect *>(1);
    EXPECT_EQ(dev_->CreateEffect(GUID_ConstantForce, &c.eff, &third, nullptr), HR(DIERR_DEVICEFULL));
    EXPECT_EQ(third, nullptr);
    EXPECT_EQ(gsim_live_effects(), 2) << "the refused effect is not left alive";
    EXPECT_EQ(a->Unload(), DI_OK);
    EXPECT_EQ(a->Unload(), DI_NOEFFECT);
    ASSERT_EQ(dev_->CreateEffect(GUID_ConstantForce, &c.eff, &third, nullptr), DI_OK);
    EXPECT_EQ(a->Download(), HR(DIERR_DEVICEFULL));
    third->Release();  // the last reference unloads, freeing the slot
    EXPECT_EQ(a->Download(), DI_OK);
    a->Release();
    b->Release();
}

TEST_F(Effects, ResetUnloadsEveryEffectOfTheDevice) {
    ConstantEffect c;
    IDirectInputEffect *e = create(c);
    ASSERT_EQ(e->Start(1, 0), DI_OK);
    ASSERT_EQ(dev_->SendForceFeedbackCommand(DISFFC_RESET), DI_OK);
    GSIM_EFFECT_INFO i = info(e);
    EXPECT_FALSE(i.downloaded);
    EXPECT_FALSE(i.playing);
    DWORD status;
    EXPECT_EQ(e->GetEffectStatus(&status), HR(DIERR_NOTDOWNLOADED));
    DWORD ff = 0;
    ASSERT_EQ(dev_->GetForceFeedbackState(&ff), DI_OK);
    EXPECT_TRUE(ff & DIGFFS_EMPTY);
    EXPECT_TRUE(ff & DIGFFS_STOPPED);
    EXPECT_EQ(dev_->SendForceFeedbackCommand(0x1234), DIERR_INVALIDPARAM);
    dev_->Unacquire();
    EXPECT_EQ(dev_->SendForceFeedbackCommand(DISFFC_RESET), HR(DIERR_NOTEXCLUSIVEACQUIRED));
    e->Release();
}

TEST_F(Effects, CreateChecksTheEffectAndItsDescription) {
    ConstantEffect c;
    IDirectInputEffect *e = nullptr;
    GSIM_DEVICE_DESC d;
    gsim_device_get(1, &d);
    d.num_effects = 1;  // constant force only
    gsim_device_set(1, &d);
    EXPECT_EQ(dev_->CreateEffect(GUID_Sine, &c.eff, &e, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(dev_->CreateEffect(GUID_ConstantForce, &c.eff, nullptr, nullptr), E_POINTER);

    ConstantEffect bad_size;
    bad_size.eff.dwSize = 60;
    EXPECT_EQ(dev_->CreateEffect(GUID_ConstantForce, &bad_size.eff, &e, nullptr), DIERR_INVALIDPARAM);
    ConstantEffect bad_block;
    bad_block.eff.cbTypeSpecificParams = sizeof(DIPERIODIC);
    EXPECT_EQ(dev_->CreateEffect(GUID_ConstantForce, &bad_block.eff, &e, nullptr), DIERR_INVALIDPARAM);
    ConstantEffect too_many(2);
    too_many.eff.cAxes = 3;
    EXPECT_EQ(dev_->CreateEffect(GUID_ConstantForce, &too_many.eff, &e, nullptr), DIERR_INVALIDPARAM);
    ConstantEffect polar(1);
    polar.eff.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    EXPECT_EQ(dev_->CreateEffect(GUID_ConstantForce, &polar.eff, &e, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(gsim_live_effects(), 0);

    ConstantEffect dx5;
    dx5.eff.dwSize = sizeof(DIEFFECT_DX5);
    ASSERT_EQ(dev_->CreateEffect(GUID_ConstantForce, &dx5.eff, &e, nullptr), DI_OK);
    EXPECT_EQ(e->SetParameters(&dx5.eff, DIEP_STARTDELAY), DIERR_INVALIDPARAM);
    e->Release();

    IDirectInputDevice8A *pad = open_device(di_, 2);
    EXPECT_EQ(pad->CreateEffect(GUID_ConstantForce, &c.eff, &e, nullptr), DIERR_UNSUPPORTED);
    pad->Release();
}

TEST_F(Effects, ConditionBlockIsOnePerAxisOrOneForAll) {
    DICONDITION cond[2] = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    ConstantEffect c(2);
    c.eff.lpEnvelope = nullptr;
    c.eff.lpvTypeSpecificParams = cond;
    IDirectInputEffect *e = nullptr;
    for (DWORD size : {DWORD(sizeof(DICONDITION)), DWORD(2 * sizeof(DICONDITION))}) {
        c.eff.cbTypeSpecificParams = size;
        ASSERT_EQ(dev_->CreateEffect(GUID_Spring, &c.eff, &e, nullptr), DI_OK);
        e->Release();
    }
    c.eff.cbTypeSpecificParams = 3 * sizeof(DICONDITION);
    EXPECT_EQ(dev_->CreateEffect(GUID_Spring, &c.eff, &e, nullptr), DIERR_INVALIDPARAM);
}

TEST_F(Effects, AxesAreSetOnceAndDirectionsMustMatchThem) {
    ConstantEffect c(2);
    IDirectInputEffect *e = create(c);
    EXPECT_EQ(e->SetParameters(&c.eff, DIEP_AXES), DIERR_ALREADYINITIALIZED);
    c.eff.cAxes = 1;
    EXPECT_EQ(e->SetParameters(&c.eff, DIEP_DIRECTION), DIERR_INVALIDPARAM);
    c.eff.cAxes = 2;
    c.directions[0] = -7;
    EXPECT_EQ(e->SetParameters(&c.eff, DIEP_DIRECTION), DI_OK);
    EXPECT_EQ(info(e).params.directions[0], -7);
    e->Release();
}

TEST_F(Effects, NoRestartIsRefusedOnlyWhereTheDeviceNeedsARestart) {
    ConstantEffect c;
    IDirectInputEffect *e = create(c);
    ASSERT_EQ(e->Start(1, 0), DI_OK);
    c.force.lMagnitude = -100;
    EXPECT_EQ(e->SetParameters(&c.eff, DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART), DI_OK)
        << "a healthy device updates a playing effect on the fly";

    GSIM_DEVICE_DESC d;
    gsim_device_get(1, &d);
    d.restart_needed_flags = DIEP_DIRECTION;
    gsim_device_set(1, &d);
    c.directions[0] = -1;
    EXPECT_EQ(e->SetParameters(&c.eff, DIEP_DIRECTION | DIEP_NORESTART), HR(DIERR_EFFECTPLAYING));
    EXPECT_EQ(info(e).params.directions[0], 1) << "a refused update changes nothing";
    EXPECT_EQ(e->SetParameters(&c.eff, DIEP_GAIN | DIEP_NORESTART), DI_OK);
    EXPECT_EQ(e->SetParameters(&c.eff, DIEP_DIRECTION), DI_EFFECTRESTARTED);
    GSIM_EFFECT_INFO i = info(e);
    EXPECT_EQ(i.restart_count, 1u);
    EXPECT_TRUE(i.playing);
    e->Release();
}

TEST_F(Effects, StartFlagStartsAndEnvelopeCanBeRemoved) {
    ConstantEffect c;
    IDirectInputEffect *e = create(c);
    c.eff.lpEnvelope = nullptr;
    ASSERT_EQ(e->SetParameters(&c.eff, DIEP_ENVELOPE | DIEP_START), DI_OK);
    GSIM_EFFECT_INFO i = info(e);
    EXPECT_TRUE(i.playing);
    EXPECT_EQ(i.start_count, 1u);
    EXPECT_FALSE(i.params.has_envelope);
    e->Release();
}

TEST_F(Effects, GetParametersReturnsWhatWasSet) {
    ConstantEffect c(2);
    c.eff.dwDuration = 1500;
    c.eff.dwStartDelay = 20;
    IDirectInputEffect *e = create(c);
    DWORD axes[2] = {};
    LONG dirs[2] = {};
    DICONSTANTFORCE force{};
    DIENVELOPE env{sizeof(DIENVELOPE), 0, 0, 0, 0};
    DIEFFECT out{};
    out.dwSize = sizeof(out);
    out.dwFlags = DIEFF_OBJECTIDS | DIEFF_CARTESIAN;
    out.cAxes = 1;
    out.rgdwAxes = axes;
    out.rglDirection = dirs;
    out.lpEnvelope = &env;
    out.cbTypeSpecificParams = sizeof(force);
    out.lpvTypeSpecificParams = &force;
    EXPECT_EQ(e->GetParameters(&out, DIEP_AXES), HR(DIERR_MOREDATA));
    EXPECT_EQ(out.cAxes, 2u);
    ASSERT_EQ(e->GetParameters(&out, DIEP_ALLPARAMS), DI_OK);
    EXPECT_EQ(out.dwDuration, 1500u);
    EXPECT_EQ(out.dwStartDelay, 20u);
    EXPECT_TRUE(axes[0] & DIDFT_FFACTUATOR) << "axes come back as object ids when asked";
    EXPECT_EQ(dirs[0], 1);
    EXPECT_EQ(force.lMagnitude, 5000);
    EXPECT_EQ(env.dwAttackLevel, 100u);
    GUID guid;
    ASSERT_EQ(e->GetEffectGuid(&guid), DI_OK);
    EXPECT_TRUE(IsEqualGUID(guid, GUID_ConstantForce));
    e->Release();
}

TEST_F(Effects, ReleasingTheDeviceUnloadsButKeepsEffectsAlive) {
    ConstantEffect c;
    IDirectInputEffect *e = create(c);
    ASSERT_EQ(e->Start(1, 0), DI_OK);
    dev_->Release();
    dev_ = nullptr;
    EXPECT_EQ(gsim_live_devices(), 0);
    GSIM_EFFECT_INFO i = info(e);
    EXPECT_TRUE(i.alive);
    EXPECT_FALSE(i.downloaded);
    EXPECT_EQ(e->Start(1, 0), HR(DIERR_NOTEXCLUSIVEACQUIRED));
    GSIM_DEVICE_STATUS st{};
    st.size = sizeof(st);
    gsim_device_status(1, &st);
    EXPECT_EQ(st.downloaded_effects, 0);
    e->Release();
}

}  // namespace
