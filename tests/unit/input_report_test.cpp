#include "input/input_report.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace gantrel;

TEST(InputReport, ClampsToTheBridgeRange) {
    const struct {
        int32_t in;
        int16_t out;
    } rows[] = {{0, 0},         {4096, 4096},       {4097, 4096},         {5000, 4096},
                {-4096, -4096}, {-5000, -4096},     {INT32_MAX, 4096},    {INT32_MIN, -4096},
                {-1, -1},       {65535, 4096}};
    for (const auto& row : rows) EXPECT_EQ(clamp_axis(row.in), row.out) << row.in;
}

TEST(InputReport, PovCodesBySector) {
    const struct {
        uint32_t value;
        uint16_t code;
    } rows[] = {{0, 0},     {2249, 0},   {2250, 1},       {4500, 1},   {9000, 2},
                {13500, 3}, {18000, 4},  {22500, 5},      {27000, 6},  {31500, 7},
                {33749, 7}, {33750, 0},  {35999, 0},      {0xFFFFFFFFu, 15},
                {0x1234FFFFu, 15}, {0xFFFFu, 15}, {36000, 0}, {0xFFFFFFFEu, 0}};
    for (const auto& row : rows) EXPECT_EQ(pov_code(row.value), row.code) << row.value;
}

TEST(InputReport, AxisCodeRange) {
    for (int32_t code = -1; code <= 7; ++code) EXPECT_TRUE(valid_axis_code(code)) << code;
    for (int32_t code : {-2, 8, INT32_MIN, INT32_MAX}) EXPECT_FALSE(valid_axis_code(code)) << code;
}

namespace {

DIJOYSTATE2 sample_state() {
    DIJOYSTATE2 s = {};
    s.lX = 100;
    s.lY = -200;
    s.lZ = 300;
    s.lRx = 5000;
    s.lRy = -5000;
    s.lRz = 7;
    s.rglSlider[0] = 11;
    s.rglSlider[1] = -12;
    for (DWORD& pov : s.rgdwPOV) pov = 0xFFFFFFFF;
    return s;
}

InputReport build(const DIJOYSTATE2& s, int32_t a0, int32_t a1, uint8_t f0, uint8_t f1) {
    const int32_t map[2] = {a0, a1};
    const uint8_t flip[2] = {f0, f1};
    InputReport r;
    std::memset(&r, 0x5A, sizeof r);
    build_input_report(s, map, flip, &r);
    return r;
}

}  // namespace

TEST(InputReport, MappedAxesFollowMapAndFlip) {
    const DIJOYSTATE2 s = sample_state();
    InputReport r = build(s, 0, 1, 0, 0);
    EXPECT_EQ(r.axis0, 100);
    EXPECT_EQ(r.axis1, -200);
    EXPECT_EQ(r.z, 300);
    EXPECT_EQ(r.rx, 4096);
    EXPECT_EQ(r.ry, -4096);
    EXPECT_EQ(r.rz, 7);
    EXPECT_EQ(r.slider0, 11);
    EXPECT_EQ(r.slider1, -12);
    EXPECT_EQ(r.pov_codes, 0xFFFF);

    r = build(s, -1, 1, 0, 0);
    EXPECT_EQ(r.axis0, 0);
    EXPECT_EQ(r.axis1, -200);

    r = build(s, 2, 2, 0, 0);  // the same axis three times: mapped twice and in its own field
    EXPECT_EQ(r.axis0, 300);
    EXPECT_EQ(r.axis1, 300);
    EXPECT_EQ(r.z, 300);

    r = build(s, 3, 4, 1, 1);  // flip then clamp
    EXPECT_EQ(r.axis0, -4096);
    EXPECT_EQ(r.axis1, 4096);
    EXPECT_EQ(r.rx, 4096);  // own fields are never flipped

    DIJOYSTATE2 extreme = s;
    extreme.lX = INT32_MIN;  // negation keeps INT32_MIN
    r = build(extreme, 0, 7, 1, 1);
    EXPECT_EQ(r.axis0, -4096);
    EXPECT_EQ(r.axis1, 12);
}

TEST(InputReport, ButtonsAndHats) {
    DIJOYSTATE2 s = sample_state();
    s.rgbButtons[0] = 0x80;
    s.rgbButtons[5] = 0xFF;
    s.rgbButtons[6] = 0x7F;  // high bit clear: released
    s.rgbButtons[63] = 0x80;
    s.rgbButtons[64] = 0x80;  // beyond the mask
    s.rgbButtons[127] = 0x80;
    s.rgdwPOV[0] = 9000;
    s.rgdwPOV[1] = 0;
    s.rgdwPOV[2] = 31500;
    s.rgdwPOV[3] = 0xFFFF;
    const InputReport r = build(s, 0, 1, 0, 0);
    EXPECT_EQ(r.button_mask, (uint64_t{1} << 0) | (uint64_t{1} << 5) | (uint64_t{1} << 63));
    EXPECT_EQ(r.pov_codes, 0xF702);
}

TEST(InputReport, WritesOnlyTheFirst26Bytes) {
    const InputReport r = build(sample_state(), 0, 1, 0, 0);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&r);
    for (int i = 26; i < 32; ++i) EXPECT_EQ(bytes[i], 0x5A) << "byte " << i;
}
