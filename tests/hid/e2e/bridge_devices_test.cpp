// The bridge's device and input exports against Wine's DirectInput and the
// virtual devices: what dib_enumerate reports, what dib_open, dib_device_reset
// and dib_release send to the device, and what dib_poll reads back.
#include <gtest/gtest.h>

#include "driver/pid_usages.h"
#include "bridge_session.h"

using namespace vwheel;

namespace {

struct Listing {
    const Variant *variant;
    const char *ff_axes, *buttons, *povs, *effects;
};

const char kAllTen[] =
    "[\"constant\",\"square\",\"sine\",\"triangle\",\"sawtoothup\",\"sawtoothdown\",\"spring\",\"damper\","
    "\"inertia\",\"friction\"]";

class Listed : public ::testing::TestWithParam<Listing> {};

TEST_P(Listed, EnumerateDescribesTheDeviceAsWineReportsIt)
{
    const Listing &expect = GetParam();
    std::string description = enumerated_description(*expect.variant);
    ASSERT_FALSE(description.empty()) << "device missing from dib_enumerate";
    EXPECT_EQ(json_member(description, "name"), expect.variant->product);
    EXPECT_EQ(json_member(description, "vid"), std::to_string(expect.variant->vendor_id));
    EXPECT_EQ(json_member(description, "ff_axes"), expect.ff_axes);
    EXPECT_EQ(json_member(description, "buttons"), expect.buttons);
    EXPECT_EQ(json_member(description, "povs"), expect.povs);
    // Wine reports one sample per second for every HID force-feedback device.
    EXPECT_EQ(json_member(description, "sample_period_us"), "1000000");
    // Ramp force is enumerated by Wine but has no name in the bridge's list.
    EXPECT_EQ(json_member(description, "effects"), expect.effects);
    EXPECT_EQ(json_member(description, "guid").size(), 38u);
}

INSTANTIATE_TEST_SUITE_P(Virtual, Listed,
                         ::testing::Values(Listing{&kWheel, "1", "12", "1", kAllTen},
                                           Listing{&kStick, "2", "8", "1", kAllTen},
                                           Listing{&kMulti, "2", "10", "0", "[\"constant\",\"sine\",\"spring\"]"}));

// Wine answers an exclusive Acquire and DISFFC_RESET with a device reset and
// the device gain; Unacquire with a reset. While auto-centre is off, Wine 10
// also stops all effects between the two, Wine 8 does not. Open acquires
// (auto-centre still on in Wine 10), resets, unacquires, switches auto-centre
// off and acquires again; release resets and unacquires.
TEST(DeviceLifecycle, OpenResetAndReleaseReachTheDeviceAsControlReports)
{
    const bool wine10 = wine10_or_later();
    DeviceSession wheel(kWheel);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();

    int32_t device = dib_open(wheel.guid().c_str());
    ASSERT_GE(device, 1) << last_error_text();
    auto opened = wheel.take_reports();
    EXPECT_EQ(controls(opened), wine10 ? "reset gain reset gain reset reset stopall gain"
                                       : "reset gain reset gain reset reset gain")
        << describe(opened);
    auto gains = of_collection(opened, PU_DEVICE_GAIN_REPORT);
    ASSERT_FALSE(gains.empty()) << describe(opened);
    EXPECT_EQ(gains.back().value(PU_DEVICE_GAIN), 255) << "full gain is the device's logical maximum";
    EXPECT_EQ(dib_ffb_axes(device), 1);
    EXPECT_EQ(dib_query_ffb_axes(wheel.guid().c_str()), 1);

    // The reset drops the device's effects: their blocks are gone at the device too.
    ASSERT_EQ(dib_set_axis_map(device, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0), DIB_OK);
    EffectParams params = {};
    params.constant_magnitude = 1000;
    int32_t effect = dib_effect_create(device, DIB_EFFECT_CONSTANT, &params);
    ASSERT_GE(effect, 1) << last_error_text();
    ASSERT_EQ(dib_effect_start(effect, 1), DIB_OK);
    wheel.take_reports();
    unsigned resets = wheel.control().state().resets;

    EXPECT_EQ(dib_device_reset(device), DIB_OK) << last_error_text();
    auto reset = wheel.take_reports();
    EXPECT_EQ(controls(reset), wine10 ? "reset stopall gain" : "reset gain") << describe(reset);
    VWheelState state = wheel.control().state();
    EXPECT_GT(state.resets, resets);
    EXPECT_FALSE(state.playing[1]);
    EXPECT_EQ(dib_effect_start(effect, 1), DIB_E_BADARG);

    EXPECT_EQ(dib_release(device), DIB_OK);
    auto released = wheel.take_reports();
    EXPECT_EQ(controls(released), wine10 ? "reset stopall gain reset" : "reset gain reset") << describe(released);
    EXPECT_EQ(dib_release(device), DIB_E_BADARG);
}

// Wine 10 makes device objects with auto-centre on, Wine 8 with it off:
// the bridge finds it on and switches it off (15), or finds it off (11).
// Release writes the value read back, which Wine keeps in the device
// object without a report, so the device itself shows no trace of it.
// Neither Wine keeps a second device object from acquiring the same device
// exclusively, so a second open of one GUID succeeds.
TEST(DeviceLifecycle, AutocentreStateShowsWinesDefault)
{
    for (const Variant *variant : {&kWheel, &kStick}) {
        SCOPED_TRACE(variant->product);
        DeviceSession session(*variant);
        ASSERT_TRUE(session.ready()) << session.problem();
        int32_t first = dib_open(session.guid().c_str());
        int32_t second = dib_open(session.guid().c_str());
        ASSERT_GE(first, 1) << last_error_text();
        ASSERT_GE(second, 1) << last_error_text();
        EXPECT_EQ(dib_autocenter_state(first), wine10_or_later() ? 15 : 11);
        EXPECT_EQ(dib_autocenter_state(second), wine10_or_later() ? 15 : 11);
        EXPECT_EQ(dib_release(second), DIB_OK);
        EXPECT_EQ(dib_release(first), DIB_OK);
    }
}

struct Expected {
    InputReport report;
};

bool matches(const InputReport &got, const void *context)
{
    const InputReport &want = static_cast<const Expected *>(context)->report;
    return got.axis0 == want.axis0 && got.axis1 == want.axis1 && got.z == want.z && got.rx == want.rx &&
           got.ry == want.ry && got.rz == want.rz && got.slider0 == want.slider0 && got.slider1 == want.slider1 &&
           got.button_mask == want.button_mask && got.pov_codes == want.pov_codes;
}

std::string show(const InputReport &r)
{
    char text[200];
    std::snprintf(text, sizeof(text), "axis0 %d axis1 %d z %d rx %d ry %d rz %d s0 %d s1 %d buttons %#llx povs %#x",
                  r.axis0, r.axis1, r.z, r.rx, r.ry, r.rz, r.slider0, r.slider1,
                  static_cast<unsigned long long>(r.button_mask), r.pov_codes);
    return text;
}

TEST(Input, PollReadsWhatTheWheelReports)
{
    DeviceSession wheel(kWheel);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();
    int32_t device = dib_open(wheel.guid().c_str());
    ASSERT_GE(device, 1) << last_error_text();

    // Steering hard right (logical maximum), accelerator floored, brake
    // released, clutch at its minimum; buttons 1 and 12; hat east.
    ASSERT_TRUE(wheel.control().push_input(
        wheel.input_report({{0x30, 0xffff}, {0x31, 1023}, {0x32, 0}, {0x35, 0}}, {1, 12}, 2)));
    Expected want = {};
    want.report.axis0 = 4096;  // X at the top of the bridge's range
    want.report.axis1 = 4096;  // Y, the accelerator, mapped as axis 1
    want.report.z = -4096;
    want.report.rz = -4096;
    want.report.button_mask = (1ull << 0) | (1ull << 11);
    want.report.pov_codes = 0xfff2; // hat 0 east, hats 1..3 absent (centred)
    InputReport got = {};
    EXPECT_TRUE(poll_until(device, &got, matches, &want)) << show(got);

    // Flipped mapped axes; Z and Rz keep their own, unflipped values.
    ASSERT_EQ(dib_set_axis_map(device, DIB_AXIS_X, DIB_AXIS_RZ, 1, 1), DIB_OK);
    ASSERT_TRUE(wheel.control().push_input(wheel.input_report({{0x30, 0}, {0x31, 0}, {0x32, 1023}, {0x35, 0}}, {}, -1)));
    want.report.axis0 = 4096;  // X at its minimum, flipped
    want.report.axis1 = 4096;  // Rz at its minimum, flipped
    want.report.z = 4096;
    want.report.rz = -4096;
    want.report.button_mask = 0;
    want.report.pov_codes = 0xffff;
    EXPECT_TRUE(poll_until(device, &got, matches, &want)) << show(got);
    EXPECT_EQ(dib_release(device), DIB_OK);
}

TEST(Input, PollReadsTheStickThroughItsSignedRange)
{
    DeviceSession stick(kStick);
    ASSERT_TRUE(stick.ready()) << stick.problem();
    int32_t device = dib_open(stick.guid().c_str());
    ASSERT_GE(device, 1) << last_error_text();
    ASSERT_TRUE(stick.control().push_input(stick.input_report({{0x30, -32768}, {0x31, 32767}, {0x36, 255}}, {8}, 4)));
    Expected want = {};
    want.report.axis0 = -4096;
    want.report.axis1 = 4096;
    want.report.slider0 = 4096;
    want.report.button_mask = 1ull << 7;
    want.report.pov_codes = 0xfff4; // south
    InputReport got = {};
    EXPECT_TRUE(poll_until(device, &got, matches, &want)) << show(got);
    EXPECT_EQ(dib_release(device), DIB_OK);
}

} // namespace
