// Fault rules: which call fails, how often, and what a failed call leaves.
#include "sim_support.h"

using namespace simtest;

namespace {

class Faults : public SimTest {};

TEST_F(Faults, NthAcquireFromNowFailsAlone) {
    IDirectInputDevice8A *dev = open_device(di_, 0, false);
    ASSERT_GT(gsim_fail_nth(GSIM_M_DEV_ACQUIRE, 2, DIERR_OTHERAPPHASPRIO), 0);
    EXPECT_EQ(dev->Acquire(), DI_OK);
    dev->Unacquire();
    EXPECT_EQ(dev->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(dev->Acquire(), DI_OK);
    EXPECT_EQ(gsim_fault_pending(), 0);
    auto acquires = calls_of(GSIM_M_DEV_ACQUIRE);
    ASSERT_EQ(acquires.size(), 3u);
    EXPECT_FALSE(acquires[0].injected);
    EXPECT_TRUE(acquires[1].injected);
    EXPECT_EQ(acquires[1].result, DIERR_OTHERAPPHASPRIO);
    dev->Release();
}

TEST_F(Faults, InputLostOnceThenRecovers) {
    IDirectInputDevice8A *dev = open_device(di_, 1);
    gsim_fail_next(GSIM_M_DEV_GETDEVICESTATE, DIERR_INPUTLOST, 1);
    DIJOYSTATE2 s;
    s.lX = 12345;
    EXPECT_EQ(dev->GetDeviceState(sizeof(s), &s), DIERR_INPUTLOST);
    EXPECT_EQ(s.lX, 12345) << "an injected failure writes nothing";
    EXPECT_EQ(dev->GetDeviceState(sizeof(s), &s), DI_OK);
    EXPECT_EQ(s.lX, 32767);
    dev->Release();
}

TEST_F(Faults, CreateEffectCanSucceedWithoutAnInterface) {
    IDirectInputDevice8A *dev = open_device(di_, 1);
    gsim_fail_next(GSIM_M_DEV_CREATEEFFECT, S_OK, 1);
    ConstantEffect c;
    IDirectInputEffect *e = reinterpret_cast<IDirectInputEffect *>(1);
    EXPECT_EQ(dev->CreateEffect(GUID_ConstantForce, &c.eff, &e, nullptr), S_OK);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(gsim_created_objects(GSIM_KIND_EFFECT), gsim_destroyed_objects(GSIM_KIND_EFFECT));
    dev->Release();
}

TEST_F(Faults, SetParametersRefusesOnceWhilePlaying) {
    IDirectInputDevice8A *dev = open_device(di_, 1);
    ConstantEffect c;
    IDirectInputEffect *e = nullptr;
    ASSERT_EQ(dev->CreateEffect(GUID_ConstantForce, &c.eff, &e, nullptr), DI_OK);
    ASSERT_EQ(e->Start(1, 0), DI_OK);
    gsim_fail_next(GSIM_M_EFF_SETPARAMETERS, HR(DIERR_EFFECTPLAYING), 1);
    c.force.lMagnitude = 1;
    const DWORD flags = DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART;
    EXPECT_EQ(e->SetParameters(&c.eff, flags), HR(DIERR_EFFECTPLAYING));
    EXPECT_EQ(e->SetParameters(&c.eff, DIEP_TYPESPECIFICPARAMS), DI_OK);
    auto sets = calls_of(GSIM_M_EFF_SETPARAMETERS);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].flags, flags);
    EXPECT_EQ(sets[1].flags & DIEP_NORESTART, 0u);
    e->Release();
    dev->Release();
}

TEST_F(Faults, RulesCanTargetOneDeviceAndDirectInput8Create) {
    IDirectInputDevice8A *wheel = open_device(di_, 0);
    IDirectInputDevice8A *stick = open_device(di_, 1);
    GSIM_FAULT f{sizeof(GSIM_FAULT), GSIM_M_DEV_POLL, DIERR_INPUTLOST, 0, GSIM_FAULT_FOREVER, 1, 0};
    int id = gsim_fault_add(&f);
    ASSERT_GT(id, 0);
    EXPECT_EQ(wheel->Poll(), DI_OK);
    EXPECT_EQ(stick->Poll(), DIERR_INPUTLOST);
    EXPECT_EQ(stick->Poll(), DIERR_INPUTLOST);
    EXPECT_EQ(gsim_fault_pending(), 1);
    gsim_fault_clear(id);
    EXPECT_EQ(stick->Poll(), DI_OK);

    gsim_fail_next(GSIM_M_DIRECTINPUT8CREATE, E_OUTOFMEMORY, 1);
    void *out = reinterpret_cast<void *>(1);
    EXPECT_EQ(DirectInput8Create(GetModuleHandleA(nullptr), 0x0800, IID_IDirectInput8A, &out, nullptr),
              E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    stick->Release();
    wheel->Release();
}

TEST_F(Faults, AfterWorkFaultDoesTheCallThenOverridesItsResult) {
    IDirectInputDevice8A *dev = open_device(di_, 0);
    GSIM_FAULT f{sizeof(GSIM_FAULT), GSIM_M_DEV_UNACQUIRE, DIERR_GENERIC, 0, 1, -1, GSIM_FAULT_AFTER_WORK};
    ASSERT_GT(gsim_fault_add(&f), 0);
    EXPECT_EQ(dev->Unacquire(), DIERR_GENERIC);
    EXPECT_EQ(dev->Acquire(), DI_OK) << "the device was unacquired nonetheless";
    dev->Release();
}

TEST_F(Faults, RejectsRulesThatCannotFire) {
    EXPECT_EQ(gsim_fail_next(GSIM_M_DEV_RELEASE, E_FAIL, 1), GSIM_E_ARG);
    EXPECT_EQ(gsim_fail_next(GSIM_M_COUNT, E_FAIL, 1), GSIM_E_ARG);
    EXPECT_EQ(gsim_fail_next(GSIM_M_DEV_POLL, E_FAIL, 0), GSIM_E_ARG);
    EXPECT_EQ(gsim_fail_nth(GSIM_M_DEV_POLL, 0, E_FAIL), GSIM_E_ARG);
    EXPECT_EQ(gsim_fault_pending(), 0);
}

TEST(MethodNames, RoundTripAndShortNames) {
    for (int m = GSIM_M_NONE + 1; m < GSIM_M_COUNT; m++) {
        const char *name = gsim_method_name(m);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(gsim_method_from_name(name), m) << name;
    }
    EXPECT_EQ(gsim_method_from_name("Acquire"), GSIM_M_DEV_ACQUIRE);
    EXPECT_EQ(gsim_method_from_name("SetParameters"), GSIM_M_EFF_SETPARAMETERS);
    EXPECT_EQ(gsim_method_from_name("Release"), GSIM_M_NONE) << "ambiguous without the interface";
    EXPECT_EQ(gsim_method_name(GSIM_M_COUNT), nullptr);
}

}  // namespace
