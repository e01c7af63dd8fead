// The call log: order, and arguments copied at call time.
#include "sim_support.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace simtest;

namespace {

class CallLog : public SimTest {};

TEST_F(CallLog, EffectDescriptionsAreCopiedDeeplyAtCallTime) {
    IDirectInputDevice8A *dev = open_device(di_, 1);
    DICONDITION cond[2] = {{10, 20, 30, 40, 50, 60}, {-1, -2, -3, 4, 5, 6}};
    ConstantEffect c(2);
    c.eff.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    c.directions[0] = 9000;
    c.eff.dwSamplePeriod = 1000;
    c.eff.dwTriggerButton = DIJOFS_BUTTON(2);
    c.eff.dwStartDelay = 5;
    c.eff.lpEnvelope = nullptr;
    c.eff.cbTypeSpecificParams = sizeof(cond);
    c.eff.lpvTypeSpecificParams = cond;
    IDirectInputEffect *e = nullptr;
    ASSERT_EQ(dev->CreateEffect(GUID_Spring, &c.eff, &e, nullptr), DI_OK);
    // The caller's memory changes afterwards; the log must not.
    cond[1].lOffset = 999;
    c.directions[0] = 0;

    GSIM_CALL create = last_call(GSIM_M_DEV_CREATEEFFECT);
    EXPECT_TRUE(IsEqualGUID(create.guid, GUID_Spring));
    EXPECT_NE(create.effect, 0u);
    ASSERT_TRUE(create.has_params);
    const GSIM_EFFECT_PARAMS &p = create.params;
    EXPECT_EQ(p.dwSize, sizeof(DIEFFECT));
    EXPECT_EQ(p.dwFlags, static_cast<DWORD>(DIEFF_POLAR | DIEFF_OBJECTOFFSETS));
    EXPECT_EQ(p.cAxes, 2u);
    EXPECT_EQ(p.axes[0], static_cast<DWORD>(DIJOFS_X));
    EXPECT_EQ(p.directions[0], 9000);
    EXPECT_EQ(p.dwSamplePeriod, 1000u);
    EXPECT_EQ(p.dwTriggerButton, static_cast<DWORD>(DIJOFS_BUTTON(2)));
    EXPECT_EQ(p.dwStartDelay, 5u);
    EXPECT_TRUE(p.envelope_read);
    EXPECT_FALSE(p.has_envelope);
    EXPECT_TRUE(p.has_type_specific);
    EXPECT_EQ(p.cbTypeSpecificParams, sizeof(cond));
    DICONDITION logged[2];
    std::memcpy(logged, p.type_specific, sizeof(logged));
    EXPECT_EQ(logged[1].lOffset, -1);
    EXPECT_EQ(logged[0].dwNegativeSaturation, 50u);

    DIENVELOPE env{sizeof(DIENVELOPE), 1, 2, 3, 4};
    c.eff.lpEnvelope = &env;
    c.eff.dwGain = 1234;
    ASSERT_EQ(e->SetParameters(&c.eff, DIEP_GAIN | DIEP_ENVELOPE | DIEP_NORESTART), DI_OK);
    GSIM_CALL set = last_call(GSIM_M_EFF_SETPARAMETERS);
    EXPECT_EQ(set.flags, static_cast<DWORD>(DIEP_GAIN | DIEP_ENVELOPE | DIEP_NORESTART));
    EXPECT_EQ(set.effect, create.effect);
    EXPECT_EQ(set.params.dwGain, 1234u);
    EXPECT_TRUE(set.params.has_envelope);
    EXPECT_EQ(set.params.envelope.dwFadeTime, 4u);
    EXPECT_FALSE(set.params.has_type_specific) << "fields the flags do not name are not read";
    EXPECT_FALSE(set.params.has_directions);
    EXPECT_EQ(set.params.dwSamplePeriod, 0u);
    e->Release();
    dev->Release();
}

TEST_F(CallLog, RecordsLevelsFormatsPropertiesAndStarts) {
    IDirectInputDevice8A *dev = open_device(di_, 0);
    GSIM_CALL coop = last_call(GSIM_M_DEV_SETCOOPERATIVELEVEL);
    EXPECT_EQ(coop.hwnd, test_window());
    EXPECT_EQ(coop.flags, static_cast<DWORD>(DISCL_EXCLUSIVE | DISCL_BACKGROUND));
    EXPECT_EQ(coop.device, 0);
    GSIM_CALL fmt = last_call(GSIM_M_DEV_SETDATAFORMAT);
    EXPECT_EQ(fmt.format_ptr, &c_dfDIJoystick2);
    EXPECT_TRUE(fmt.format_is_joystick2);
    EXPECT_EQ(fmt.format_data_size, sizeof(DIJOYSTATE2));

    dev->Unacquire();
    DIDATAFORMAT copy = c_dfDIJoystick2;
    ASSERT_EQ(dev->SetDataFormat(&copy), DI_OK);
    EXPECT_TRUE(last_call(GSIM_M_DEV_SETDATAFORMAT).format_is_joystick2) << "an identical copy counts";
    ASSERT_EQ(dev->SetDataFormat(&c_dfDIJoystick), DI_OK);
    EXPECT_FALSE(last_call(GSIM_M_DEV_SETDATAFORMAT).format_is_joystick2);

    DIPROPDWORD p{};
    p.diph.dwSize = sizeof(p);
    p.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    p.diph.dwHow = DIPH_DEVICE;
    p.dwData = DIPROPAUTOCENTER_OFF;
    ASSERT_EQ(dev->SetProperty(DIPROP_AUTOCENTER, &p.diph), DI_OK);
    GSIM_CALL prop = last_call(GSIM_M_DEV_SETPROPERTY);
    EXPECT_EQ(prop.property, 9u);
    EXPECT_EQ(prop.prop_header.dwSize, sizeof(DIPROPDWORD));
    EXPECT_EQ(prop.prop_header.dwHow, static_cast<DWORD>(DIPH_DEVICE));
    EXPECT_EQ(prop.prop_data_size, 4u);
    DWORD value;
    std::memcpy(&value, prop.prop_data, 4);
    EXPECT_EQ(value, static_cast<DWORD>(DIPROPAUTOCENTER_OFF));
    ASSERT_EQ(dev->GetProperty(DIPROP_AUTOCENTER, &p.diph), DI_OK);
    EXPECT_EQ(last_call(GSIM_M_DEV_GETPROPERTY).result, DI_OK);

    ASSERT_EQ(dev->SetDataFormat(&c_dfDIJoystick2), DI_OK);
    ASSERT_EQ(dev->Acquire(), DI_OK);
    ConstantEffect c;
    IDirectInputEffect *e = nullptr;
    ASSERT_EQ(dev->CreateEffect(GUID_ConstantForce, &c.eff, &e, nullptr), DI_OK);
    ASSERT_EQ(e->Start(INFINITE, DIES_SOLO), DI_OK);
    GSIM_CALL start = last_call(GSIM_M_EFF_START);
    EXPECT_EQ(start.iterations, INFINITE);
    EXPECT_EQ(start.flags, static_cast<DWORD>(DIES_SOLO));
    e->Release();
    dev->Release();
}

TEST_F(CallLog, KeepsCallOrderAndCanBeFilteredClearedOrPaused) {
    IDirectInputDevice8A *dev = open_device(di_, 2);
    const int expected[] = {GSIM_M_DI_CREATEDEVICE, GSIM_M_DEV_SETDATAFORMAT, GSIM_M_DEV_SETCOOPERATIVELEVEL,
                            GSIM_M_DEV_ACQUIRE};
    ASSERT_EQ(gsim_log_count(), 4);
    for (int i = 0; i < 4; i++) {
        GSIM_CALL c;
        ASSERT_EQ(gsim_log_get(i, &c), GSIM_OK);
        EXPECT_EQ(c.method, expected[i]) << i;
        EXPECT_EQ(c.seq, static_cast<DWORD>(i + 1));
        EXPECT_EQ(c.thread_id, GetCurrentThreadId());
    }
    EXPECT_EQ(gsim_log_find(GSIM_M_DEV_ACQUIRE, 0), 3);
    EXPECT_EQ(gsim_log_find(GSIM_M_DEV_ACQUIRE, 1), -1);
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DEV_SETDATAFORMAT), 1);
    GSIM_CALL c;
    EXPECT_EQ(gsim_log_get(4, &c), GSIM_E_ARG);

    gsim_log_clear();
    gsim_log_enable(FALSE);
    dev->Poll();
    EXPECT_EQ(gsim_log_count(), 0);
    gsim_log_enable(TRUE);
    dev->Poll();
    ASSERT_EQ(gsim_log_count(), 1);
    gsim_log_get(0, &c);
    EXPECT_EQ(c.seq, 1u);
    dev->Release();
}

