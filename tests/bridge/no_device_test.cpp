#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gantrel.h"

// Runs against Wine's own DirectInput, which lists no devices here.
namespace {

const char kNoSuchDevice[] = "{12345678-9ABC-DEF0-1234-56789ABCDEF0}";

std::string last_error() {
    char buffer[512];
    dib_last_error(buffer, sizeof buffer);
    return buffer;
}

HWND hidden_window() { return FindWindowA("Oskavi_DIB_Window", "Gantrel"); }

}  // namespace

// One test, because the DirectInput instance and the window are created once
// per process and the order of first uses is what is being checked.
TEST(NoDevice, FirstUseCreatesInstanceThenWindowOnlyForOpen) {
    ASSERT_EQ(hidden_window(), nullptr);
    EXPECT_EQ(dib_open(nullptr), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "null guid");
    EXPECT_EQ(hidden_window(), nullptr) << "a null GUID is refused before anything is created";

    char list[16];
    std::memset(list, 'x', sizeof list);
    ASSERT_EQ(dib_enumerate(list, 4), 2);
    EXPECT_STREQ(list, "[]");
    EXPECT_EQ(hidden_window(), nullptr) << "enumeration creates no window";

    EXPECT_EQ(dib_open("not a guid"), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "malformed guid string");
    const HWND window = hidden_window();
    ASSERT_NE(window, nullptr) << "the window exists once an open got past DirectInput";

    char title[32] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Gantrel");
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD, 0);
    EXPECT_EQ(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)),
              GetModuleHandleA(nullptr))
        << "registered for the host executable, not the DLL";
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    EXPECT_EQ(pid, GetCurrentProcessId());
    WNDCLASSA window_class = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "Oskavi_DIB_Window", &window_class));
    EXPECT_EQ(window_class.style, 0u);
    EXPECT_EQ(window_class.cbClsExtra, 0);
    EXPECT_EQ(window_class.cbWndExtra, 0);

    EXPECT_EQ(dib_open(kNoSuchDevice), DIB_E_FAILED);
    EXPECT_EQ(last_error(), "CreateDevice failed (device unplugged?) (HRESULT 0x80040154)");
    EXPECT_EQ(hidden_window(), window) << "no second window";
    EXPECT_EQ(dib_ffb_axes(1), DIB_E_BADARG) << "a failed open takes no slot";
}

TEST(NoDevice, EnumerateBufferRules) {
    char list[8];
    std::memset(list, 'x', sizeof list);
    EXPECT_EQ(dib_enumerate(nullptr, 100), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "bad buffer");
    for (int32_t capacity : {3, 0, -1, INT32_MIN}) {
        dib_ffb_axes(0);  // replace the message so each refusal is seen anew
        EXPECT_EQ(dib_enumerate(list, capacity), DIB_E_BADARG) << capacity;
        EXPECT_EQ(last_error(), "bad buffer");
    }
    EXPECT_EQ(list[0], 'x') << "refusals leave the buffer untouched";
    EXPECT_EQ(dib_enumerate(list, 8), 2);
    EXPECT_STREQ(list, "[]");
}

TEST(NoDevice, QueryOfAnAbsentDevice) {
    EXPECT_EQ(dib_query_ffb_axes(nullptr), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "bad GUID string");
    EXPECT_EQ(dib_query_ffb_axes("{1234}"), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "bad GUID string");
    EXPECT_EQ(dib_query_ffb_axes(kNoSuchDevice), DIB_E_INPUT);
    EXPECT_EQ(last_error(), "CreateDevice failed (HRESULT 0x80040154)");
}

TEST(NoDevice, InvalidHandlesEverywhere) {
    dib_ffb_axes(0);
    const std::string before = last_error();
    InputReport report;
    std::memset(&report, 0x77, sizeof report);
    for (int32_t h : {0, 1, 8, 9, -1, INT32_MAX}) {
        // Silent refusals: no message.
        EXPECT_EQ(dib_release(h), DIB_E_BADARG);
        EXPECT_EQ(dib_device_reset(h), DIB_E_BADARG);
        EXPECT_EQ(dib_autocenter_state(h), DIB_E_BADARG);
        EXPECT_EQ(dib_poll(h, &report), DIB_E_BADARG);
        EXPECT_EQ(dib_effect_stop(h), DIB_E_BADARG);
        EXPECT_EQ(dib_effect_destroy(h), DIB_E_BADARG);
        EXPECT_EQ(last_error(), before) << h;
    }
    EXPECT_EQ(report.axis0, 0x7777) << "a refused poll leaves the report alone";
    for (int32_t h : {0, 1, 64, 65, -1}) {
        dib_ffb_axes(0);
        EXPECT_EQ(dib_effect_start(h, 1), DIB_E_BADARG);
        EXPECT_EQ(last_error(), "bad effect handle");
        dib_ffb_axes(0);
        EXPECT_EQ(dib_effect_update(h, nullptr), DIB_E_BADARG);
        EXPECT_EQ(last_error(), "bad effect handle");
    }
    EffectParams params = {};
    EXPECT_EQ(dib_effect_create(1, 2, &params), DIB_E_BADARG) << "the handle is reported first";
    EXPECT_EQ(last_error(), "bad device handle");
    EXPECT_EQ(dib_set_axis_map(3, -1, -1, 0, 0), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "bad device handle");
    EXPECT_EQ(dib_ffb_axes(9), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "bad device handle");
}
