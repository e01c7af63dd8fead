#include <cstring>

#include "sim_fixture.h"

using namespace simtest;

// Every DirectInput call dib_open makes, failed in turn: the result, the
// message, a free slot and a released device object.
namespace {

struct OpenFault {
    const char* label;
    int method;
    DWORD nth;  // which call of that method during the open (1 = first)
    HRESULT hr;
    int32_t result;          // > 0: the open succeeds
    const char* message;     // exact last-error text after a failure
    int32_t autocenter;      // expected autocenter_state after a success
    int32_t ffb_axes;        // expected mask after a success
    bool listed;             // described (enumerate lists it while open)
};

const OpenFault kFaults[] = {
    {"CreateDevice", GSIM_M_DI_CREATEDEVICE, 1, static_cast<HRESULT>(0x80040154), DIB_E_FAILED,
     "CreateDevice failed (device unplugged?) (HRESULT 0x80040154)", 0, 0, false},
    {"CreateDevice without interface", GSIM_M_DI_CREATEDEVICE, 1, S_OK, DIB_E_FAILED,
     "CreateDevice failed (device unplugged?)", 0, 0, false},
    {"SetDataFormat", GSIM_M_DEV_SETDATAFORMAT, 1, E_INVALIDARG, DIB_E_FAILED,
     "SetDataFormat failed (HRESULT 0x80070057)", 0, 0, false},
    {"SetCooperativeLevel", GSIM_M_DEV_SETCOOPERATIVELEVEL, 1, E_HANDLE, DIB_E_FAILED,
     "SetCooperativeLevel failed (HRESULT 0x80070006)", 0, 0, false},
    {"first GetProperty", GSIM_M_DEV_GETPROPERTY, 1, DIERR_UNSUPPORTED, 1, nullptr, 1 | 8, 3, true},
    {"range EnumObjects", GSIM_M_DEV_ENUMOBJECTS, 1, E_FAIL, 1, nullptr, 15, 3, true},
    {"actuator EnumObjects", GSIM_M_DEV_ENUMOBJECTS, 2, E_FAIL, 1, nullptr, 15, 0, true},
    {"range SetProperty", GSIM_M_DEV_SETPROPERTY, 1, E_FAIL, 1, nullptr, 15, 3, true},
    {"GetDeviceInfo", GSIM_M_DEV_GETDEVICEINFO, 1, E_FAIL, 1, nullptr, 15, 3, false},
    {"GetCapabilities", GSIM_M_DEV_GETCAPABILITIES, 1, E_FAIL, 1, nullptr, 15, 3, false},
    {"first Acquire, other application", GSIM_M_DEV_ACQUIRE, 1, static_cast<HRESULT>(0x80070005),
     DIB_E_EXCLUSIVE,
     "Another application holds this device exclusively - close other FFB software and disable "
     "in-game force feedback (HRESULT 0x80070005)",
     0, 0, false},
    {"first Acquire", GSIM_M_DEV_ACQUIRE, 1, static_cast<HRESULT>(0x8007001E), DIB_E_FAILED,
     "Acquire failed (HRESULT 0x8007001E)", 0, 0, false},
    {"reset command", GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND, 1, E_FAIL, 1, nullptr, 15, 3, true},
    // Still acquired, the device refuses the auto-centre write; the open goes on.
    {"Unacquire", GSIM_M_DEV_UNACQUIRE, 1, E_FAIL, 1, nullptr, 2 | 4, 3, true},
    {"auto-centre SetProperty", GSIM_M_DEV_SETPROPERTY, 4, E_FAIL, 1, nullptr, 2 | 4, 3, true},
    {"second Acquire, other application", GSIM_M_DEV_ACQUIRE, 2, static_cast<HRESULT>(0x80070005),
     DIB_E_FAILED, "Acquire failed (HRESULT 0x80070005)", 0, 0, false},
    {"second Acquire", GSIM_M_DEV_ACQUIRE, 2, E_FAIL, DIB_E_FAILED, "Acquire failed (HRESULT 0x80004005)",
     0, 0, false},
    {"second GetProperty", GSIM_M_DEV_GETPROPERTY, 2, E_FAIL, 1, nullptr, 1 | 2 | 4, 3, true},
};

class OpenFaults : public SimTest, public ::testing::WithParamInterface<OpenFault> {
protected:
    void SetUp() override {
        SimTest::SetUp();
        gsim_reset(GSIM_RESET_EMPTY);
        GSIM_DEVICE_DESC d = plain_ff_device(1, "Wheel");
        gsim_device_add(&d);
    }
};

std::string enumerate() {
    char buffer[4096];
    const int32_t n = dib_enumerate(buffer, sizeof buffer);
    return n >= 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

}  // namespace

TEST_P(OpenFaults, OutcomeSlotAndReferences) {
    const OpenFault& f = GetParam();
    dib_ffb_axes(0);  // a known previous message
    ASSERT_GT(gsim_fail_nth(f.method, f.nth, f.hr), 0);
    const int32_t h = dib_open(guid_of(0).c_str());
    EXPECT_EQ(h, f.result) << last_error();
    EXPECT_EQ(gsim_fault_pending(), 0) << "the injected call was made";
    if (f.result < 0) {
        EXPECT_EQ(last_error(), f.message);
        EXPECT_EQ(dib_ffb_axes(1), DIB_E_BADARG) << "the slot stays free";
        EXPECT_EQ(gsim_live_devices(), 0) << "the device object was released once";
        EXPECT_EQ(calls_of(GSIM_M_DEV_RELEASE).size(), f.method == GSIM_M_DI_CREATEDEVICE ? 0u : 1u);
        EXPECT_EQ(enumerate().find("Wheel") != std::string::npos, true) << "listed afresh";
        EXPECT_EQ(open(0), 1) << "and the next open works";
    } else {
        EXPECT_EQ(last_error(), "bad device handle") << "a silent failure writes nothing";
        EXPECT_EQ(dib_autocenter_state(h), f.autocenter);
        EXPECT_EQ(dib_ffb_axes(h), f.ffb_axes);
        EXPECT_EQ(enumerate().find("Wheel") != std::string::npos, f.listed);
        EXPECT_EQ(gsim_live_devices(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCall, OpenFaults, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<OpenFault>& info) {
                             std::string name = info.param.label;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// Release and the axis query ignore every DirectInput failure they meet: the
// slot is freed all the same, and every object is released exactly once.
TEST_F(SimTest, ReleaseAndQueryIgnoreDirectInputFailures) {
    const int methods[] = {GSIM_M_EFF_STOP, GSIM_M_EFF_UNLOAD, GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND,
                           GSIM_M_DEV_UNACQUIRE, GSIM_M_DEV_SETPROPERTY};
    for (int method : methods) {
        const int32_t h = open(GSIM_BUILTIN_JOYSTICK);
        EffectParams p = no_params();
        ASSERT_EQ(dib_effect_create(h, DIB_EFFECT_CONSTANT, &p), 1);
        dib_ffb_axes(0);
        gsim_fail_next(method, E_FAIL, GSIM_FAULT_FOREVER);
        EXPECT_EQ(dib_release(h), DIB_OK) << gsim_method_name(method);
        gsim_fault_clear(0);
        EXPECT_EQ(last_error(), "bad device handle") << "release writes no message";
        EXPECT_EQ(dib_ffb_axes(h), DIB_E_BADARG);
        EXPECT_EQ(gsim_live_devices(), 0) << gsim_method_name(method);
        EXPECT_EQ(gsim_live_effects(), 0) << gsim_method_name(method);
    }

    // A failed object scan answers an empty mask, and the temporary device goes.
    gsim_fail_next(GSIM_M_DEV_ENUMOBJECTS, E_FAIL, 1);
    EXPECT_EQ(dib_query_ffb_axes(guid_of(GSIM_BUILTIN_JOYSTICK).c_str()), 0);
    EXPECT_EQ(dib_query_ffb_axes(guid_of(GSIM_BUILTIN_JOYSTICK).c_str()), 3);
    EXPECT_EQ(gsim_live_devices(), 0);
}
