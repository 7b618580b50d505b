#include "platform/win32/win32_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform_win32::to_utf8;
using platform_win32::to_wide;

// Each row in both encodings, written out unit by unit so neither side is made by the code
// under test.
struct Pair {
    const char* what;
    std::string utf8;
    std::wstring utf16;
};

const Pair kPairs[] = {
    {"empty", "", L""},
    {"ASCII", "Time until Tarnwick 11", L"Time until Tarnwick 11"},
    {"French", "f\xC3\xA9vrier", L"f\u00E9vrier"},
    {"Russian", "\xD0\xAF\xD0\xBD\xD0\xB2\xD0\xB0\xD1\x80\xD1\x8C", L"\u042F\u043D\u0432\u0430\u0440\u044C"},
    {"Japanese", "\xE5\x8D\x81\xE4\xBA\x8C\xE6\x9C\x88", L"\u5341\u4E8C\u6708"},
    {"outside the BMP (a surrogate pair)", "\xF0\x9F\x8E\x89", std::wstring{wchar_t(0xD83C), wchar_t(0xDF89)}},
    {"an embedded zero", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
};

TEST(Win32Text, ConvertsBothWays) {
    for (const Pair& p : kPairs) {
        EXPECT_EQ(to_wide(p.utf8), p.utf16) << p.what;
        EXPECT_EQ(to_utf8(p.utf16), p.utf8) << p.what;
    }
}

TEST(Win32Text, InvalidUtf8BecomesTheReplacementCharacter) {
    struct Case {
        const char* what;
        std::string utf8;
        std::wstring expect;
    };
    const Case kCases[] = {
        {"a stray continuation byte", "a\x80z", L"a\uFFFDz"},
        {"a byte that never occurs", "\xFF", L"\uFFFD"},
        {"a sequence cut short at the end", "ok\xE6\x9C", L"ok\uFFFD"},
    };
    for (const Case& c : kCases) EXPECT_EQ(to_wide(c.utf8), c.expect) << c.what;
}

TEST(Win32Text, LoneSurrogateBecomesTheReplacementCharacter) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(to_utf8(std::wstring{L'a', wchar_t(0xD800), L'z'}), "a" + replacement + "z");
    EXPECT_EQ(to_utf8(std::wstring{wchar_t(0xDC00)}), replacement);
}

}  // namespace
