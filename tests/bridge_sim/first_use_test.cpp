#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "gantrel.h"
#include "gantrel_sim.h"

// A process of its own: the DirectInput instance and the hidden window are
// created once per process, so their failures can only be seen at first use.
namespace {

std::string last_error() {
    char buffer[512];
    dib_last_error(buffer, sizeof buffer);
    return buffer;
}

std::string device_guid(int index = 0) {
    GSIM_DEVICE_DESC d = {};
    d.size = sizeof d;
    gsim_device_get(index, &d);
    const GUID& g = d.instance_guid;
    char text[64];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

// A class of the same name, registered first, whose windows refuse creation.
LRESULT CALLBACK refuse_creation(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) return FALSE;
    return DefWindowProcA(window, message, w, l);
}

}  // namespace

TEST(FirstUse, CreationFailuresAreReportedAndRetried) {
    ASSERT_GE(gsim_reset(GSIM_RESET_BUILTIN), 1);
    const std::string guid = device_guid();

    char list[4096];
    gsim_fail_next(GSIM_M_DIRECTINPUT8CREATE, S_OK, 1);
    EXPECT_EQ(dib_enumerate(list, sizeof list), DIB_E_FAILED) << "a success without an interface";
    EXPECT_EQ(last_error(), "DirectInput8Create failed");

    gsim_fail_next(GSIM_M_DIRECTINPUT8CREATE, E_OUTOFMEMORY, 2);
    EXPECT_EQ(dib_open(guid.c_str()), DIB_E_FAILED);
    EXPECT_EQ(last_error(), "DirectInput8Create failed (HRESULT 0x8007000E)");
    EXPECT_EQ(FindWindowA("Oskavi_DIB_Window", nullptr), nullptr) << "no window without DirectInput";
    EXPECT_EQ(dib_enumerate(list, sizeof list), DIB_E_FAILED) << "the next call tries again";
    EXPECT_EQ(last_error(), "DirectInput8Create failed (HRESULT 0x8007000E)");
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DIRECTINPUT8CREATE), 3);

    WNDCLASSA trap = {};
    trap.lpfnWndProc = refuse_creation;
    trap.hInstance = GetModuleHandleA(nullptr);
    trap.lpszClassName = "Oskavi_DIB_Window";
    ASSERT_TRUE(RegisterClassA(&trap));
    EXPECT_EQ(dib_open(guid.c_str()), DIB_E_FAILED);
    EXPECT_EQ(last_error(), "hidden window creation failed");
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DI_CREATEDEVICE), 0) << "refused before the GUID is used";
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DIRECTINPUT8CREATE), 4) << "DirectInput now exists";

    ASSERT_TRUE(UnregisterClassA("Oskavi_DIB_Window", GetModuleHandleA(nullptr)));
    const int32_t h = dib_open(guid.c_str());
    EXPECT_EQ(h, 1) << last_error();
    EXPECT_NE(FindWindowA("Oskavi_DIB_Window", "Gantrel"), nullptr);
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DIRECTINPUT8CREATE), 4) << "one instance, kept";
    EXPECT_EQ(dib_release(h), DIB_OK);
    EXPECT_EQ(gsim_live_devices(), 0);
    EXPECT_EQ(gsim_live_dinputs(), 1) << "the instance lives as long as the library";
}

// The hidden window dies with the thread that made it, or when anything
// closes it. The next open makes a new one on its own thread; devices
// opened before keep working.
TEST(FirstUse, DeadHiddenWindowIsReplaced) {
    const std::string wheel = device_guid(0), stick = device_guid(1);
    const int32_t kept = dib_open(wheel.c_str());
    ASSERT_EQ(kept, 1) << last_error();
    const auto hidden_window = [] { return FindWindowA("Oskavi_DIB_Window", "Gantrel"); };

    SendMessageA(hidden_window(), WM_CLOSE, 0, 0);
    ASSERT_EQ(hidden_window(), nullptr) << "closed";
    int32_t h = dib_open(stick.c_str());
    EXPECT_EQ(h, 2) << last_error();
    EXPECT_NE(hidden_window(), nullptr);
    EXPECT_EQ(dib_release(h), DIB_OK);

    SendMessageA(hidden_window(), WM_CLOSE, 0, 0);
    std::thread([&] { h = dib_open(stick.c_str()); }).join();
    EXPECT_EQ(h, 2) << "first open on a thread that then ends";
    EXPECT_EQ(hidden_window(), nullptr) << "gone with its thread";
    EXPECT_EQ(dib_release(h), DIB_OK);
    gsim_log_clear();
    h = dib_open(stick.c_str());
    EXPECT_EQ(h, 2) << last_error();
    ASSERT_EQ(gsim_log_count_method(GSIM_M_DEV_SETCOOPERATIVELEVEL), 1);
    GSIM_CALL level;
    gsim_log_get(gsim_log_find(GSIM_M_DEV_SETCOOPERATIVELEVEL, 0), &level);
    EXPECT_EQ(level.hwnd, hidden_window()) << "bound to the new window";

    InputReport report;
    EXPECT_EQ(dib_poll(kept, &report), DIB_OK) << "opened before the window died";
    EXPECT_EQ(dib_release(kept), DIB_OK);
    EXPECT_EQ(dib_release(h), DIB_OK);
    EXPECT_EQ(gsim_live_devices(), 0);
}
