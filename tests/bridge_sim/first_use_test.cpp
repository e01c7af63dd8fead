#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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

std::string first_device_guid() {
    GSIM_DEVICE_DESC d = {};
    d.size = sizeof d;
    gsim_device_get(0, &d);
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
    const std::string guid = first_device_guid();

    gsim_fail_next(GSIM_M_DIRECTINPUT8CREATE, E_OUTOFMEMORY, 2);
    EXPECT_EQ(dib_open(guid.c_str()), DIB_E_FAILED);
    EXPECT_EQ(last_error(), "DirectInput8Create failed (HRESULT 0x8007000E)");
    EXPECT_EQ(FindWindowA("Oskavi_DIB_Window", nullptr), nullptr) << "no window without DirectInput";
    char list[4096];
    EXPECT_EQ(dib_enumerate(list, sizeof list), DIB_E_FAILED) << "the next call tries again";
    EXPECT_EQ(last_error(), "DirectInput8Create failed (HRESULT 0x8007000E)");
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DIRECTINPUT8CREATE), 2);

    WNDCLASSA trap = {};
    trap.lpfnWndProc = refuse_creation;
    trap.hInstance = GetModuleHandleA(nullptr);
    trap.lpszClassName = "Oskavi_DIB_Window";
    ASSERT_TRUE(RegisterClassA(&trap));
    EXPECT_EQ(dib_open(guid.c_str()), DIB_E_FAILED);
    EXPECT_EQ(last_error(), "hidden window creation failed");
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DI_CREATEDEVICE), 0) << "refused before the GUID is used";
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DIRECTINPUT8CREATE), 3) << "DirectInput now exists";

    ASSERT_TRUE(UnregisterClassA("Oskavi_DIB_Window", GetModuleHandleA(nullptr)));
    const int32_t h = dib_open(guid.c_str());
    EXPECT_EQ(h, 1) << last_error();
    EXPECT_NE(FindWindowA("Oskavi_DIB_Window", "Gantrel"), nullptr);
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DIRECTINPUT8CREATE), 3) << "one instance, kept";
    EXPECT_EQ(dib_release(h), DIB_OK);
    EXPECT_EQ(gsim_live_devices(), 0);
    EXPECT_EQ(gsim_live_dinputs(), 1) << "the instance lives as long as the library";
}