TEST_F(CallLog, EnumerationCallbacksMayCallBackIn) {
    // A program that opens devices from inside its EnumDevices callback.
    struct Ctx {
        IDirectInput8A *di;
        int opened;
    } ctx{di_, 0};
    auto cb = [](LPCDIDEVICEINSTANCEA inst, LPVOID p) CALLBACK -> BOOL {
        auto *c = static_cast<Ctx *>(p);
        IDirectInputDevice8A *dev = nullptr;
        if (c->di->CreateDevice(inst->guidInstance, &dev, nullptr) == DI_OK) {
            c->opened++;
            dev->Release();
        }
        return DIENUM_CONTINUE;
    };
    ASSERT_EQ(di_->EnumDevices(DI8DEVCLASS_GAMECTRL, cb, &ctx, DIEDFL_ATTACHEDONLY), DI_OK);
    EXPECT_EQ(ctx.opened, 3);
    GSIM_CALL first;
    gsim_log_get(0, &first);
    EXPECT_EQ(first.method, GSIM_M_DI_ENUMDEVICES) << "logged when it starts";
    EXPECT_EQ(first.result, DI_OK) << "completed when it ends";
    EXPECT_EQ(first.flags, static_cast<DWORD>(DIEDFL_ATTACHEDONLY));
}

}  // namespace

