// Pulling the wheel's cable under Wine's own DirectInput: its device node is
// removed while an effect plays, with the host polling or idle, alone or
// beside a second device; the bridge answers as unplug_steps.h says, nothing
// hangs, and once the node is back the wheel is listed (under a new GUID),
// opens, and a new effect reaches it.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

#include "driver/pid_usages.h"
#include "client/device_node.h"
#include "bridge_session.h"
#include "unplug_steps.h"

using namespace vwheel;

namespace {

std::string listed_guid(const Variant &variant)
{
    return json_member(enumerated_description(variant), "guid");
}

// The variant's GUID once dib_enumerate lists it again, or "".
std::string wait_until_listed(const Variant &variant, DWORD timeout_ms)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start <= timeout_ms; Sleep(100)) {
        std::string guid = listed_guid(variant);
        if (!guid.empty()) return guid;
    }
    return "";
}

// A playing constant force on the device's first axis; its start reached the device.
int32_t play_constant(int32_t device, DeviceSession &session)
{
    EffectParams params = {};
    params.constant_magnitude = 1500;
    EXPECT_EQ(dib_set_axis_map(device, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0), DIB_OK);
    session.take_reports();
    int32_t effect = dib_effect_create(device, DIB_EFFECT_CONSTANT, &params);
    EXPECT_GE(effect, 1) << last_error_text();
    EXPECT_EQ(dib_effect_start(effect, 1), DIB_OK) << last_error_text();
    auto started = of_collection(session.take_reports(), PU_EFFECT_OPERATION_REPORT);
    EXPECT_TRUE(!started.empty() && started.back().selected(PU_OP_EFFECT_START)) << describe(started);
    return effect;
}

// dib_poll back to back from a host thread, every outcome counted, until told to stop.
class HostPoller {
public:
    explicit HostPoller(int32_t device)
        : thread_([this, device] {
              while (!stop_) {
                  InputReport report;
                  int32_t result = dib_poll(device, &report);
                  outcomes_[std::to_string(result) + (result ? " " + last_error_text() : "")]++;
              }
          })
    {
    }
    std::map<std::string, int> finish()
    {
        stop_ = true;
        thread_.join();
        return outcomes_;
    }

private:
    std::atomic<bool> stop_{false};
    std::map<std::string, int> outcomes_;
    std::thread thread_;
};

struct UnplugCase {
    const char *name;
    bool host_polls;    // a thread polls the wheel while its node goes
    bool second_device; // the stick is open and playing too
};

class Unplug : public ::testing::TestWithParam<UnplugCase> {};

