#include "effects/effect_outcome.h"

#include <gtest/gtest.h>

#include "gantrel.h"

using namespace gantrel;

namespace {
constexpr HRESULT code(uint32_t v) { return static_cast<HRESULT>(v); }
const char kExclusive[] = "another application has exclusive use of the device";
}  // namespace

TEST(EffectOutcome, CreateMapsEveryCodeRowByRow) {
    const struct {
        HRESULT hr;
        bool got_interface;
        int32_t result;
        const char* message;
    } rows[] = {
        {code(0x80040201), false, DIB_E_POOLFULL, "device effect pool exhausted"},
        {code(0x80070005), false, DIB_E_EXCLUSIVE, kExclusive},
        {code(0x8007000C), false, DIB_E_EXCLUSIVE, kExclusive},
        {code(0x8007001E), false, DIB_E_EXCLUSIVE, kExclusive},
        {code(0x80040205), false, DIB_E_EXCLUSIVE, kExclusive},
        {code(0x80004001), false, DIB_E_UNSUPPORTED, "CreateEffect failed"},
        {code(0x80040208), false, DIB_E_FAILED, "CreateEffect failed"},
        {code(0x80070057), false, DIB_E_FAILED, "CreateEffect failed"},
        {S_OK, false, DIB_E_FAILED, "CreateEffect failed"},  // success without an interface
        {S_OK, true, DIB_OK, nullptr},
        {code(0x00000001), true, DIB_OK, nullptr},  // S_FALSE-like success codes count
    };
    for (const auto& row : rows) {
        const EffectOutcome o = create_outcome(row.hr, row.got_interface);
        EXPECT_EQ(o.result, row.result) << std::hex << row.hr;
        if (row.message)
            EXPECT_STREQ(o.message, row.message);
        else
            EXPECT_EQ(o.message, nullptr);
    }
}

TEST(EffectOutcome, StartMapsEveryCodeRowByRow) {
    const struct {
        HRESULT hr;
        int32_t result;
    } rows[] = {
        {code(0x80040201), DIB_E_FAILED},    {code(0x80070005), DIB_E_EXCLUSIVE},
        {code(0x8007000C), DIB_E_EXCLUSIVE}, {code(0x8007001E), DIB_E_EXCLUSIVE},
        {code(0x80040205), DIB_E_EXCLUSIVE}, {code(0x80004001), DIB_E_FAILED},
        {code(0x80040208), DIB_E_FAILED},    {S_OK, DIB_OK},
    };
    for (const auto& row : rows) {
        const EffectOutcome o = start_outcome(row.hr);
        EXPECT_EQ(o.result, row.result) << std::hex << row.hr;
        if (row.result == DIB_E_EXCLUSIVE) EXPECT_STREQ(o.message, kExclusive);
        if (row.result == DIB_E_FAILED) EXPECT_STREQ(o.message, "effect Start failed");
    }
}

TEST(EffectOutcome, UpdateFlags) {
    for (int32_t type : {1, 3, 4, 5, 6, 7}) {
        EXPECT_EQ(update_flags(type, false), 0x40000145u) << type;
        EXPECT_EQ(update_flags(type, true), 0x400001C5u) << type;
    }
    for (int32_t type : {8, 9, 10, 11}) {
        EXPECT_EQ(update_flags(type, false), 0x40000105u) << type;
        EXPECT_EQ(update_flags(type, true), 0x40000185u) << type;
    }
}
