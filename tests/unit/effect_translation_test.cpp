#include "effects/effect_translation.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace gantrel;

namespace {

struct Translated {
    DIEFFECT e;
    EffectScratch s;
};

// Translates for an effect slot of `type` with the given map and flips.
Translated translate(int32_t type, const EffectParams& p, int32_t a0 = 0, int32_t a1 = 1,
                     uint8_t f0 = 0, uint8_t f1 = 0, uint8_t c0 = 0, uint8_t c1 = 0) {
    EffectSlot slot = {1, 1, type, nullptr, {c0, c1}};
    const int32_t map[2] = {a0, a1};
    const uint8_t flip[2] = {f0, f1};
    Translated t;
    std::memset(&t.e, 0xCD, sizeof t.e);  // every field must be written
    std::memset(&t.s, 0, sizeof t.s);
    translate_effect_with_map(slot, map, flip, p, t.e, t.s);
    return t;
}

EffectParams zero_params() {
    EffectParams p;
    std::memset(&p, 0, sizeof p);
    return p;
}

const DICONSTANTFORCE& constant(const Translated& t) {
    return *static_cast<const DICONSTANTFORCE*>(t.e.lpvTypeSpecificParams);
}
const DIPERIODIC& periodic(const Translated& t) {
    return *static_cast<const DIPERIODIC*>(t.e.lpvTypeSpecificParams);
}
const DICONDITION& condition(const Translated& t, int i) {
    return static_cast<const DICONDITION*>(t.e.lpvTypeSpecificParams)[i];
}

}  // namespace

TEST(Scaling, SignedTruncatesAndSaturates) {
    const struct {
        int32_t in;
        int32_t out;
    } rows[] = {{0, 0},         {1, 2},       {-1, -2},      {4096, 10000}, {-4096, -10000},
                {2048, 5000},   {100, 244},   {-100, -244},  {879609302, 2147483647},
                {-879609302, -2147483647},
                // Past the 32-bit range a force saturates instead of wrapping to the
                // opposite direction.
                {879609303, INT32_MAX},       {INT32_MAX, INT32_MAX},
                {-879609303, INT32_MIN},      {INT32_MIN, INT32_MIN}};
    for (const auto& row : rows) EXPECT_EQ(scale_signed(row.in), row.out) << row.in;
}

TEST(Scaling, UnsignedClampsNegativesAndSaturates) {
    const struct {
        int32_t in;
        uint32_t out;
    } rows[] = {{-1, 0u},        {-7, 0u},          {INT32_MIN, 0u},   {0, 0u},
                {1, 2u},         {2048, 5000u},     {4096, 10000u},    {1759218604, 4294967294u},
                {1759218605, UINT32_MAX},           {INT32_MAX, UINT32_MAX}};
    for (const auto& row : rows) EXPECT_EQ(scale_unsigned(row.in), row.out) << row.in;
}

TEST(Scaling, AxisCodeOffsets) {
    const uint32_t expected[8] = {0, 4, 8, 12, 16, 20, 24, 28};
    for (int32_t code = 0; code < 8; ++code) EXPECT_EQ(axis_code_offset(code), expected[code]);
    for (int32_t code : {-1, 8, 100, INT32_MIN}) EXPECT_EQ(axis_code_offset(code), 0u) << code;
}