TEST_P(Unplug, WheelGoesAndComesBackUnderANewGuid)
{
    const UnplugCase c = GetParam();
    std::string why, guid;
    int32_t wheel = 0, effect = 0, stick = 0, stick_effect = 0;
    std::unique_ptr<DeviceSession> stick_session;
    {
        DeviceSession session(kWheel);
        ASSERT_TRUE(session.ready()) << session.problem();
        guid = session.guid();
        wheel = dib_open(guid.c_str());
        ASSERT_GE(wheel, 1) << last_error_text();
        effect = play_constant(wheel, session);
    }
    if (c.second_device) {
        stick_session.reset(new DeviceSession(kStick));
        ASSERT_TRUE(stick_session->ready()) << stick_session->problem();
        stick = dib_open(stick_session->guid().c_str());
        ASSERT_GE(stick, 1) << last_error_text();
        stick_effect = play_constant(stick, *stick_session);
    }

    std::unique_ptr<HostPoller> poller(c.host_polls ? new HostPoller(wheel) : nullptr);
    if (poller) Sleep(100);
    ASSERT_TRUE(unplug(kWheel, &why)) << why;
    if (poller) {
        // Every poll after the removal re-acquires and fails; one that met the
        // removal half way may have read once more or lost its second read.
        Sleep(300);
        for (const auto &outcome : poller->finish()) {
            const std::string &text = outcome.first;
            std::printf("polls during the unplug: %d x %s\n", outcome.second, text.c_str());
            EXPECT_TRUE(text == "0" || text == "-6 device input lost; reacquire failed (HRESULT 0x80040209)" ||
                        text == "-6 GetDeviceState failed (HRESULT 0x8007001E)")
                << text << " (" << outcome.second << " polls)";
        }
    }

    // Wine notices the removal on its own input thread: at most a moment later.
    InputReport report;
    for (DWORD start = GetTickCount(); dib_poll(wheel, &report) == DIB_OK && GetTickCount() - start < 5000;) Sleep(20);
    for (const unplugged::Step &step : unplugged::steps()) {
        int32_t got = unplugged::run(step, wheel, effect, guid);
        EXPECT_TRUE(unplugged::as_expected(step, got)) << step.name << " returned " << got << ": " << last_error_text();
        if (step.message && got < 0) {
            EXPECT_EQ(last_error_text(), step.message) << step.name;
        }
    }
    EXPECT_EQ(dib_ffb_axes(wheel), DIB_E_BADARG) << "the slot is free";
    EXPECT_EQ(listed_guid(kWheel), "") << "still listed after the unplug";

    if (c.second_device) {
        EXPECT_EQ(dib_poll(stick, &report), DIB_OK) << last_error_text();
        EXPECT_EQ(dib_effect_stop(stick_effect), DIB_OK);
        EXPECT_EQ(dib_effect_start(stick_effect, 1), DIB_OK) << last_error_text();
        auto started = of_collection(stick_session->take_reports(), PU_EFFECT_OPERATION_REPORT);
        EXPECT_TRUE(!started.empty() && started.back().selected(PU_OP_EFFECT_START)) << describe(started);
        EXPECT_EQ(dib_release(stick), DIB_OK);
    }

    ASSERT_TRUE(replug(kWheel, &why)) << why;
    const std::string again = wait_until_listed(kWheel, 15000);
    ASSERT_FALSE(again.empty()) << "not listed again within 15 s";
    // Wine gives the new node a new instance GUID: the host finds it by product.
    EXPECT_NE(again, guid);
    EXPECT_EQ(dib_open(guid.c_str()), DIB_E_FAILED);
    DeviceSession session(kWheel);
    ASSERT_TRUE(session.ready()) << session.problem();
    wheel = dib_open(again.c_str());
    ASSERT_GE(wheel, 1) << last_error_text();
    play_constant(wheel, session);
    EXPECT_EQ(dib_poll(wheel, &report), DIB_OK) << last_error_text();
    EXPECT_EQ(dib_release(wheel), DIB_OK);
}

INSTANTIATE_TEST_SUITE_P(Wine, Unplug,
                         ::testing::Values(UnplugCase{"HostPolling", true, false},
                                           UnplugCase{"NoCallInFlight", false, false},
                                           UnplugCase{"BesideAStick", true, true}),
                         [](const ::testing::TestParamInfo<UnplugCase> &info) { return info.param.name; });

// A host that keeps its handle and polls on: once the node is back under the
// same instance path, the old device object acquires it again, under Wine
// as under the simulator, though the list shows a new GUID.
TEST(UnplugKeepingTheHandle, PollRecoversOnceTheWheelIsBack)
{
    std::string why;
    DeviceSession session(kWheel);
    ASSERT_TRUE(session.ready()) << session.problem();
    int32_t wheel = dib_open(session.guid().c_str());
    ASSERT_GE(wheel, 1) << last_error_text();
    ASSERT_TRUE(unplug(kWheel, &why)) << why;
    InputReport report;
    for (DWORD start = GetTickCount(); dib_poll(wheel, &report) == DIB_OK && GetTickCount() - start < 5000;) Sleep(20);
    EXPECT_EQ(dib_poll(wheel, &report), DIB_E_INPUT);
    ASSERT_TRUE(replug(kWheel, &why)) << why;
    ASSERT_FALSE(wait_until_listed(kWheel, 15000).empty());
    EXPECT_EQ(dib_poll(wheel, &report), DIB_OK) << last_error_text();
    EXPECT_EQ(dib_release(wheel), DIB_OK);
}

} // namespace
