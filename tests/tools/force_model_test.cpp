// The simulator's force model against values worked out by hand from
// DirectInput's definitions, with effects sent through gantrel.dll.
#include "force_fixture.h"

#include <cmath>

namespace forcetest {
namespace {

const double kPi = 3.14159265358979323846;

// 2048 -> 5000, 1024 -> 2500, 4096 -> 10000 DirectInput units.

TEST_F(ForceTest, ConstantForceFollowsAttackSustainFadeAndEndsWithItsDuration) {
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = params();
    p.constant_magnitude = 2048;
    p.duration_ms = 1000;
    p.use_envelope = 1;
    p.attack_level = 1024;
    p.attack_ms = 200;
    p.fade_level = 0;
    p.fade_ms = 400;
    play(h, DIB_EFFECT_CONSTANT, p);
    advance(kWheel, 1100);
    // A positive force on a one-axis device comes from +X: it pushes toward -X.
    EXPECT_DOUBLE_EQ(force(kWheel, 0), -2500);    // attack level
    EXPECT_DOUBLE_EQ(force(kWheel, 100), -3750);  // half-way up the attack
    EXPECT_DOUBLE_EQ(force(kWheel, 400), -5000);  // sustain
    EXPECT_DOUBLE_EQ(force(kWheel, 600), -5000);  // fade starts at 1000 - 400
    EXPECT_DOUBLE_EQ(force(kWheel, 800), -2500);
    EXPECT_DOUBLE_EQ(force(kWheel, 999), -12.5);
    EXPECT_DOUBLE_EQ(force(kWheel, 1000), 0);
    EXPECT_EQ(at(kWheel, 400).active, 1);
    EXPECT_EQ(at(kWheel, 1050).active, 0);
}

TEST_F(ForceTest, EffectGainScalesEveryLevel) {
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = params();
    p.constant_magnitude = -2048;
    p.gain = 2048;
    p.use_envelope = 1;
    p.attack_level = 1024;
    p.attack_ms = 100;
    play(h, DIB_EFFECT_CONSTANT, p);
    advance(kWheel, 200);
    EXPECT_DOUBLE_EQ(force(kWheel, 0), 1250);
    EXPECT_DOUBLE_EQ(force(kWheel, 150), 2500);
}

TEST_F(ForceTest, IterationsRepeatTheEnvelopeAndStopAfterTheLast) {
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = params();
    p.constant_magnitude = 1024;
    p.duration_ms = 100;
    p.use_envelope = 1;
    p.attack_ms = 50;
    play(h, DIB_EFFECT_CONSTANT, p, 2);
    advance(kWheel, 300);
    EXPECT_DOUBLE_EQ(force(kWheel, 25), -1250);
    EXPECT_DOUBLE_EQ(force(kWheel, 75), -2500);
    EXPECT_DOUBLE_EQ(force(kWheel, 125), -1250);
    EXPECT_DOUBLE_EQ(force(kWheel, 199), -2500);
    EXPECT_DOUBLE_EQ(force(kWheel, 200), 0);
}

TEST_F(ForceTest, StopSilencesAndStartingAgainRestartsTheEnvelope) {
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = params();
    p.constant_magnitude = 1024;
    p.use_envelope = 1;
    p.attack_ms = 100;
    const int32_t e = play(h, DIB_EFFECT_CONSTANT, p);
    advance(kWheel, 150);
    ASSERT_EQ(dib_effect_stop(e), DIB_OK);
    advance(kWheel, 50);
    ASSERT_EQ(dib_effect_start(e, 1), DIB_OK);
    advance(kWheel, 50);
    EXPECT_DOUBLE_EQ(force(kWheel, 149), -2500);
    EXPECT_DOUBLE_EQ(force(kWheel, 150), 0) << "the sample of the instant shows the stop";
    EXPECT_DOUBLE_EQ(force(kWheel, 199), 0);
    EXPECT_DOUBLE_EQ(force(kWheel, 250), -1250) << "attack again from the new start at 200 ms";
}

TEST_F(ForceTest, UpdateWhilePlayingChangesTheForceFromThatInstant) {
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = params();
    p.constant_magnitude = 1024;
    const int32_t e = play(h, DIB_EFFECT_CONSTANT, p);
    advance(kWheel, 100);
    p.constant_magnitude = -2048;
    ASSERT_EQ(dib_effect_update(e, &p), DIB_OK);
    advance(kWheel, 50);
    EXPECT_DOUBLE_EQ(force(kWheel, 99), -2500);
    EXPECT_DOUBLE_EQ(force(kWheel, 100), 5000);
    EXPECT_DOUBLE_EQ(force(kWheel, 150), 5000);
}

TEST_F(ForceTest, SineHasItsMagnitudeAndPeriod) {
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = params();
    p.periodic_magnitude = 4096;
    p.period_ms = 100;
    play(h, DIB_EFFECT_SINE, p);
    advance(kWheel, 1000);
    std::vector<GSIM_FORCE_SAMPLE> all(static_cast<size_t>(gsim_force_count(kWheel)));
    ASSERT_EQ(gsim_force_samples(kWheel, 0, all.data(), static_cast<int>(all.size())), 1001);
    double low = 0, high = 0;
    std::vector<DWORD> rising;  // push crossing zero upward
    for (size_t i = 0; i < all.size(); i++) {
        const double f = all[i].force[0];
        EXPECT_NEAR(f, -10000 * std::sin(2 * kPi * all[i].time_ms / 100.0), 1e-6) << all[i].time_ms;
        low = std::min(low, f);
        high = std::max(high, f);
        if (i && all[i - 1].force[0] < -1e-6 && f >= -1e-6) rising.push_back(all[i].time_ms);
    }
    EXPECT_DOUBLE_EQ(low, -10000);
    EXPECT_DOUBLE_EQ(high, 10000);
    ASSERT_GE(rising.size(), 9u);
    for (size_t i = 1; i < rising.size(); i++) EXPECT_EQ(rising[i] - rising[i - 1], 100u);
}

TEST_F(ForceTest, PeriodicOffsetAndPhaseShiftTheWave) {
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = params();
    p.periodic_magnitude = 2048;
    p.periodic_offset = 1024;
    p.phase_deg = 90;
    p.period_ms = 100;
    play(h, DIB_EFFECT_SINE, p);
    advance(kWheel, 100);
    EXPECT_NEAR(force(kWheel, 0), -7500, 1e-6);   // offset + magnitude at phase 90
    EXPECT_NEAR(force(kWheel, 25), -2500, 1e-6);  // offset alone
    EXPECT_NEAR(force(kWheel, 50), 2500, 1e-6);   // offset - magnitude
}

TEST_F(ForceTest, WaveShapesMatchDirectInputsPhaseTable) {
    // Force at phase 0, 90, 180, 270 degrees, before the push's sign flip.
    struct Case {
        int32_t type;
        double at[4];
    } cases[] = {
        {DIB_EFFECT_SQUARE, {5000, 5000, -5000, -5000}},
        {DIB_EFFECT_TRIANGLE, {5000, 0, -5000, 0}},
        {DIB_EFFECT_SAWTOOTHUP, {-5000, -2500, 0, 2500}},
        {DIB_EFFECT_SAWTOOTHDOWN, {5000, 2500, 0, -2500}},
    };
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    for (const Case &c : cases) {
        ASSERT_EQ(gsim_force_record(kWheel, 1), GSIM_OK);
        EffectParams p = params();
        p.periodic_magnitude = 2048;
        p.period_ms = 100;
        const int32_t e = play(h, c.type, p);
        advance(kWheel, 100);
        for (int q = 0; q < 4; q++)
            EXPECT_NEAR(force(kWheel, static_cast<DWORD>(25 * q)), -c.at[q], 1e-6) << "type " << c.type << " phase " << 90 * q;
        ASSERT_EQ(dib_effect_destroy(e), DIB_OK);
    }
}

TEST_F(ForceTest, SpringAnswersPositionWithDeadBandAndSaturation) {
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = params();
    ConditionAxisParams &c = p.cond[0];
    c.enabled = 1;
    c.positive_coefficient = c.negative_coefficient = 2048;  // 0.5
    c.positive_saturation = c.negative_saturation = 1024;    // 2500
    c.deadband = 410;                                        // 1000
    play(h, DIB_EFFECT_SPRING, p);
    EXPECT_DOUBLE_EQ(spring_force_at(500), 0) << "inside the dead band";
    EXPECT_DOUBLE_EQ(spring_force_at(-900), 0);
    EXPECT_DOUBLE_EQ(spring_force_at(3000), -1000) << "0.5 * (3000 - 1000), pushing back";
    EXPECT_DOUBLE_EQ(spring_force_at(-3000), 1000);
    EXPECT_DOUBLE_EQ(spring_force_at(9000), -2500) << "saturated";
    EXPECT_DOUBLE_EQ(spring_force_at(-9000), 2500);
}

TEST_F(ForceTest, SpringSidesHaveTheirOwnCoefficientsAroundTheOffset) {
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    EffectParams p = params();
    ConditionAxisParams &c = p.cond[0];
    c.enabled = 1;
    c.offset = 1024;  // 2500
    c.positive_coefficient = 4096;
    c.negative_coefficient = 1024;
    c.positive_saturation = c.negative_saturation = 4096;
    play(h, DIB_EFFECT_SPRING, p);
    EXPECT_DOUBLE_EQ(spring_force_at(5000), -2500);
    EXPECT_DOUBLE_EQ(spring_force_at(2500), 0);
    EXPECT_DOUBLE_EQ(spring_force_at(0), 625);
    // The simulated axis really is there: the library reads it back.
    EXPECT_DOUBLE_EQ(spring_force_at(5000), -2500);
    InputReport r;
    ASSERT_EQ(dib_poll(h, &r), DIB_OK);
    EXPECT_EQ(r.axis0, 2048);
}

TEST_F(ForceTest, DamperInertiaAndFrictionAnswerTheAxisMotion) {
    // X swings +-5000 once a second: speed 5000*2pi/s (metric / 10),
    // acceleration 5000*(2pi)^2/s^2 (metric / 100).
    const double speed = 5000 * 2 * kPi / 10, accel = 5000 * 4 * kPi * kPi / 100;
    const int32_t h = open(kWheel, DIB_AXIS_X, DIB_AXIS_NONE);
    ASSERT_EQ(gsim_force_move(kWheel, DIJOFS_X, 0, 5000, 1000), GSIM_OK);
    EffectParams p = params();
    ConditionAxisParams &c = p.cond[0];
    c.enabled = 1;
    c.positive_coefficient = c.negative_coefficient = 4096;
    c.positive_saturation = c.negative_saturation = 4096;
    const int32_t damper = play(h, DIB_EFFECT_DAMPER, p);
    advance(kWheel, 600);
    EXPECT_NEAR(force(kWheel, 0), -speed, 1e-6);
    EXPECT_NEAR(force(kWheel, 250), 0, 1e-6);
    EXPECT_NEAR(force(kWheel, 500), speed, 1e-6);
    EXPECT_NEAR(at(kWheel, 250).position[0], 5000, 1e-6);
    ASSERT_EQ(dib_effect_destroy(damper), DIB_OK);

    ASSERT_EQ(gsim_force_record(kWheel, 1), GSIM_OK);
    ASSERT_EQ(gsim_force_move(kWheel, DIJOFS_X, 0, 5000, 1000), GSIM_OK);
    const int32_t inertia = play(h, DIB_EFFECT_INERTIA, p);
    advance(kWheel, 800);
    EXPECT_NEAR(force(kWheel, 250), accel, 1e-6) << "resists the pull back toward the centre";
    EXPECT_NEAR(force(kWheel, 750), -accel, 1e-6);
    ASSERT_EQ(dib_effect_destroy(inertia), DIB_OK);

    ASSERT_EQ(gsim_force_record(kWheel, 1), GSIM_OK);
    ASSERT_EQ(gsim_force_move(kWheel, DIJOFS_X, 0, 5000, 1000), GSIM_OK);
    c.positive_coefficient = c.negative_coefficient = 2048;
    play(h, DIB_EFFECT_FRICTION, p);
    advance(kWheel, 800);
    EXPECT_DOUBLE_EQ(force(kWheel, 100), -5000) << "moving right";
    EXPECT_DOUBLE_EQ(force(kWheel, 600), 5000) << "moving left";
}

TEST_F(ForceTest, DirectionIsProjectedOntoTwoAxes) {
    const int32_t h = open(kStick, DIB_AXIS_X, DIB_AXIS_Y);
    EffectParams p = params();
    p.constant_magnitude = 2048;
    p.direction_deg = 90;  // from the right
    const int32_t e = play(h, DIB_EFFECT_CONSTANT, p);
    advance(kStick, 10);
    for (int32_t deg : {180, 0, 225}) {
        p.direction_deg = deg;
        ASSERT_EQ(dib_effect_update(e, &p), DIB_OK);
        advance(kStick, 10);
    }
    EXPECT_NEAR(force(kStick, 5, 0), -5000, 1e-6);
    EXPECT_NEAR(force(kStick, 5, 1), 0, 1e-6);
    EXPECT_NEAR(force(kStick, 15, 0), 0, 1e-6);
    EXPECT_NEAR(force(kStick, 15, 1), -5000, 1e-6) << "from the user: pushes away";
    EXPECT_NEAR(force(kStick, 25, 1), 5000, 1e-6) << "from north: pushes toward the user";
    EXPECT_NEAR(force(kStick, 35, 0), 5000 * std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(force(kStick, 35, 1), -5000 * std::sqrt(0.5), 1e-6);
}

TEST_F(ForceTest, FlippedAxisMirrorsTheDirection) {
    const int32_t h = open(kStick, DIB_AXIS_X, DIB_AXIS_Y);
    ASSERT_EQ(dib_set_axis_map(h, DIB_AXIS_X, DIB_AXIS_Y, 1, 0), DIB_OK);
    EffectParams p = params();
    p.constant_magnitude = 2048;
    p.direction_deg = 90;
    play(h, DIB_EFFECT_CONSTANT, p);
    advance(kStick, 10);
    EXPECT_NEAR(force(kStick, 5, 0), 5000, 1e-6);
    EXPECT_NEAR(force(kStick, 5, 1), 0, 1e-6);
}

TEST_F(ForceTest, ConditionOnTwoAxesActsOnEachAxisWithItsOwnBlock) {
    const int32_t h = open(kStick, DIB_AXIS_X, DIB_AXIS_Y);
    EffectParams p = params();
    for (ConditionAxisParams &c : p.cond) {
        c.enabled = 1;
        c.positive_saturation = c.negative_saturation = 4096;
    }
    p.cond[0].positive_coefficient = p.cond[0].negative_coefficient = 2048;
    p.cond[1].positive_coefficient = p.cond[1].negative_coefficient = 4096;
    ASSERT_EQ(gsim_force_move(kStick, DIJOFS_X, 4000, 0, 0), GSIM_OK);
    ASSERT_EQ(gsim_force_move(kStick, DIJOFS_Y, -2000, 0, 0), GSIM_OK);
    play(h, DIB_EFFECT_SPRING, p);
    advance(kStick, 10);
    EXPECT_DOUBLE_EQ(force(kStick, 10, 0), -2000);
    EXPECT_DOUBLE_EQ(force(kStick, 10, 1), 2000);
}

TEST_F(ForceTest, ControlFunctionsCheckTheirArguments) {
    DWORD axes[GSIM_FORCE_MAX_AXES];
    EXPECT_EQ(gsim_force_axes(kWheel, axes, GSIM_FORCE_MAX_AXES), 1);
    EXPECT_EQ(axes[0], static_cast<DWORD>(DIJOFS_X));
    EXPECT_EQ(gsim_force_axes(kStick, axes, GSIM_FORCE_MAX_AXES), 2);
    EXPECT_EQ(axes[1], static_cast<DWORD>(DIJOFS_Y));
    EXPECT_EQ(gsim_force_axes(2, axes, GSIM_FORCE_MAX_AXES), 0) << "the gamepad has no actuator";
    EXPECT_EQ(gsim_force_axes(7, axes, 1), GSIM_E_NODEVICE);

    EXPECT_EQ(gsim_force_advance(kWheel, 10), GSIM_E_ARG) << "not recording";
    EXPECT_EQ(gsim_force_move(kWheel, DIJOFS_X, 0, 0, 0), GSIM_E_ARG);
    EXPECT_EQ(gsim_force_record(kWheel, 0), GSIM_E_ARG);
    EXPECT_EQ(gsim_force_record(kWheel, 1001), GSIM_E_ARG);
    EXPECT_EQ(gsim_force_record(9, 1), GSIM_E_NODEVICE);

    ASSERT_EQ(gsim_force_record(kWheel, 10), GSIM_OK);
    EXPECT_EQ(gsim_force_move(kWheel, 2, 0, 0, 0), GSIM_E_ARG);
    EXPECT_EQ(gsim_force_advance(kWheel, 15), 2) << "samples at 0 and 10; 5 ms kept";
    EXPECT_EQ(gsim_force_advance(kWheel, 5), 3);
    GSIM_FORCE_SAMPLE s[3];
    EXPECT_EQ(gsim_force_samples(kWheel, 1, s, 3), 2);
    EXPECT_EQ(s[1].time_ms, 20u);
    EXPECT_EQ(gsim_force_samples(kWheel, 0, nullptr, 1), GSIM_E_ARG);
    EXPECT_EQ(gsim_force_stop(kWheel), GSIM_OK);
    EXPECT_EQ(gsim_force_count(kWheel), 0);
    EXPECT_EQ(gsim_force_stop(kWheel), GSIM_E_ARG);
}

}  // namespace
}  // namespace forcetest
