#include <cstring>
#include <thread>

#include "../hid/e2e/unplug_steps.h"
#include "sim_fixture.h"

using namespace simtest;

namespace {

// With the logical range 0..65535 and the bridge's -4096..4096, these raw
// values read back exactly.
constexpr LONG kRawMin = 0, kRawMid = 32768, kRawMax = 65535;

class Poll : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        gsim_reset(GSIM_RESET_EMPTY);
        GSIM_DEVICE_DESC d = plain_ff_device(1, "Stick");
        d.num_objects = 0;
        const GUID* types[8] = {&GUID_XAxis,  &GUID_YAxis,  &GUID_ZAxis,  &GUID_RxAxis,
                                &GUID_RyAxis, &GUID_RzAxis, &GUID_Slider, &GUID_Slider};
        for (DWORD i = 0; i < 8; ++i) add_axis(d, *types[i], i * 4, i, i < 2);
        d.num_buttons = 128;
        d.num_povs = 4;
        for (int i = 0; i < 8; ++i) (&d.state.lX)[i] = kRawMid;
        d.state.rglSlider[0] = d.state.rglSlider[1] = kRawMid;
        gsim_device_add(&d);
        handle_ = open(0);
    }
    InputReport poll_ok() {
        InputReport r;
        std::memset(&r, 0xA5, sizeof r);
        EXPECT_EQ(dib_poll(handle_, &r), DIB_OK) << last_error();
        return r;
    }
    int32_t handle_ = 0;
};

}  // namespace

TEST_F(Poll, ReadsAxesButtonsAndHatsOnTheBridgeScale) {
    gsim_device_set_axis(0, DIJOFS_X, kRawMax);
    gsim_device_set_axis(0, DIJOFS_Y, kRawMin);
    gsim_device_set_axis(0, DIJOFS_RZ, kRawMax);
    gsim_device_set_axis(0, DIJOFS_SLIDER(1), kRawMin);
    gsim_device_set_button(0, 0, TRUE);
    gsim_device_set_button(0, 63, TRUE);
    gsim_device_set_button(0, 64, TRUE);
    gsim_device_set_pov(0, 0, 9000);
    gsim_device_set_pov(0, 2, 2250);
    gsim_log_clear();
    const InputReport r = poll_ok();
    EXPECT_EQ(r.axis0, 4096);
    EXPECT_EQ(r.axis1, -4096);
    EXPECT_EQ(r.z, 0);
    EXPECT_EQ(r.rz, 4096);
    EXPECT_EQ(r.slider0, 0);
    EXPECT_EQ(r.slider1, -4096);
    EXPECT_EQ(r.button_mask, 1ull | (1ull << 63));
    EXPECT_EQ(r.pov_codes, 0xF1F2);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&r);
    for (int i = 26; i < 32; ++i) EXPECT_EQ(bytes[i], 0xA5) << "byte " << i << " is the host's";
    EXPECT_EQ(device_call_names(), (std::vector<std::string>{"Poll", "GetDeviceState"}));
    EXPECT_EQ(calls_of(GSIM_M_DEV_GETDEVICESTATE).at(0).size, 272u);
}

TEST_F(Poll, AxisMapChoosesAndFlipsTheMappedAxes) {
    gsim_device_set_axis(0, DIJOFS_X, kRawMax);
    gsim_device_set_axis(0, DIJOFS_Z, kRawMin);
    EXPECT_EQ(poll_ok().axis0, 4096) << "X by default";
    ASSERT_EQ(dib_set_axis_map(handle_, -1, 1, 0, 0), DIB_OK);
    InputReport r = poll_ok();
    EXPECT_EQ(r.axis0, 0);
    EXPECT_EQ(r.axis1, 0);
    ASSERT_EQ(dib_set_axis_map(handle_, 2, 2, 7, -1), DIB_OK);  // any non-zero flag flips
    r = poll_ok();
    EXPECT_EQ(r.axis0, 4096);
    EXPECT_EQ(r.axis1, 4096);
    EXPECT_EQ(r.z, -4096) << "the own field is never flipped";
    ASSERT_EQ(dib_set_axis_map(handle_, 0, 2, 1, 0), DIB_OK);
    r = poll_ok();
    EXPECT_EQ(r.axis0, -4096);
    EXPECT_EQ(r.axis1, -4096);
}

TEST_F(Poll, AxisMapRefusesBadCodesAndKeepsTheMap) {
    ASSERT_EQ(dib_set_axis_map(handle_, 2, 0, 0, 0), DIB_OK);
    gsim_device_set_axis(0, DIJOFS_Z, kRawMax);
    const int32_t bad[][2] = {{-1, -1}, {8, 0}, {0, 8}, {-2, 1}, {INT32_MIN, 0}};
    for (const auto& codes : bad) {
        EXPECT_EQ(dib_set_axis_map(handle_, codes[0], codes[1], 1, 1), DIB_E_BADARG);
        EXPECT_EQ(last_error(), "axis code out of range");
    }
    EXPECT_EQ(poll_ok().axis0, 4096) << "still Z, unflipped";
    EXPECT_EQ(dib_set_axis_map(9, 0, 1, 0, 0), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "bad device handle");
}

