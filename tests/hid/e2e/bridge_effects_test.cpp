// The bridge's effect exports against Wine's DirectInput: every effect type,
// with and without envelope, on one and two axes, flipped and turned,
// arrives at the virtual device as the PID values the host asked for, and
// the device's own answers come back as the bridge's results.
#include <gtest/gtest.h>

#include <climits>

#include "effect_expectations.h"

using namespace vwheel;

namespace {

// An effect created without an envelope: Wine 8 sends an empty envelope
// report, Wine 10 none.
void expect_no_envelope(const std::vector<PidReport> &envelopes)
{
    if (wine10_or_later()) {
        EXPECT_TRUE(envelopes.empty());
        return;
    }
    ASSERT_EQ(envelopes.size(), 1u);
    for (USAGE usage : {PU_ATTACK_LEVEL, PU_ATTACK_TIME, PU_FADE_LEVEL, PU_FADE_TIME})
        EXPECT_EQ(envelopes[0].value(usage), 0) << describe(envelopes[0]);
}

class OpenDevice : public ::testing::Test {
protected:
    void open(const Variant &variant, int32_t axis0, int32_t axis1, int32_t flip0 = 0, int32_t flip1 = 0)
    {
        session_.reset(new DeviceSession(variant));
        ASSERT_TRUE(session_->ready()) << session_->problem();
        device_ = dib_open(session_->guid().c_str());
        ASSERT_GE(device_, 1) << last_error_text();
        ASSERT_EQ(dib_set_axis_map(device_, axis0, axis1, flip0, flip1), DIB_OK);
        session_->take_reports();
    }
    void TearDown() override
    {
        if (device_ >= 1) dib_release(device_);
    }
    std::vector<PidReport> reports(USAGE collection) { return of_collection(last_, collection); }
    std::vector<PidReport> take()
    {
        last_ = session_->take_reports();
        return last_;
    }

    std::unique_ptr<DeviceSession> session_;
    int32_t device_ = 0;
    std::vector<PidReport> last_;
};

struct OneAxisCase {
    int32_t type;
    bool envelope;
    bool flipped;
};

class OneAxisWheel : public OpenDevice, public ::testing::WithParamInterface<OneAxisCase> {};

// The whole life of one effect on the wheel's single motor axis.
TEST_P(OneAxisWheel, CreateStartStopDestroyArriveAsPidReports)
{
    const OneAxisCase c = GetParam();
    open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE, c.flipped, 0);
    EffectParams p = sample_params();
    p.use_envelope = c.envelope;

    int32_t effect = dib_effect_create(device_, c.type, &p);
    ASSERT_GE(effect, 1) << last_error_text();
    auto all = take();
    SCOPED_TRACE(describe(all));

    auto created = reports(PU_CREATE_NEW_EFFECT_REPORT);
    ASSERT_EQ(created.size(), 1u);
    EXPECT_TRUE(created[0].selected(effect_usage(c.type)));
    auto loads = reports(PU_BLOCK_LOAD_REPORT);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_TRUE(loads[0].selected(PU_BLOCK_LOAD_SUCCESS));
    LONG block = loads[0].value(PU_EFFECT_BLOCK_INDEX);

