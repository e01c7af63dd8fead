#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>

#include "gantrel.h"

namespace {

// "Sep  3 2026" as 20260903; 0 when the text is not such a date.
int date_number(const std::string& text) {
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const char* month = std::strstr(kMonths, text.substr(0, 3).c_str());
    if (text.size() != 11 || month == nullptr || (month - kMonths) % 3) return 0;
    return std::atoi(text.c_str() + 7) * 10000 + static_cast<int>(month - kMonths) / 3 * 100 + 100 +
           std::atoi(text.c_str() + 4);
}

// 20260301 gives 20260228.
int day_before(int date) {
    std::tm day = {};
    day.tm_year = date / 10000 - 1900;
    day.tm_mon = date / 100 % 100 - 1;
    day.tm_mday = date % 100 - 1;
    day.tm_hour = 12;
    std::mktime(&day);
    return (day.tm_year + 1900) * 10000 + (day.tm_mon + 1) * 100 + day.tm_mday;
}

}  // namespace

TEST(FrameExports, AbiVersionIsOne) { EXPECT_EQ(dib_abi_version(), 1); }

TEST(FrameExports, BuildInfoIsTheVersionObject) {
    char buffer[128];
    std::memset(buffer, 'x', sizeof buffer);
    const int32_t n = dib_build_info(buffer, sizeof buffer);
    ASSERT_EQ(n, 49);
    EXPECT_EQ(std::strlen(buffer), 49u);
    const std::string text(buffer);
    EXPECT_TRUE(std::regex_match(
        text, std::regex(R"(\{"version":"0\.9\.6","abi":1,"built":"[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4}"\})")))
        << text;
    const int built = date_number(text.substr(text.size() - 13, 11));
    ASSERT_GT(built, 0) << text;
    // A reproducible build takes its date from SOURCE_DATE_EPOCH, in UTC.
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        const time_t seconds = std::strtoll(epoch, nullptr, 10);
        const std::tm* day = std::gmtime(&seconds);
        ASSERT_NE(day, nullptr) << epoch;
        EXPECT_EQ(built, (day->tm_year + 1900) * 10000 + (day->tm_mon + 1) * 100 + day->tm_mday) << text;
        return;
    }
    // Otherwise it is the day of the latest build: not after today, and not
    // before the day before this test was compiled (a build that crosses
    // midnight may compile the test after the library's date was taken).
    EXPECT_GE(built, day_before(date_number(__DATE__))) << text;
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_LE(built, now.wYear * 10000 + now.wMonth * 100 + now.wDay) << text;
}

TEST(FrameExports, BuildInfoRefusesShortBuffers) {
    char buffer[64];
    EXPECT_EQ(dib_build_info(nullptr, 64), DIB_E_BADARG);
    EXPECT_EQ(dib_build_info(buffer, 7), DIB_E_BADARG);
    EXPECT_EQ(dib_build_info(buffer, 0), DIB_E_BADARG);
    EXPECT_EQ(dib_build_info(buffer, -5), DIB_E_BADARG);
    for (int32_t length : {8, 20, 48, 49}) {
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(dib_build_info(buffer, length), DIB_E_BADARG) << length;
        EXPECT_EQ(std::strlen(buffer), static_cast<size_t>(length - 1)) << "cut, NUL-terminated";
        EXPECT_EQ(buffer[length], 'x') << "nothing written past the length";
    }
    EXPECT_EQ(dib_build_info(buffer, 50), 49);
}

TEST(FrameExports, FrameFailuresLeaveTheMessage) {
    ASSERT_EQ(dib_ffb_axes(9), DIB_E_BADARG);  // writes "bad device handle"
    char buffer[8];
    dib_build_info(nullptr, 0);
    dib_build_info(buffer, 8);
    dib_last_error(nullptr, 10);
    char message[64];
    ASSERT_EQ(dib_last_error(message, sizeof message), 17);
    EXPECT_STREQ(message, "bad device handle");
}

TEST(FrameExports, LastErrorCopiesBoundedAndKeepsTheMessage) {
    ASSERT_EQ(dib_ffb_axes(0), DIB_E_BADARG);
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(dib_last_error(buffer, 0), DIB_E_BADARG);
    EXPECT_EQ(dib_last_error(buffer, -1), DIB_E_BADARG);
    EXPECT_EQ(buffer[0], 'x') << "a refused call writes nothing";
    EXPECT_EQ(dib_last_error(buffer, 1), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(dib_last_error(buffer, 10), 9);
    EXPECT_STREQ(buffer, "bad devic");
    EXPECT_EQ(dib_last_error(buffer, 18), 17);
    EXPECT_STREQ(buffer, "bad device handle");

    // Success does not clear it; the next failure replaces it entirely.
    EXPECT_EQ(dib_abi_version(), 1);
    EXPECT_EQ(dib_last_error(buffer, sizeof buffer), 17);
    EXPECT_EQ(dib_set_axis_map(1, 0, 1, 0, 0), DIB_E_BADARG);
    EXPECT_EQ(dib_effect_update(1, nullptr), DIB_E_BADARG);
    EXPECT_EQ(dib_last_error(buffer, sizeof buffer), 17);
    EXPECT_STREQ(buffer, "bad effect handle");
}
