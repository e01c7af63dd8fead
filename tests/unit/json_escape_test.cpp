#include "devices/json_escape.h"

#include <gtest/gtest.h>

#include <cstring>

using gantrel::json_escape;

TEST(JsonEscape, EscapesQuoteAndBackslashDropsControlBytes) {
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"", ""},
        {"Wheel", "Wheel"},
        {"Say \"hi\"", "Say \\\"hi\\\""},
        {"C:\\pedals\\", "C:\\\\pedals\\\\"},
        {"tab\there\nnew\rline\x1f", "tabherenewline"},
        {"\x01\x02", ""},
        {"caf\xE9 \x80\xFF", "caf\xE9 \x80\xFF"},  // ANSI bytes pass unchanged
        {"\x7F", "\x7F"},                         // DEL is not a control byte here
        {"/<>", "/<>"},
    };
    for (const auto& row : rows) {
        char out[64];
        EXPECT_EQ(json_escape(row.in, 20, out), std::strlen(row.out)) << row.in;
        EXPECT_STREQ(out, row.out) << row.in;
    }
}

// A name that fills its record without a NUL is read up to the record's end only.
TEST(JsonEscape, StopsAtTheGivenLength) {
    const char unterminated[4] = {'a', '"', 'b', 'c'};
    char out[9];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(json_escape(unterminated, sizeof unterminated, out), 5u);
    EXPECT_STREQ(out, "a\\\"bc");
    EXPECT_EQ(out[6], 'x');
}
