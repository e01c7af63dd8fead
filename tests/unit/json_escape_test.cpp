#include "devices/json_escape.h"

#include <gtest/gtest.h>

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
    for (const auto& row : rows) EXPECT_EQ(json_escape(row.in), row.out) << row.in;
}
