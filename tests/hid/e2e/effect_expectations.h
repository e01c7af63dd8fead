// effect_expectations.h - what a device must receive for an EffectParams:
// the host's numbers carried through DirectInput's nominal ranges into the
// logical ranges the device declared. DirectInput's ranges are those the
// documentation gives (levels 0..10000, signed forces -10000..10000); angles
// reach Wine's HID layer on 0..35900, which it maps onto the device's range.
#pragma once

#include <gtest/gtest.h>

#include "driver/pid_layout.h"
#include "driver/pid_usages.h"
#include "bridge_session.h"

namespace vwheel {

constexpr LONG kAngleMax = 35900;

inline USAGE effect_usage(int32_t type)
{
    switch (type) {
    case DIB_EFFECT_CONSTANT: return PU_ET_CONSTANT;
    case DIB_EFFECT_SQUARE: return PU_ET_SQUARE;
    case DIB_EFFECT_SINE: return PU_ET_SINE;
    case DIB_EFFECT_TRIANGLE: return PU_ET_TRIANGLE;
    case DIB_EFFECT_SAWTOOTHUP: return PU_ET_SAWTOOTH_UP;
    case DIB_EFFECT_SAWTOOTHDOWN: return PU_ET_SAWTOOTH_DOWN;
    case DIB_EFFECT_SPRING: return PU_ET_SPRING;
    case DIB_EFFECT_DAMPER: return PU_ET_DAMPER;
    case DIB_EFFECT_INERTIA: return PU_ET_INERTIA;
    default: return PU_ET_FRICTION;
    }
}

inline bool is_condition(int32_t type) { return type >= DIB_EFFECT_SPRING; }
inline bool is_periodic(int32_t type) { return type >= DIB_EFFECT_SQUARE && type <= DIB_EFFECT_SAWTOOTHDOWN; }

// The Set Effect report: type, duration, gain, no trigger, direction enabled.
inline void expect_set_effect(const DeviceSession &s, const PidReport &r, int32_t type, const EffectParams &p)
{
    EXPECT_TRUE(r.selected(effect_usage(type))) << describe(r);
    EXPECT_TRUE(r.selected(PU_DIRECTION_ENABLE)) << describe(r);
    // An infinite duration reaches the device as all ones in its 16-bit field.
    EXPECT_EQ(r.value(PU_DURATION), p.duration_ms > 0 ? p.duration_ms : 0xffff) << describe(r);
    LONG gain = nominal(p.gain > 0 ? p.gain : 4096);
    EXPECT_EQ(r.value(PU_GAIN), s.device_value(r.report_id, PU_GAIN, gain, 0, 10000)) << describe(r);
    EXPECT_EQ(r.value(PU_TRIGGER_BUTTON), 0xff) << "no trigger button: the field's null value";
}

inline void expect_constant(const DeviceSession &s, const PidReport &r, int32_t magnitude)
{
    EXPECT_EQ(r.value(PU_MAGNITUDE),
              s.device_value(r.report_id, PU_MAGNITUDE, nominal(magnitude), -10000, 10000))
        << describe(r);
}

// phase_hundredths: the phase as DirectInput carries it, 0..35999.
inline void expect_periodic(const DeviceSession &s, const PidReport &r, const EffectParams &p, int32_t offset,
                            LONG phase_hundredths)
{
    EXPECT_EQ(r.value(PU_MAGNITUDE),
              s.device_value(r.report_id, PU_MAGNITUDE, nominal(p.periodic_magnitude), 0, 10000))
        << describe(r);
    EXPECT_EQ(r.value(PU_OFFSET), s.device_value(r.report_id, PU_OFFSET, nominal(offset), -10000, 10000))
        << describe(r);
    EXPECT_EQ(r.value(PU_PHASE), s.device_value(r.report_id, PU_PHASE, phase_hundredths, 0, kAngleMax))
        << describe(r);
    EXPECT_EQ(r.value(PU_PERIOD), p.period_ms) << describe(r);
}

// One condition block as the device gets it; `flipped` exchanges the
// positive and negative sides and mirrors the centre.
inline void expect_condition(const DeviceSession &s, const PidReport &r, const ConditionAxisParams &c, bool flipped,
                             LONG block_offset)
{
    auto v = [&](USAGE usage, int32_t value, LONG min) {
        return s.device_value(r.report_id, usage, nominal(value), min, 10000);
    };
    EXPECT_EQ(r.value(PU_PARAMETER_BLOCK_OFFSET), block_offset) << describe(r);
    EXPECT_EQ(r.value(PU_CP_OFFSET), v(PU_CP_OFFSET, flipped ? -c.offset : c.offset, -10000)) << describe(r);
    EXPECT_EQ(r.value(PU_POSITIVE_COEFFICIENT),
              v(PU_POSITIVE_COEFFICIENT, flipped ? c.negative_coefficient : c.positive_coefficient, -10000))
        << describe(r);
    EXPECT_EQ(r.value(PU_NEGATIVE_COEFFICIENT),
              v(PU_NEGATIVE_COEFFICIENT, flipped ? c.positive_coefficient : c.negative_coefficient, -10000))
        << describe(r);
    EXPECT_EQ(r.value(PU_POSITIVE_SATURATION),
              v(PU_POSITIVE_SATURATION, flipped ? c.negative_saturation : c.positive_saturation, 0))
        << describe(r);
    EXPECT_EQ(r.value(PU_NEGATIVE_SATURATION),
              v(PU_NEGATIVE_SATURATION, flipped ? c.positive_saturation : c.negative_saturation, 0))
        << describe(r);
    EXPECT_EQ(r.value(PU_DEAD_BAND), v(PU_DEAD_BAND, c.deadband, 0)) << describe(r);
}

inline void expect_envelope(const DeviceSession &s, const PidReport &r, const EffectParams &p)
{
    EXPECT_EQ(r.value(PU_ATTACK_LEVEL),
              s.device_value(r.report_id, PU_ATTACK_LEVEL, nominal(p.attack_level), 0, 10000))
        << describe(r);
    EXPECT_EQ(r.value(PU_FADE_LEVEL),
              s.device_value(r.report_id, PU_FADE_LEVEL, nominal(p.fade_level), 0, 10000))
        << describe(r);
    EXPECT_EQ(r.value(PU_ATTACK_TIME), p.attack_ms) << describe(r);
    EXPECT_EQ(r.value(PU_FADE_TIME), p.fade_ms) << describe(r);
}

} // namespace vwheel