    auto set = reports(PU_SET_EFFECT_REPORT);
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0].value(PU_EFFECT_BLOCK_INDEX), block);
    expect_set_effect(*session_, set[0], c.type, p);

    if (c.type == DIB_EFFECT_CONSTANT) {
        auto constant = reports(PU_SET_CONSTANT_FORCE_REPORT);
        ASSERT_EQ(constant.size(), 1u);
        expect_constant(*session_, constant[0], c.flipped ? -p.constant_magnitude : p.constant_magnitude);
    } else if (is_periodic(c.type)) {
        auto periodic = reports(PU_SET_PERIODIC_REPORT);
        ASSERT_EQ(periodic.size(), 1u);
        expect_periodic(*session_, periodic[0], p, c.flipped ? -p.periodic_offset : p.periodic_offset,
                        c.flipped ? 27000 : 9000);
    } else {
        auto conditions = reports(PU_SET_CONDITION_REPORT);
        ASSERT_EQ(conditions.size(), 1u);
        expect_condition(*session_, conditions[0], p.cond[0], c.flipped, 0);
    }
    auto envelopes = reports(PU_SET_ENVELOPE_REPORT);
    if (is_condition(c.type)) {
        EXPECT_TRUE(envelopes.empty()) << "Wine gives conditions no envelope";
    } else if (c.envelope) {
        ASSERT_EQ(envelopes.size(), 1u);
        expect_envelope(*session_, envelopes[0], p);
    } else {
        expect_no_envelope(envelopes);
    }

    ASSERT_EQ(dib_effect_start(effect, 2), DIB_OK) << last_error_text();
    take();
    auto started = reports(PU_EFFECT_OPERATION_REPORT);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_TRUE(started[0].selected(PU_OP_EFFECT_START));
    EXPECT_EQ(started[0].value(PU_LOOP_COUNT), 2);
    EXPECT_EQ(started[0].value(PU_EFFECT_BLOCK_INDEX), block);
    EXPECT_TRUE(session_->control().state().playing[block]);

    ASSERT_EQ(dib_effect_stop(effect), DIB_OK);
    take();
    auto stopped = reports(PU_EFFECT_OPERATION_REPORT);
    ASSERT_EQ(stopped.size(), 1u);
    EXPECT_TRUE(stopped[0].selected(PU_OP_EFFECT_STOP));
    EXPECT_FALSE(session_->control().state().playing[block]);

    ASSERT_EQ(dib_effect_destroy(effect), DIB_OK);
    take();
    auto freed = reports(PU_BLOCK_FREE_REPORT);
    ASSERT_EQ(freed.size(), 1u);
    EXPECT_EQ(freed[0].value(PU_EFFECT_BLOCK_INDEX), block);
    EXPECT_FALSE(session_->control().state().allocated[block]);
}

std::vector<OneAxisCase> one_axis_cases()
{
    std::vector<OneAxisCase> cases;
    for (int32_t type : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11})
        for (bool envelope : {false, true}) cases.push_back({type, envelope, false});
    for (int32_t type : {1, 4, 8}) cases.push_back({type, true, true});
    return cases;
}

std::string one_axis_name(const ::testing::TestParamInfo<OneAxisCase> &info)
{
    return "type" + std::to_string(info.param.type) + (info.param.envelope ? "_envelope" : "") +
           (info.param.flipped ? "_flipped" : "");
}

INSTANTIATE_TEST_SUITE_P(AllTypes, OneAxisWheel, ::testing::ValuesIn(one_axis_cases()), one_axis_name);

struct Direction {
    int32_t degrees;
    int32_t flip0, flip1;
    LONG polar; // the angle the host means, in hundredths, 0..35999
};

class TwoAxisStick : public OpenDevice, public ::testing::WithParamInterface<Direction> {};

// Constant force on X and Y: the direction reaches the device as an angle
// in its own units; the magnitude keeps its sign whatever the flips.
TEST_P(TwoAxisStick, DirectionArrivesInTheDevicesUnits)
{
    const Direction d = GetParam();
    open(kStick, DIB_AXIS_X, DIB_AXIS_Y, d.flip0, d.flip1);
    EffectParams p = sample_params();
    p.direction_deg = d.degrees;
    int32_t effect = dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p);
    ASSERT_GE(effect, 1) << last_error_text();
    take();
    SCOPED_TRACE(describe(last_));
    auto set = reports(PU_SET_EFFECT_REPORT);
    ASSERT_EQ(set.size(), 1u);
    LONG expected = session_->device_value(VW_OUT_ID_SET_EFFECT, 1, d.polar, 0, kAngleMax, kOrdinalPage);
    EXPECT_EQ(set[0].value(1, kOrdinalPage), expected);
    EXPECT_EQ(set[0].value(2, kOrdinalPage), 0);
    auto constant = reports(PU_SET_CONSTANT_FORCE_REPORT);
    ASSERT_EQ(constant.size(), 1u);
    expect_constant(*session_, constant[0], p.constant_magnitude);
}

