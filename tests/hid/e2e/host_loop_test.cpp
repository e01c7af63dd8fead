// The bridge inside a host's message loop, against Wine's own DirectInput:
// a window procedure that releases the device while dib_poll pumps, a hidden
// window that died with its thread or was closed, and a window procedure
// that calls the library back while another call waits inside DirectInput.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "bridge_session.h"

using namespace vwheel;

namespace {

constexpr UINT kReleaseDevice = WM_APP + 1;
constexpr UINT kCallLockingExport = WM_APP + 2;
constexpr char kReentrant[] = "re-entrant call from a window procedure during another gantrel call";

std::atomic<int> waited_for_lock{0}, refused_reentry{0}, unexpected{0};

LRESULT CALLBACK host_procedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
    if (message == kReleaseDevice) return dib_release(static_cast<int32_t>(w));
    if (message == kCallLockingExport) {
        // Effect handle 0 is never valid: -2 once the lock was had, -1 when refused.
        const int32_t result = dib_effect_stop(0);
        if (result == DIB_E_BADARG) ++waited_for_lock;
        else if (result == DIB_E_FAILED && last_error_text() == kReentrant) ++refused_reentry;
        else ++unexpected;
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

HWND host_window()
{
    WNDCLASSA host = {};
    host.lpfnWndProc = host_procedure;
    host.hInstance = GetModuleHandleA(nullptr);
    host.lpszClassName = "GantrelTestHost";
    RegisterClassA(&host);
    return CreateWindowExA(0, "GantrelTestHost", "", 0, 0, 0, 1, 1, nullptr, nullptr, host.hInstance, nullptr);
}

HWND hidden_window() { return FindWindowA("Oskavi_DIB_Window", "Gantrel"); }

} // namespace

TEST(HostLoop, ReleaseByTheWindowProcedureDuringThePumpEndsThePoll)
{
    DeviceSession wheel(kWheel);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();
    const HWND host = host_window();
    ASSERT_NE(host, nullptr);
    const int32_t device = dib_open(wheel.guid().c_str());
    ASSERT_GE(device, 1) << last_error_text();

    std::thread([&] { SendNotifyMessageA(host, kReleaseDevice, device, 0); }).join();
    InputReport report;
    std::memset(&report, 0x3C, sizeof report);
    EXPECT_EQ(dib_poll(device, &report), DIB_E_BADARG);
    EXPECT_EQ(report.button_mask, 0x3C3C3C3C3C3C3C3Cull) << "report untouched";
    EXPECT_EQ(dib_release(device), DIB_E_BADARG) << "released once, by the handler";
    const int32_t again = dib_open(wheel.guid().c_str());
    EXPECT_GE(again, 1) << "the device was given back: " << last_error_text();
    EXPECT_EQ(dib_release(again), DIB_OK);
    DestroyWindow(host);
}

// Wine, like Windows, refuses a dead window in SetCooperativeLevel.
TEST(HostLoop, OpenAfterTheHiddenWindowDiedWithItsThreadOrWasClosed)
{
    DeviceSession wheel(kWheel), stick(kStick);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();
    ASSERT_TRUE(stick.ready()) << stick.problem();
    const int32_t kept = dib_open(stick.guid().c_str());
    ASSERT_GE(kept, 1) << last_error_text();

    SendMessageA(hidden_window(), WM_CLOSE, 0, 0);
    ASSERT_EQ(hidden_window(), nullptr);
    int32_t device = dib_open(wheel.guid().c_str());
    ASSERT_GE(device, 1) << "after WM_CLOSE: " << last_error_text();
    EXPECT_EQ(dib_release(device), DIB_OK);

    SendMessageA(hidden_window(), WM_CLOSE, 0, 0);
    std::thread([&] { device = dib_open(wheel.guid().c_str()); }).join();
    ASSERT_GE(device, 1) << last_error_text();
    EXPECT_EQ(hidden_window(), nullptr) << "gone with its thread";
    EXPECT_EQ(dib_release(device), DIB_OK);
    device = dib_open(wheel.guid().c_str());
    EXPECT_GE(device, 1) << "after the window's thread ended: " << last_error_text();
    EXPECT_EQ(dib_release(device), DIB_OK);
    EXPECT_EQ(dib_release(kept), DIB_OK) << "opened before, still open";
}

// Another thread sends the host's window messages while the host opens and
// releases a device: Wine 10 runs the window procedure inside Acquire or
// Unacquire, where a locking call used to wait for its own thread forever.
TEST(HostLoop, WindowProcedureCallingBackDuringOpenAndReleaseNeverHangs)
{
    DeviceSession wheel(kWheel);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();
    const HWND host = host_window();
    ASSERT_NE(host, nullptr);
    waited_for_lock = refused_reentry = unexpected = 0;
    std::atomic<bool> stop{false}, stopped{false};
    std::thread sender([&] {
        DWORD_PTR ignored;
        while (!stop) SendMessageTimeoutA(host, kCallLockingExport, 0, 0, SMTO_NORMAL, 1000, &ignored);
        stopped = true;
    });
    MSG message;
    int cycles = 0;
    for (const DWORD end = GetTickCount() + 3000; GetTickCount() < end; ++cycles) {
        const int32_t device = dib_open(wheel.guid().c_str());
        ASSERT_GE(device, 1) << last_error_text();
        EXPECT_EQ(dib_release(device), DIB_OK);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    stop = true;
    while (!stopped)  // the sender may wait for this thread to take its message
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    sender.join();
    DestroyWindow(host);
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_GT(waited_for_lock.load() + refused_reentry.load(), 0) << "the window procedure ran";
    std::printf("%d open/release cycles; window procedure: %d calls had the lock, %d refused as re-entrant\n",
                cycles, waited_for_lock.load(), refused_reentry.load());
}