namespace {

std::string read_file(const std::string &path) {
    std::string text;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

TEST_F(CallLog, TraceWritesOneReadableLinePerCall) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + "gsim_trace.txt";
    ASSERT_EQ(gsim_trace_to(path.c_str()), GSIM_OK);
    IDirectInputDevice8A *dev = open_device(di_, 1);
    ConstantEffect c;
    IDirectInputEffect *e = nullptr;
    ASSERT_EQ(dev->CreateEffect(GUID_ConstantForce, &c.eff, &e, nullptr), DI_OK);
    e->Release();
    dev->Release();
    ASSERT_EQ(gsim_trace_to(nullptr), GSIM_OK);
    EXPECT_EQ(gsim_trace_to("Z:\\no\\such\\dir\\trace.txt"), GSIM_E_ARG);

    std::string text = read_file(path);
    int lines = 0;
    for (char ch : text) lines += ch == '\n';
    EXPECT_EQ(lines, gsim_log_count());
    EXPECT_NE(text.find("IDirectInputDevice8A::SetCooperativeLevel"), std::string::npos) << text;
    EXPECT_NE(text.find("(c_dfDIJoystick2) -> 0x00000000"), std::string::npos) << text;
    // The constant force's magnitude, 5000, as the block's bytes.
    EXPECT_NE(text.find("Constant Force"), std::string::npos) << text;
    EXPECT_NE(text.find("envelope={attack 100/200 fade 300/400} specific(4)=88130000}"), std::string::npos) << text;
    EXPECT_NE(text.find("IDirectInputEffect::Release object="), std::string::npos) << text;
}

}  // namespace