INSTANTIATE_TEST_SUITE_P(Turns, TwoAxisStick,
                         ::testing::Values(Direction{0, 0, 0, 0}, Direction{90, 0, 0, 9000},
                                           Direction{-90, 0, 0, 27000}, Direction{450, 0, 0, 9000},
                                           Direction{90, 1, 0, 27000}, Direction{0, 0, 1, 18000},
                                           Direction{90, 1, 1, 27000}, Direction{30, 1, 1, 21000}));

TEST_F(OpenDevice, TwoAxisConditionSendsOneBlockPerAxis)
{
    open(kStick, DIB_AXIS_X, DIB_AXIS_Y, 0, 1);
    EffectParams p = sample_params();
    int32_t effect = dib_effect_create(device_, DIB_EFFECT_SPRING, &p);
    ASSERT_GE(effect, 1) << last_error_text();
    take();
    SCOPED_TRACE(describe(last_));
    auto conditions = reports(PU_SET_CONDITION_REPORT);
    ASSERT_EQ(conditions.size(), 2u);
    expect_condition(*session_, conditions[0], p.cond[0], false, 0);
    expect_condition(*session_, conditions[1], p.cond[1], true, 1);
}

TEST_F(OpenDevice, UpdateOfAPlayingEffectChangesItWithoutRestart)
{
    open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = sample_params();
    int32_t effect = dib_effect_create(device_, DIB_EFFECT_SINE, &p);
    ASSERT_GE(effect, 1) << last_error_text();
    ASSERT_EQ(dib_effect_start(effect, 0), DIB_OK);
    take();
    auto started = reports(PU_EFFECT_OPERATION_REPORT);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value(PU_LOOP_COUNT), 1) << "a count below 1 plays once";
    LONG block = started[0].value(PU_EFFECT_BLOCK_INDEX);

    p.periodic_magnitude = 4096;
    p.duration_ms = 0;
    p.gain = 1024;
    p.phase_deg = 180;
    p.use_envelope = 1;
    ASSERT_EQ(dib_effect_update(effect, &p), DIB_OK) << last_error_text();
    take();
    SCOPED_TRACE(describe(last_));
    EXPECT_TRUE(reports(PU_EFFECT_OPERATION_REPORT).empty()) << "no stop or restart";
    EXPECT_TRUE(session_->control().state().playing[block]);
    auto periodic = reports(PU_SET_PERIODIC_REPORT);
    ASSERT_EQ(periodic.size(), 1u);
    expect_periodic(*session_, periodic[0], p, p.periodic_offset, 18000);
    auto envelopes = reports(PU_SET_ENVELOPE_REPORT);
    ASSERT_EQ(envelopes.size(), 1u);
    expect_envelope(*session_, envelopes[0], p);
    auto set = reports(PU_SET_EFFECT_REPORT);
    ASSERT_EQ(set.size(), 1u);
    expect_set_effect(*session_, set[0], DIB_EFFECT_SINE, p);

    ASSERT_EQ(dib_effect_start(effect, 5), DIB_OK);
    take();
    auto again = reports(PU_EFFECT_OPERATION_REPORT);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].value(PU_LOOP_COUNT), 5);
    EXPECT_EQ(session_->control().state().loop_count[block], 5);

    // Wine 8 and Wine 10 alike write the count into the device's 8-bit
    // field as it is: 300 arrives as 44.
    ASSERT_EQ(dib_effect_start(effect, 300), DIB_OK);
    take();
    auto wrapped = reports(PU_EFFECT_OPERATION_REPORT);
    ASSERT_EQ(wrapped.size(), 1u);
    EXPECT_EQ(wrapped[0].value(PU_LOOP_COUNT), 44);
}

