#include "devices/guid_text.h"

#include <cstdint>
#include <cstdio>

namespace gantrel {
namespace {

bool is_scanf_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One "%<width>X" conversion: white space, optional sign, optional 0x prefix
// and hex digits, sign and prefix counting toward the width. A prefix that
// leaves no room for, or is not followed by, a digit is a matching failure,
// as the C standard's "longest prefix of a matching sequence" rule gives.
bool scan_hex(const char*& p, int width, uint32_t& value) {
    while (is_scanf_space(*p)) ++p;
    int used = 0;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
        ++used;
    }
    if (used + 1 < width && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        p += 2;
        used += 2;
        if (used >= width || hex_value(*p) < 0) return false;
    }
    uint32_t v = 0;
    int digits = 0;
    while (used < width && hex_value(*p) >= 0) {
        v = v * 16 + static_cast<uint32_t>(hex_value(*p));
        ++p;
        ++used;
        ++digits;
    }
    if (digits == 0) return false;
    value = negative ? 0u - v : v;
    return true;
}

bool scan_literal(const char*& p, char c) {
    if (*p != c) return false;
    ++p;
    return true;
}

}  // namespace

void format_guid(const GUID& g, char (&text)[kGuidTextLength + 1]) {
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), unsigned{g.Data2}, unsigned{g.Data3},
                  unsigned{g.Data4[0]}, unsigned{g.Data4[1]}, unsigned{g.Data4[2]},
                  unsigned{g.Data4[3]}, unsigned{g.Data4[4]}, unsigned{g.Data4[5]},
                  unsigned{g.Data4[6]}, unsigned{g.Data4[7]});
}

bool parse_guid(const char* text, GUID* guid) {
    // The format, as (literal before the number, width) pairs; 0 = no literal.
    static constexpr struct {
        char literal;
        int width;
    } kFields[11] = {{'{', 8}, {'-', 4}, {'-', 4}, {'-', 2}, {0, 2}, {'-', 2},
                     {0, 2},   {0, 2},   {0, 2},   {0, 2},   {0, 2}};
    uint32_t values[11];
    const char* p = text;
    for (int i = 0; i < 11; ++i) {
        if (kFields[i].literal && !scan_literal(p, kFields[i].literal)) return false;
        if (!scan_hex(p, kFields[i].width, values[i])) return false;
    }
    guid->Data1 = values[0];
    guid->Data2 = static_cast<uint16_t>(values[1]);
    guid->Data3 = static_cast<uint16_t>(values[2]);
    for (int i = 0; i < 8; ++i) guid->Data4[i] = static_cast<uint8_t>(values[3 + i]);
    return true;
}

}  // namespace gantrel