TEST(Translation, AllZeroConstantOnTheDefaultMap) {
    const Translated t = translate(1, zero_params());
    EXPECT_EQ(t.e.dwSize, sizeof(void*) == 8 ? 80u : 56u);  // DIEFFECT of x64, x86
    EXPECT_EQ(t.e.dwFlags, 0x22u);
    EXPECT_EQ(t.e.cAxes, 2u);
    EXPECT_EQ(t.e.rgdwAxes, t.s.axes);
    EXPECT_EQ(t.s.axes[0], 0u);
    EXPECT_EQ(t.s.axes[1], 4u);
    EXPECT_EQ(t.e.rglDirection, t.s.directions);
    EXPECT_EQ(t.s.directions[0], 0);
    EXPECT_EQ(t.s.directions[1], 0);
    EXPECT_EQ(t.e.dwDuration, 0xFFFFFFFFu);
    EXPECT_EQ(t.e.dwGain, 10000u);
    EXPECT_EQ(t.e.dwTriggerButton, 0xFFFFFFFFu);
    EXPECT_EQ(t.e.dwTriggerRepeatInterval, 0u);
    EXPECT_EQ(t.e.dwSamplePeriod, 0u);
    EXPECT_EQ(t.e.dwStartDelay, 0u);
    EXPECT_EQ(t.e.cbTypeSpecificParams, 4u);
    EXPECT_EQ(t.e.lpvTypeSpecificParams, &t.s.constant);
    EXPECT_EQ(constant(t).lMagnitude, 0);
    EXPECT_EQ(t.e.lpEnvelope, nullptr);
}

TEST(Translation, GainAndDuration) {
    const struct {
        int32_t gain;
        uint32_t dw_gain;
        int32_t duration;
        uint32_t dw_duration;
    } rows[] = {{2048, 5000, 1500, 1500000},  {1, 2, 1, 1000},
                {0, 10000, 0, 0xFFFFFFFF},   {-7, 10000, -5, 0xFFFFFFFF},
                {1759218605, 0xFFFFFFFF, 5000000, 705032704}};  // ms -> us wraps as the API's DWORD does
    for (const auto& row : rows) {
        EffectParams p = zero_params();
        p.gain = row.gain;
        p.duration_ms = row.duration;
        const Translated t = translate(4, p);
        EXPECT_EQ(t.e.dwGain, row.dw_gain) << row.gain;
        EXPECT_EQ(t.e.dwDuration, row.dw_duration) << row.duration;
    }
}

TEST(Translation, PolarAngleWithFlips) {
    const struct {
        int32_t deg;
        uint8_t f0, f1;
        LONG angle;
    } rows[] = {{90, 0, 0, 9000},   {450, 0, 0, 9000},  {360, 0, 0, 0},     {-90, 0, 0, -9000},
                {90, 1, 0, 27000},  {-90, 1, 0, 9000},  {0, 1, 0, 0},       {90, 0, 1, 9000},
                {0, 0, 1, 18000},   {90, 1, 1, 27000},  {45, 1, 1, 22500},  {-359, 0, 0, -35900}};
    for (const auto& row : rows) {
        EffectParams p = zero_params();
        p.direction_deg = row.deg;
        p.constant_magnitude = 1000;
        const Translated t = translate(1, p, 0, 1, row.f0, row.f1);
        EXPECT_EQ(t.s.directions[0], row.angle) << row.deg << " flips " << int(row.f0) << int(row.f1);
        EXPECT_EQ(t.s.directions[1], 0);
        EXPECT_EQ(constant(t).lMagnitude, 2441) << "two axes never flip the magnitude";
    }
}

TEST(Translation, ConstantMagnitude) {
    const struct {
        int32_t in;
        LONG out;
    } rows[] = {{4096, 10000}, {-4096, -10000}, {1, 2}, {-1, -2}, {879609303, INT32_MAX}};
    for (const auto& row : rows) {
        EffectParams p = zero_params();
        p.constant_magnitude = row.in;
        EXPECT_EQ(constant(translate(1, p)).lMagnitude, row.out) << row.in;
    }
}

TEST(Translation, SingleAxisTakesTheFlipOfTheAxisUsed) {
    EffectParams p = zero_params();
    p.constant_magnitude = 4096;
    p.direction_deg = 123;  // ignored with one axis
    const struct {
        int32_t a0, a1;
        uint8_t f0, f1;
        DWORD axis;
        LONG magnitude;
    } rows[] = {{-1, 2, 0, 1, 8, -10000}, {-1, 2, 1, 0, 8, 10000}, {3, -1, 1, 0, 12, -10000},
                {3, -1, 0, 1, 12, 10000}, {6, -1, 0, 0, 24, 10000}, {-1, 7, 0, 0, 28, 10000}};
    for (const auto& row : rows) {
        const Translated t = translate(1, p, row.a0, row.a1, row.f0, row.f1);
        EXPECT_EQ(t.e.cAxes, 1u);
        EXPECT_EQ(t.e.dwFlags, 0x12u);
        EXPECT_EQ(t.s.axes[0], row.axis);
        EXPECT_EQ(t.s.directions[0], 1);
        EXPECT_EQ(t.s.directions[1], 0);
        EXPECT_EQ(constant(t).lMagnitude, row.magnitude) << row.a0 << "," << row.a1;
    }
    // Both axes none cannot come from the host, but still yields a usable X axis.
    const Translated t = translate(1, p, -1, -1);
    EXPECT_EQ(t.e.cAxes, 1u);
    EXPECT_EQ(t.s.axes[0], 0u);
}

