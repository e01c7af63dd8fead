#include "devices/guid_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

using gantrel::format_guid;
using gantrel::parse_guid;

namespace {

const GUID kSample = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const char kSampleText[] = "{6F1D2B61-D5A0-11CF-BFC7-444553540000}";
const GUID kSentinel = {0xAAAAAAAA, 0xBBBB, 0xCCCC, {1, 2, 3, 4, 5, 6, 7, 8}};

std::string text_of(const GUID& g) {
    char text[gantrel::kGuidTextLength + 1];
    format_guid(g, text);
    return text;
}

bool same(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

// Parses into a sentinel-filled GUID; the sentinel must survive a failure.
bool parses_to(const char* text, GUID& out) {
    out = kSentinel;
    const bool ok = parse_guid(text, &out);
    if (!ok) EXPECT_TRUE(same(out, kSentinel)) << "failed parse wrote the GUID: " << text;
    return ok;
}

}  // namespace

TEST(GuidText, FormatsUpperCaseZeroPadded) {
    EXPECT_EQ(text_of(kSample), kSampleText);
    EXPECT_EQ(text_of(GUID{}), "{00000000-0000-0000-0000-000000000000}");
    const GUID small = {0xA, 0xB, 0xC, {0, 1, 2, 3, 4, 5, 6, 0xFF}};
    EXPECT_EQ(text_of(small), "{0000000A-000B-000C-0001-0203040506FF}");
}

TEST(GuidText, AcceptsTheLooserFormsTheScanAllows) {
    const char* equivalent[] = {
        kSampleText,
        "{6f1d2b61-d5a0-11cf-bfc7-444553540000}",      // lower case
        "{6F1D2B61-D5A0-11CF-BFC7-444553540000",       // no closing brace
        "{6F1D2B61-D5A0-11CF-BFC7-444553540000}trail", // anything after it
        "{6F1D2B61-D5A0-11CF-BFC7-444553540000x",
        "{ 6F1D2B61-D5A0-11CF-BFC7-444553540000}",     // blanks before numbers
        "{6F1D2B61- D5A0-\t11CF-\nBFC7-444553540000}",
        "{6F1D2B61-D5A0-11CF-BF C7-44 45 53 54 00 00}", // white space between byte pairs
    };
    for (const char* text : equivalent) {
        GUID g;
        ASSERT_TRUE(parses_to(text, g)) << text;
        EXPECT_TRUE(same(g, kSample)) << text;
    }
}

TEST(GuidText, ShortAndPrefixedNumbers) {
    GUID g;
    ASSERT_TRUE(parses_to("{1234567-0001-0002-0304-050607080910}", g));  // seven digits
    EXPECT_EQ(g.Data1, 0x1234567u);
    ASSERT_TRUE(parses_to("{+6F1D2B6-D5A0-11CF-BFC7-444553540000}", g));  // sign uses width
    EXPECT_EQ(g.Data1, 0x06F1D2B6u);
    ASSERT_TRUE(parses_to("{0x123456-12-3-4 5-1 2 3 4 5 6}", g));
    EXPECT_EQ(g.Data1, 0x123456u);
    EXPECT_EQ(g.Data2, 0x12);
    EXPECT_EQ(g.Data3, 0x3);
    EXPECT_EQ(g.Data4[0], 4);
    EXPECT_EQ(g.Data4[1], 5);
    EXPECT_EQ(g.Data4[7], 6);
    // A minus sign negates before the value is cut to the field's width.
    ASSERT_TRUE(parses_to("{-1-0001-0002-0304-050607080910}", g));
    EXPECT_EQ(g.Data1, 0xFFFFFFFFu);
    ASSERT_TRUE(parses_to("{00000000--1-0002--1-2-060708091011}", g));
    EXPECT_EQ(g.Data2, 0xFFFF);
    EXPECT_EQ(g.Data4[0], 0xFF);
    EXPECT_EQ(g.Data4[1], 0xFE);  // "-2": a sign may stand between byte pairs
    EXPECT_EQ(g.Data4[2], 0x06);
}

TEST(GuidText, RejectsMalformedText) {
    const char* malformed[] = {
        "",
        " {6F1D2B61-D5A0-11CF-BFC7-444553540000}",  // blank before the brace
        "6F1D2B61-D5A0-11CF-BFC7-444553540000}",    // no opening brace
        "{6F1D2B61D5A0-11CF-BFC7-444553540000}",    // hyphen missing
        "{6F1D2B61-D5A011CF-BFC7-444553540000}",
        "{6F1D2B61-D5A0-11CFBFC7-444553540000}",
        "{6F1D2B61-D5A0-11CF-BFC7444553540000}",
        "{6F1D2B61A-D5A0-11CF-BFC7-444553540000}",  // nine digits: the ninth meets "-"
        "{6F1D2B61-D5A0-11CF-BFC7-4445535400",      // ends before the eleventh number
        "{0x123456-0x12-0X3-0x0x-0102030405}",
        "{-",
        "{G0000000-0000-0000-0000-000000000000}",
        "{0x-0000-0000-0000-000000000000}",          // prefix without a digit
        "{00000000-0000-0000-0000-00000000000x}",
        "{00000000-0000-0000-0000-0x0000000000}",    // a two-wide "0x" leaves no digit
        "{00000000-+-0000-0000-000000000000}",
    };
    for (const char* text : malformed) {
        GUID g;
        EXPECT_FALSE(parses_to(text, g)) << text;
    }
}

TEST(GuidText, RandomRoundTrip) {
    std::mt19937 rng(12345);
    for (int i = 0; i < 20000; ++i) {
        GUID g;
        for (size_t b = 0; b < sizeof g; ++b) reinterpret_cast<unsigned char*>(&g)[b] = rng() & 0xFF;
        const std::string text = text_of(g);
        ASSERT_EQ(text.size(), 38u);
        GUID back;
        ASSERT_TRUE(parses_to(text.c_str(), back)) << text;
        ASSERT_TRUE(same(back, g)) << text;
    }
}

TEST(GuidText, RandomMalformedTextNeverWritesOnFailure) {
    std::mt19937 rng(777);
    const char alphabet[] = "{}-0123456789abcdefABCDEFxX+- \t";
    for (int i = 0; i < 50000; ++i) {
        std::string text = text_of(kSample);
        // Mutate a valid text: replace, delete or insert a few characters.
        const int edits = 1 + rng() % 3;
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const size_t pos = rng() % text.size();
            const char c = alphabet[rng() % (sizeof alphabet - 1)];
            switch (rng() % 3) {
                case 0: text[pos] = c; break;
                case 1: text.erase(pos, 1); break;
                default: text.insert(pos, 1, c); break;
            }
        }
        GUID g = kSentinel;
        if (!parse_guid(text.c_str(), &g)) ASSERT_TRUE(same(g, kSentinel)) << text;
    }
}