TEST_F(Poll, ReacquiresOnceAfterInputLoss) {
    gsim_device_set_axis(0, DIJOFS_X, kRawMax);
    gsim_fail_next(GSIM_M_DEV_GETDEVICESTATE, DIERR_INPUTLOST, 1);
    gsim_log_clear();
    EXPECT_EQ(poll_ok().axis0, 4096) << "fresh data from the second read";
    EXPECT_EQ(device_call_names(),
              (std::vector<std::string>{"Poll", "GetDeviceState", "Acquire", "GetDeviceState"}));

    gsim_fail_next(GSIM_M_DEV_GETDEVICESTATE, DIERR_NOTACQUIRED, 1);
    EXPECT_EQ(poll_ok().axis0, 4096);
}

TEST_F(Poll, FailedReacquireReportsAndRetriesNextTime) {
    InputReport r;
    std::memset(&r, 0x3C, sizeof r);
    gsim_fail_next(GSIM_M_DEV_GETDEVICESTATE, DIERR_INPUTLOST, 2);
    gsim_fail_next(GSIM_M_DEV_ACQUIRE, DIERR_OTHERAPPHASPRIO, 1);
    EXPECT_EQ(dib_poll(handle_, &r), DIB_E_INPUT);
    EXPECT_EQ(last_error(), "device input lost; reacquire failed (HRESULT 0x80070005)");
    EXPECT_EQ(r.axis0, 0x3C3C) << "report untouched";
    gsim_log_clear();
    EXPECT_EQ(dib_poll(handle_, &r), DIB_OK) << "the next poll acquires again";
    EXPECT_EQ(device_call_names(),
              (std::vector<std::string>{"Poll", "GetDeviceState", "Acquire", "GetDeviceState"}));
}

TEST_F(Poll, OtherReadFailuresCarryTheirCode) {
    InputReport r;
    std::memset(&r, 0x3C, sizeof r);
    gsim_fail_next(GSIM_M_DEV_GETDEVICESTATE, E_FAIL, 1);
    EXPECT_EQ(dib_poll(handle_, &r), DIB_E_INPUT);
    EXPECT_EQ(last_error(), "GetDeviceState failed (HRESULT 0x80004005)");
    gsim_fail_next(GSIM_M_DEV_GETDEVICESTATE, DIERR_INPUTLOST, 2);
    EXPECT_EQ(dib_poll(handle_, &r), DIB_E_INPUT);
    EXPECT_EQ(last_error(), "GetDeviceState failed (HRESULT 0x8007001E)") << "second read lost again";
    gsim_fail_next(GSIM_M_DEV_POLL, E_FAIL, 1);
    EXPECT_EQ(dib_poll(handle_, &r), DIB_OK) << "Poll's own result does not matter";
    EXPECT_EQ(r.axis1, 0);
}

// Call by call what Wine's own DirectInput answers after an unplug (the HID
// suite runs the same table against it), with a second device untouched;
// replugged, the device opens again and plays. Unlike Wine, the simulator
// keeps the GUID, as Windows does.
TEST_F(Poll, UnplugAnswersAsWinesDirectInputAndReplugOpensAgain) {
    GSIM_DEVICE_DESC wheel = plain_ff_device(2, "Wheel");
    gsim_device_add(&wheel);
    const int32_t second = open(1);
    EffectParams p = no_params();
    p.constant_magnitude = 1000;
    const int32_t effect = dib_effect_create(handle_, DIB_EFFECT_CONSTANT, &p);
    const int32_t other = dib_effect_create(second, DIB_EFFECT_CONSTANT, &p);
    ASSERT_EQ(dib_effect_start(effect, 1), DIB_OK);
    ASSERT_EQ(dib_effect_start(other, 1), DIB_OK);
    const std::string guid = guid_of(0);
    const auto listed = [&] {
        char list[4096] = "";
        dib_enumerate(list, sizeof list);
        return std::strstr(list, guid.c_str()) != nullptr;
    };

    gsim_device_unplug(0);
    InputReport r;
    std::memset(&r, 0x3C, sizeof r);
    for (const unplugged::Step& step : unplugged::steps()) {
        const int32_t got = step.call == unplugged::Call::kPoll ? dib_poll(handle_, &r)
                                                               : unplugged::run(step, handle_, effect, guid);
        EXPECT_TRUE(unplugged::as_expected(step, got)) << step.name << " returned " << got << ": " << last_error();
        if (step.message && got < 0) EXPECT_EQ(last_error(), step.message) << step.name;
    }
    EXPECT_EQ(r.button_mask, 0x3C3C3C3C3C3C3C3Cull) << "a failed poll leaves the report alone";
    EXPECT_EQ(dib_ffb_axes(handle_), DIB_E_BADARG);
    EXPECT_FALSE(listed());
    EXPECT_EQ(dib_poll(second, &r), DIB_OK);
    EXPECT_EQ(dib_effect_start(other, 1), DIB_OK);

    gsim_device_replug(0);
    EXPECT_TRUE(listed());
    handle_ = dib_open(guid.c_str());
    ASSERT_GE(handle_, 1) << last_error();
    ASSERT_EQ(dib_effect_start(dib_effect_create(handle_, DIB_EFFECT_CONSTANT, &p), 1), DIB_OK) << last_error();
    GSIM_DEVICE_STATUS status{};
    status.size = sizeof status;
    gsim_device_status(0, &status);
    EXPECT_EQ(status.playing_effects, 1);
}