TEST(Translation, PeriodicBlock) {
    const struct {
        int32_t magnitude, offset, phase, period;
        uint8_t flip;
        DWORD dw_magnitude;
        LONG l_offset;
        DWORD dw_phase, dw_period;
    } rows[] = {
        {4096, 100, 0, 250, 0, 10000, 244, 0, 250000},
        {4096, 100, 0, 250, 1, 10000, -244, 18000, 250000},
        {2048, 0, 270, 0, 1, 5000, 0, 9000, 1000},
        {-5, 0, -90, -3, 0, 0, 0, 0xFFFFDCD8, 1000},
        {0, 0, -90, 1, 1, 0, 0, 9000, 1000},
        {0, 0, -270, 1, 1, 0, 0, 14296, 1000},  // the unsigned wrap of a negative phase
        {0, 0, 450, 1, 0, 0, 0, 9000, 1000},
    };
    for (const auto& row : rows) {
        EffectParams p = zero_params();
        p.periodic_magnitude = row.magnitude;
        p.periodic_offset = row.offset;
        p.phase_deg = row.phase;
        p.period_ms = row.period;
        const Translated t = translate(4, p, -1, 2, 0, row.flip);
        EXPECT_EQ(t.e.cbTypeSpecificParams, 16u);
        EXPECT_EQ(t.e.lpvTypeSpecificParams, &t.s.periodic);
        EXPECT_EQ(periodic(t).dwMagnitude, row.dw_magnitude) << row.magnitude;
        EXPECT_EQ(periodic(t).lOffset, row.l_offset) << row.offset;
        EXPECT_EQ(periodic(t).dwPhase, row.dw_phase) << row.phase << " flip " << int(row.flip);
        EXPECT_EQ(periodic(t).dwPeriod, row.dw_period) << row.period;
    }
}

TEST(Translation, ConditionOnBothAxes) {
    EffectParams p = zero_params();
    p.direction_deg = 77;  // not read for conditions
    p.cond[0] = {0, 100, 200, 300, 400, 500, 600};
    p.cond[1] = {0, -100, 1000, 2000, 3000, 4000, 50};
    const Translated t = translate(8, p, 0, 1, 0, 1, 1, 1);
    EXPECT_EQ(t.e.cAxes, 2u);
    EXPECT_EQ(t.e.dwFlags, 0x22u);
    EXPECT_EQ(t.s.directions[0], 0);
    EXPECT_EQ(t.s.directions[1], 0);
    EXPECT_EQ(t.e.cbTypeSpecificParams, 48u);
    EXPECT_EQ(t.e.lpvTypeSpecificParams, t.s.conditions);
    const DICONDITION& a = condition(t, 0);  // not flipped
    EXPECT_EQ(a.lOffset, 244);
    EXPECT_EQ(a.lPositiveCoefficient, 488);
    EXPECT_EQ(a.lNegativeCoefficient, 732);
    EXPECT_EQ(a.dwPositiveSaturation, 976u);
    EXPECT_EQ(a.dwNegativeSaturation, 1220u);
    EXPECT_EQ(a.lDeadBand, 1464);
    const DICONDITION& b = condition(t, 1);  // flipped: offset negated, sides exchanged
    EXPECT_EQ(b.lOffset, 244);
    EXPECT_EQ(b.lPositiveCoefficient, 4882);
    EXPECT_EQ(b.lNegativeCoefficient, 2441);
    EXPECT_EQ(b.dwPositiveSaturation, 9765u);
    EXPECT_EQ(b.dwNegativeSaturation, 7324u);
    EXPECT_EQ(b.lDeadBand, 122);
}

