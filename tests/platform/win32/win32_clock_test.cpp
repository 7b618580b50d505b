#include "platform/win32/win32_clock.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

using Names = std::array<const char*, 12>;

const Names kEnglish = {"January", "February", "March",     "April",   "May",      "June",
                        "July",    "August",   "September", "October", "November", "December"};
const Names kFrench = {"janvier",
                       "f\xC3\xA9vrier",
                       "mars",
                       "avril",
                       "mai",
                       "juin",
                       "juillet",
                       "ao\xC3\xBBt",
                       "septembre",
                       "octobre",
                       "novembre",
                       "d\xC3\xA9"
                       "cembre"};

void expect_names(const platform_win32::Win32Clock& clock, const Names& expected, const char* what) {
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(clock.month_name(m), expected[static_cast<std::size_t>(m - 1)]) << what << ", month " << m;
}

TEST(Win32Clock, NamesOfTheLocaleAsked) {
    expect_names(platform_win32::Win32Clock(L"en-US"), kEnglish, "en-US");
    expect_names(platform_win32::Win32Clock(L"fr-FR"), kFrench, "fr-FR");
}

TEST(Win32Clock, NamesOutsideLatinScriptArriveAsUtf8) {
    struct Case {
        const wchar_t* locale;
        int month;
        const char* expect;
    };
    const Case kCases[] = {
        // The standalone form: "январь" on its own, not "января" as inside a date.
        {L"ru-RU", 1, "\xD1\x8F\xD0\xBD\xD0\xB2\xD0\xB0\xD1\x80\xD1\x8C"},
        {L"ru-RU", 12, "\xD0\xB4\xD0\xB5\xD0\xBA\xD0\xB0\xD0\xB1\xD1\x80\xD1\x8C"},
        {L"ja-JP", 1, "1\xE6\x9C\x88"},    // 1月
        {L"ja-JP", 12, "12\xE6\x9C\x88"},  // 12月
    };
    for (const Case& c : kCases)
        EXPECT_EQ(platform_win32::Win32Clock(c.locale).month_name(c.month), c.expect) << c.month;
}

TEST(Win32Clock, UnknownLocaleThrows) { EXPECT_THROW(platform_win32::Win32Clock(L"xx-NOWHERE"), std::runtime_error); }

TEST(Win32Clock, MonthOutsideOneToTwelveThrows) {
    const platform_win32::Win32Clock clock(L"en-US");
    for (int m : {0, 13, -1, INT_MIN, INT_MAX}) EXPECT_THROW(clock.month_name(m), std::out_of_range) << m;
}

// Seconds since an arbitrary epoch, enough to order two readings a moment apart.
long long seconds(const engine::LocalTime& t) {
    return ((((t.year * 13LL + t.month) * 32 + t.day) * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
}
engine::LocalTime from_system(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

TEST(Win32Clock, EveryReadingIsFreshLocalTime) {
    const platform_win32::Win32Clock clock(L"en-US");
    SYSTEMTIME start{};
    GetLocalTime(&start);
    engine::LocalTime reading{};
    // Readings across the change of a second each lie between two of the system's own.
    for (;;) {
        SYSTEMTIME before{}, after{};
        GetLocalTime(&before);
        reading = clock.now();
        GetLocalTime(&after);
        EXPECT_LE(seconds(from_system(before)), seconds(reading));
        EXPECT_LE(seconds(reading), seconds(from_system(after)));
        if (seconds(reading) > seconds(from_system(start))) break;
        Sleep(10);
    }
    EXPECT_GE(reading.month, 1);
    EXPECT_LE(reading.month, 12);
}

// The user's own settings, run by a CTest entry of its own under the locale its environment
// names (Wine takes the user's locale from LC_ALL); VELMORA_EXPECTED_MONTHS says which.
TEST(Win32ClockUserLocale, NamesFollowTheUserSettings) {
    const char* expected = std::getenv("VELMORA_EXPECTED_MONTHS");
    ASSERT_NE(expected, nullptr) << "run by the CTest entries that set VELMORA_EXPECTED_MONTHS";
    const std::string language = expected;
    ASSERT_TRUE(language == "English" || language == "French") << language;
    expect_names(platform_win32::Win32Clock(), language == "French" ? kFrench : kEnglish, expected);
}

}  // namespace