// An update without use_envelope sends no envelope, and Wine sends nothing
// that would remove one: the device keeps the envelope it was last given.
// Destroying the effect and creating it again is what removes it.
TEST_F(OpenDevice, AnEnvelopeGoesOnlyWithItsEffect)
{
    open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = sample_params();
    int32_t effect = dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p);
    ASSERT_GE(effect, 1) << last_error_text();
    take();
    expect_no_envelope(reports(PU_SET_ENVELOPE_REPORT));

    p.use_envelope = 1;
    ASSERT_EQ(dib_effect_update(effect, &p), DIB_OK) << last_error_text();
    take();
    auto envelopes = reports(PU_SET_ENVELOPE_REPORT);
    ASSERT_EQ(envelopes.size(), 1u) << describe(last_);
    expect_envelope(*session_, envelopes[0], p);

    p.use_envelope = 0;
    p.constant_magnitude = 1000;
    ASSERT_EQ(dib_effect_update(effect, &p), DIB_OK) << last_error_text();
    take();
    EXPECT_EQ(reports(PU_SET_CONSTANT_FORCE_REPORT).size(), 1u) << describe(last_);
    EXPECT_TRUE(reports(PU_SET_ENVELOPE_REPORT).empty()) << describe(last_);

    ASSERT_EQ(dib_effect_destroy(effect), DIB_OK);
    ASSERT_GE(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), 1) << last_error_text();
    take();
    EXPECT_EQ(reports(PU_BLOCK_FREE_REPORT).size(), 1u) << describe(last_);
    EXPECT_EQ(reports(PU_CREATE_NEW_EFFECT_REPORT).size(), 1u) << describe(last_);
    expect_no_envelope(reports(PU_SET_ENVELOPE_REPORT));
}

// The bridge passes values beyond full scale on scaled, unclamped; Wine 8 and
// Wine 10 alike send a value outside the device's logical range as -1.
TEST_F(OpenDevice, ValuesBeyondFullScaleReachTheDeviceAsMinusOne)
{
    open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = sample_params();
    p.constant_magnitude = 8192;
    p.use_envelope = 1;
    p.attack_level = 8192;
    ASSERT_GE(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), 1) << last_error_text();
    take();
    SCOPED_TRACE(describe(last_));
    auto constant = reports(PU_SET_CONSTANT_FORCE_REPORT);
    auto envelopes = reports(PU_SET_ENVELOPE_REPORT);
    ASSERT_EQ(constant.size(), 1u);
    ASSERT_EQ(envelopes.size(), 1u);
    EXPECT_EQ(constant[0].value(PU_MAGNITUDE), -1);
    EXPECT_EQ(envelopes[0].value(PU_ATTACK_LEVEL), 0xffff) << "all ones in an unsigned 16-bit field";
    EXPECT_EQ(envelopes[0].value(PU_FADE_LEVEL), session_->device_value(VW_OUT_ID_SET_ENVELOPE, PU_FADE_LEVEL,
                                                                        nominal(p.fade_level), 0, 10000));
}

TEST_F(OpenDevice, ReleaseStopsAndFreesEveryEffect)
{
    open(kStick, DIB_AXIS_X, DIB_AXIS_Y);
    EffectParams p = sample_params();
    int32_t first = dib_effect_create(device_, DIB_EFFECT_SQUARE, &p);
    int32_t second = dib_effect_create(device_, DIB_EFFECT_DAMPER, &p);
    ASSERT_GE(first, 1) << last_error_text();
    ASSERT_GE(second, 1) << last_error_text();
    ASSERT_EQ(dib_effect_start(first, 1), DIB_OK);
    take();
    ASSERT_EQ(dib_release(device_), DIB_OK);
    device_ = 0;
    take();
    SCOPED_TRACE(describe(last_));
    EXPECT_EQ(reports(PU_BLOCK_FREE_REPORT).size(), 2u);
    VWheelState state = session_->control().state();
    for (int block = 1; block <= VWHEEL_MAX_BLOCKS; block++) {
        EXPECT_FALSE(state.allocated[block]) << block;
        EXPECT_FALSE(state.playing[block]) << block;
    }
    EXPECT_EQ(dib_effect_stop(first), DIB_E_BADARG);
}