TEST(Translation, ConditionAxisSelection) {
    EffectParams p = zero_params();
    p.cond[0] = {0, 40, 0, 0, 0, 0, 0};
    p.cond[1] = {0, 80, 0, 0, 0, 0, 0};
    const struct {
        uint8_t c0, c1;
        int32_t a0, a1;
        uint8_t f0, f1;
        DWORD axis;
        LONG offset;  // which block, and whether flipped
    } rows[] = {
        {0, 1, 3, 5, 0, 1, 20, -195},  // only mapped axis 1 (Rz), its flip
        {0, 1, 0, -1, 1, 0, 0, -97},   // axis 1 unmapped: falls back to cond[0] on axis 0
        {1, 0, -1, 1, 0, 1, 0, 97},    // axis 0 unmapped: X with cond[0], flip of axis 0
        {1, 0, -1, 1, 1, 0, 0, -97},
        {1, 0, 4, 1, 0, 0, 16, 97},
    };
    for (const auto& row : rows) {
        const Translated t = translate(9, p, row.a0, row.a1, row.f0, row.f1, row.c0, row.c1);
        EXPECT_EQ(t.e.cAxes, 1u);
        EXPECT_EQ(t.e.dwFlags, 0x12u);
        EXPECT_EQ(t.s.directions[0], 1);
        EXPECT_EQ(t.e.cbTypeSpecificParams, 24u);
        EXPECT_EQ(t.s.axes[0], row.axis);
        EXPECT_EQ(condition(t, 0).lOffset, row.offset) << int(row.c0) << int(row.c1);
    }
}

TEST(Translation, ConditionValuesAreNotClamped) {
    EffectParams p = zero_params();
    p.cond[0] = {1, 0, 0, 0, -1, 0, -100};
    const Translated t = translate(11, p, 0, -1, 0, 0, 1, 0);
    EXPECT_EQ(condition(t, 0).dwPositiveSaturation, 0u);
    EXPECT_EQ(condition(t, 0).lDeadBand, -244);
}

TEST(Translation, EnvelopeForEveryGroup) {
    EffectParams p = zero_params();
    p.use_envelope = 1;
    p.attack_level = 4096;
    p.attack_ms = 100;
    p.fade_level = -1;
    p.fade_ms = -1;
    p.cond[0].enabled = 1;
    for (int32_t type : {1, 3, 7, 8, 11}) {
        const Translated t = translate(type, p, 0, 1, 0, 0, 1, 0);
        ASSERT_EQ(t.e.lpEnvelope, &t.s.envelope) << type;
        EXPECT_EQ(t.s.envelope.dwSize, 20u);
        EXPECT_EQ(t.s.envelope.dwAttackLevel, 10000u);
        EXPECT_EQ(t.s.envelope.dwAttackTime, 100000u);
        EXPECT_EQ(t.s.envelope.dwFadeLevel, 0u);
        EXPECT_EQ(t.s.envelope.dwFadeTime, 0xFFFFFC18u);
    }
    p.use_envelope = 0;
    EXPECT_EQ(translate(1, p).e.lpEnvelope, nullptr);
}

TEST(Translation, ReadsTheOwningDeviceSlotsMap) {
    DeviceSlot& device = g_devices[2];
    device.axis_map[0] = -1;
    device.axis_map[1] = 2;
    device.axis_flip[1] = 1;
    EffectParams p = zero_params();
    p.constant_magnitude = 4096;
    EffectSlot slot = {1, 3, 1, nullptr, {0, 0}};
    DIEFFECT e;
    EffectScratch s = {};
    translate_effect(slot, p, e, s);
    EXPECT_EQ(e.cAxes, 1u);
    EXPECT_EQ(s.axes[0], 8u);
    EXPECT_EQ(s.constant.lMagnitude, -10000);
    reset_device_slot(2);
}