TEST_F(Poll, RefusalsAreSilentAndPumpNothing) {
    const HWND window = FindWindowA("Oskavi_DIB_Window", "Gantrel");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PostMessageA(window, WM_USER + 7, 0, 0));
    dib_ffb_axes(0);
    InputReport r;
    EXPECT_EQ(dib_poll(handle_, nullptr), DIB_E_BADARG);
    EXPECT_EQ(dib_poll(9, &r), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "bad device handle");
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, window, 0, 0, PM_NOREMOVE)) << "still queued";
    poll_ok();
    EXPECT_FALSE(PeekMessageA(&message, window, 0, 0, PM_NOREMOVE)) << "a valid poll drains it";
}

namespace {

// A host's window whose procedure releases the device named in wParam, as a
// host may do on WM_DEVICECHANGE.
constexpr UINT kReleaseDevice = WM_APP + 1;

LRESULT CALLBACK releasing_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == kReleaseDevice) return dib_release(static_cast<int32_t>(w));
    return DefWindowProcA(window, message, w, l);
}

HWND releasing_host_window() {
    WNDCLASSA host = {};
    host.lpfnWndProc = releasing_procedure;
    host.hInstance = GetModuleHandleA(nullptr);
    host.lpszClassName = "ReleasingHost";
    RegisterClassA(&host);  // already registered by an earlier test: fine
    return CreateWindowExA(0, "ReleasingHost", "", 0, 0, 0, 1, 1, nullptr, nullptr, host.hInstance, nullptr);
}

}  // namespace

// The host's procedure runs inside dib_poll: from the pump (a message sent
// by another thread) or inside a DirectInput call (re-acquiring, say). When
// it releases the device, the poll ends as for an invalid handle, touching
// nothing after the call, and the handler's release is the only one: the
// device goes when the poll returns.
TEST_F(Poll, ReleaseByTheHostsWindowProcedureEndsThePoll) {
    const HWND host = releasing_host_window();
    ASSERT_NE(host, nullptr);
    static HWND hooked_host;
    hooked_host = host;
    for (const int inside : {GSIM_M_NONE, GSIM_M_DEV_ACQUIRE, GSIM_M_DEV_POLL, GSIM_M_DEV_GETDEVICESTATE}) {
        SCOPED_TRACE(inside == GSIM_M_NONE ? "from the pump" : gsim_method_name(inside));
        if (inside != GSIM_M_NONE) {
            handle_ = open(0);
            if (inside == GSIM_M_DEV_ACQUIRE) gsim_fail_next(GSIM_M_DEV_GETDEVICESTATE, DIERR_INPUTLOST, 1);
            gsim_set_call_hook(
                inside,
                [](int, void* handle) CALLBACK {
                    SendMessageA(hooked_host, kReleaseDevice, reinterpret_cast<WPARAM>(handle), 0);
                },
                reinterpret_cast<void*>(static_cast<intptr_t>(handle_)));
        } else {
            std::thread([&] { SendNotifyMessageA(host, kReleaseDevice, handle_, 0); }).join();
        }
        dib_ffb_axes(0);
        InputReport r;
        std::memset(&r, 0x3C, sizeof r);
        EXPECT_EQ(dib_poll(handle_, &r), DIB_E_BADARG);
        gsim_set_call_hook(GSIM_M_NONE, nullptr, nullptr);
        EXPECT_EQ(last_error(), "bad device handle") << "no message of its own";
        EXPECT_EQ(r.button_mask, 0x3C3C3C3C3C3C3C3Cull) << "report untouched";
        EXPECT_EQ(gsim_live_devices(), 0) << "released by the handler";
        EXPECT_EQ(gsim_dead_calls(), 0) << "never called after its release";
        GSIM_DEVICE_STATUS status{};
        status.size = sizeof status;
        gsim_device_status(0, &status);
        EXPECT_EQ(status.acquired, 0) << "not taken back behind the release";
        EXPECT_EQ(status.autocenter, DWORD(DIPROPAUTOCENTER_ON));
        EXPECT_EQ(dib_poll(handle_, &r), DIB_E_BADARG);
    }
    DestroyWindow(host);
}