// What the device, or Wine on its behalf, refuses, as the host sees it.
TEST_F(OpenDevice, RefusalsComeBackAsTheBridgesResults)
{
    open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = sample_params();

    ASSERT_TRUE(session_->control().plan_block_load(VWHEEL_LOAD_FULL, 1));
    EXPECT_EQ(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), DIB_E_POOLFULL);
    EXPECT_EQ(last_error_text(), "device effect pool exhausted (HRESULT 0x80040201)");

    // A block-load error is reported by Wine as DIERR_INPUTLOST, which the
    // bridge counts among the signs of another application's exclusive use.
    ASSERT_TRUE(session_->control().plan_block_load(VWHEEL_LOAD_ERROR, 1));
    EXPECT_EQ(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), DIB_E_EXCLUSIVE);
    EXPECT_EQ(last_error_text(), "another application has exclusive use of the device (HRESULT 0x8007001E)");

    // Two axes on a device with one motor.
    ASSERT_EQ(dib_set_axis_map(device_, DIB_AXIS_X, DIB_AXIS_Y, 0, 0), DIB_OK);
    EXPECT_EQ(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), DIB_E_FAILED);
    EXPECT_EQ(last_error_text(), "CreateEffect failed (HRESULT 0x80070057)");

    // The next request succeeds again, on the block the refusals left free.
    ASSERT_EQ(dib_set_axis_map(device_, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0), DIB_OK);
    EXPECT_GE(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), 1) << last_error_text();
}

TEST_F(OpenDevice, AnEffectTheDeviceLacksIsRefused)
{
    open(kMulti, DIB_AXIS_X, DIB_AXIS_Y);
    EffectParams p = sample_params();
    EXPECT_EQ(dib_effect_create(device_, DIB_EFFECT_DAMPER, &p), DIB_E_FAILED);
    EXPECT_EQ(last_error_text(), "CreateEffect failed (HRESULT 0x80040154)");
    take();
    EXPECT_TRUE(last_.empty()) << describe(last_);
}

} // namespace

namespace {

LONG direction_sent(const std::vector<PidReport> &reports)
{
    auto set = of_collection(reports, PU_SET_EFFECT_REPORT);
    return set.size() == 1 ? set[0].value(1, kOrdinalPage) : LONG_MIN;
}

// X, Y, Z and Rz declared in one descriptor item. DirectInput resolves
// DIEFF_OBJECTOFFSETS against the application's data format, so DIJOFS_X and
// DIJOFS_Y name X and Y on any layout. Wine 8.0 and Wine 10.0 alike resolve
// them against Wine's own object order, which for this layout is reversed
// (Rz, Z, Y, X): the same request that turns the separate-item stick to 90
// degrees lands on Rz and Z here, and Wine, seeing neither X nor Y, sends no
// direction. Asking for Rz and Z instead reaches Y. When a Wine resolves
// offsets as documented this test fails there and the expectations for that
// Wine become those of the stick.
class OneItemAxes : public OpenDevice {};

TEST_F(OneItemAxes, WineResolvesAxisOffsetsAgainstItsOwnObjectOrder)
{
    SCOPED_TRACE("Wine " + std::to_string(wine_major_version()));
    EffectParams p = sample_params();
    p.direction_deg = 90;

    open(kStick, DIB_AXIS_X, DIB_AXIS_Y);
    ASSERT_GE(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), 1) << last_error_text();
    LONG ninety = session_->device_value(VW_OUT_ID_SET_EFFECT, 1, 9000, 0, kAngleMax, kOrdinalPage);
    EXPECT_EQ(direction_sent(take()), ninety) << describe(last_);
    ASSERT_EQ(dib_release(device_), DIB_OK);
    device_ = 0;

    open(kMulti, DIB_AXIS_X, DIB_AXIS_Y);
    EXPECT_EQ(dib_ffb_axes(device_), (1 << DIB_AXIS_X) | (1 << DIB_AXIS_Y)) << "the bridge finds the motors by type";
    ASSERT_GE(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), 1) << last_error_text();
    EXPECT_EQ(direction_sent(take()), 0) << describe(last_);

    ASSERT_EQ(dib_set_axis_map(device_, DIB_AXIS_RZ, DIB_AXIS_Z, 0, 0), DIB_OK);
    ASSERT_GE(dib_effect_create(device_, DIB_EFFECT_CONSTANT, &p), 1) << last_error_text();
    EXPECT_EQ(direction_sent(take()), ninety) << describe(last_);
}

} // namespace
