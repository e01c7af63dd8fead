// The bridge inside a host's message loop, against Wine's own DirectInput:
// a window procedure that releases the device while dib_poll pumps, a hidden
// window that died with its thread or was closed, and a window procedure
// that calls the library back while another call waits inside DirectInput,
// on a locking export or on the very device being opened and released.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

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

namespace {

constexpr UINT kWorkDevice = WM_APP + 3;

// What the host loop below is working on, for its window procedure (both run
// on the host's thread).
struct Worked {
    DeviceSession *wheel = nullptr;
    int32_t device = 0, effect = 0;
    int releasing = 0;                // dib_release calls under way
    std::vector<PidReport> received;  // by the wheel, while releases are under way
    unsigned turn = 0, calls_in_release = 0, polls_in_release = 0, polls_in_release_ok = 0;
    unsigned releases = 0, releases_unacquired = 0;
    std::vector<std::string> unexpected;
} worked;

bool reentry_refused(int32_t result)
{
    return result == DIB_E_FAILED && last_error_text() == kReentrant;
}

void note(const std::string &what)
{
    if (worked.unexpected.size() < 20) worked.unexpected.push_back(what);
}

void note(const char *call, int32_t result)
{
    note(std::string(call) + " returned " + std::to_string(result) + ": " + last_error_text());
}

void collect()
{
    std::vector<PidReport> reports = worked.wheel->take_reports();
    worked.received.insert(worked.received.end(), reports.begin(), reports.end());
}

// A release and what reached the wheel meanwhile: the reset while acquired
// (followed by a stop-all under Wine 10, whose reset does that while
// auto-centre is off), then the unacquire's reset, and nothing that acquires
// it again. Wine keeps DIPROP_AUTOCENTER in the device object and sends the
// device nothing when it is written, and Wine 10 refuses to write it while
// the object is acquired: a wheel left unacquired by the release is what
// shows that the setting was written back.
int32_t checked_release(int32_t device)
{
    collect();
    const size_t from = worked.received.size();
    ++worked.releasing;
    const int32_t result = dib_release(device);
    --worked.releasing;
    if (result == DIB_OK) {
        ++worked.releases;
        collect();
        const std::string words = controls({worked.received.begin() + long(from), worked.received.end()});
        if (words == (wine10_or_later() ? "reset stopall gain reset" : "reset gain reset"))
            ++worked.releases_unacquired;
        else
            note("release of " + std::to_string(device) + " reached the wheel as \"" + words + "\"");
    }
    if (!worked.releasing) worked.received.clear();
    return result;
}

// The exports a handler may call on the device being worked, in turn.
void work_device()
{
    const int32_t device = worked.device, effect = worked.effect;
    InputReport report;
    EffectParams params = sample_params(false);
    int32_t result = 0;
    worked.calls_in_release += worked.releasing > 0;
    // Every other call polls: the poll inside a release is the case that
    // took the device back.
    if (worked.turn++ % 2 == 0) {
        result = dib_poll(device, &report);
        if (worked.releasing) {
            ++worked.polls_in_release;
            if (result == DIB_OK) ++worked.polls_in_release_ok;
        } else if (result != DIB_OK && result != DIB_E_BADARG) {
            note("dib_poll", result);
        }
        return;
    }
    switch (worked.turn / 2 % 7) {
    case 0:
        result = dib_effect_update(effect, &params);
        break;
    case 1:
        result = dib_effect_start(effect, 1);
        break;
    case 2:
        result = dib_effect_stop(effect);
        break;
    case 3:
        result = dib_autocenter_state(device);
        if (result != DIB_E_BADARG && (result < 0 || result > 15)) note("dib_autocenter_state", result);
        return;
    case 4:
        result = dib_ffb_axes(device);
        if (result != DIB_E_BADARG && result != 1) note("dib_ffb_axes", result);
        return;
    case 5:
        result = dib_query_ffb_axes(worked.wheel->guid().c_str());
        if (result != 1) note("dib_query_ffb_axes", result);
        return;
    case 6:
        result = checked_release(device);
        if (result != DIB_OK && result != DIB_E_BADARG && !reentry_refused(result)) note("dib_release", result);
        return;
    }
    if (result != DIB_OK && result != DIB_E_BADARG && !reentry_refused(result)) note("an effect call", result);
}

LRESULT CALLBACK working_procedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
    if (message == kWorkDevice) {
        work_device();
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

} // namespace

// Another thread keeps sending the host's window messages while the host
// opens, plays, polls and releases the wheel; its window procedure calls the
// exports on the device being worked, in turn. Wine 10 runs it inside
// Acquire, Unacquire and the last Release: a poll from there must not take
// the device back behind a release, and every release must leave the wheel
// unacquired.
TEST(HostLoop, WindowProcedureWorkingTheDeviceDuringOpenPlayPollRelease)
{
    DeviceSession wheel(kWheel);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();
    WNDCLASSA host_class = {};
    host_class.lpfnWndProc = working_procedure;
    host_class.hInstance = GetModuleHandleA(nullptr);
    host_class.lpszClassName = "GantrelTestWorkingHost";
    RegisterClassA(&host_class);
    const HWND host = CreateWindowExA(0, host_class.lpszClassName, "", 0, 0, 0, 1, 1, nullptr, nullptr,
                                      host_class.hInstance, nullptr);
    ASSERT_NE(host, nullptr);
    worked = Worked();
    worked.wheel = &wheel;

    std::atomic<bool> stop{false}, stopped{false};
    std::thread sender([&] {
        DWORD_PTR ignored;
        while (!stop) SendMessageTimeoutA(host, kWorkDevice, 0, 0, SMTO_NORMAL, 1000, &ignored);
        stopped = true;
    });
    MSG message;
    auto pump = [&] {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    };
    const EffectParams params = sample_params(false);
    int cycles = 0;
    for (const DWORD end = GetTickCount() + 4000; GetTickCount() < end; ++cycles) {
        worked.effect = 0;
        worked.device = dib_open(wheel.guid().c_str());
        if (worked.device < 1) {
            ADD_FAILURE() << "dib_open: " << last_error_text();
            break;
        }
        EXPECT_EQ(dib_set_axis_map(worked.device, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0), DIB_OK);
        worked.effect = dib_effect_create(worked.device, DIB_EFFECT_SINE, &params);
        dib_effect_start(worked.effect, 1);
        for (int i = 0; i < 3; ++i) {
            InputReport report;
            const int32_t polled = dib_poll(worked.device, &report);
            if (polled != DIB_OK && polled != DIB_E_BADARG) note("the host's dib_poll", polled);
            pump();
        }
        const int32_t released = checked_release(worked.device);
        EXPECT_TRUE(released == DIB_OK || released == DIB_E_BADARG) << released << ": " << last_error_text();
        pump();
    }
    stop = true;
    while (!stopped) pump();  // the sender may wait for this thread to take its message
    sender.join();
    DestroyWindow(host);

    for (const std::string &u : worked.unexpected) ADD_FAILURE() << u;
    EXPECT_EQ(worked.polls_in_release_ok, 0u) << "of " << worked.polls_in_release << " polls inside a release";
    EXPECT_EQ(worked.releases_unacquired, worked.releases) << "releases that left the wheel unacquired";
    EXPECT_EQ(worked.releases, unsigned(cycles)) << "one release of each device opened";
    std::printf("%d cycles; window procedure: %u calls, %u inside a release, of which %u polls (%u returned 0)\n",
                cycles, worked.turn, worked.calls_in_release, worked.polls_in_release, worked.polls_in_release_ok);
}
