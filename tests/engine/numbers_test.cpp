#include "engine/numbers.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "engine_harness.h"

namespace {

using engine::number_to_text;
using engine::text_to_number;

TEST(TextToNumber, ReadsDecimalIntegersExactly) {
    struct Case {
        const char* text;
        double value;
    };
    // clang-format off
    const Case kCases[] = {
        {"12", 12}, {"-8", -8}, {" 7 ", 7}, {"0", 0}, {"-0", 0}, {"554", 554}, {"-19", -19},
        {"\t24\t", 24}, {"2013", 2013}, {"9007199254740993", 9007199254740992.0},  // rounds like a double
        {"007", 7}, {"999999999999999", 999999999999999.0}, {"-999999999999999", -999999999999999.0},
        {"1234567890123456", 1234567890123456.0}, {"12.0", 12}, {"1e3", 1000},  // past the plain-digit road
    };
    // clang-format on
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        const auto v = text_to_number(c.text);
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(*v, c.value);
    }
    EXPECT_TRUE(std::signbit(*text_to_number("-0"))) << "-0 is negative zero, which still equals 0";
}

TEST(TextToNumber, FailsOnTextThatIsNotANumber) {
    const char* const kNotNumbers[] = {
        "CurMon",   "Label9", "EndDays", "",    " ",   "\t", "12abc", "abc12", "1 2", "nan", "NaN",   "inf",    "-inf",
        "infinity", "0x10",   "1e",      "1e+", "--1", "-",  "+",     ".",     "- 1", "1-",  "1e999", "-1e999", "\n",
    };
    for (const char* text : kNotNumbers) EXPECT_FALSE(text_to_number(text).has_value()) << '"' << text << '"';
}

TEST(TextToNumber, DoesNotReadPastTheGivenText) {
    const std::string digits = "12345";
    EXPECT_EQ(text_to_number(std::string_view(digits).substr(0, 2)), 12.0);
}

TEST(NumberToText, WritesWholeNumbersAsPlainDigits) {
    struct Case {
        double value;
        const char* text;
    };
    // clang-format off
    const Case kCases[] = {
        {554, "554"},
        {-8, "-8"},
        {0, "0"},
        {-0.0, "0"},
        {365, "365"},
        {60, "60"},
        {-2, "-2"},
        {9007199254740992.0, "9007199254740992"},
        {9.0e15, "9000000000000000"},
        {1e16, "10000000000000000"},
        {-1e16, "-10000000000000000"},
        {1e21, "1000000000000000000000"},
        {1e23, "99999999999999991611392"},  // the double nearest 1e23, digit for digit
    };
    // clang-format on
    for (const Case& c : kCases) {
        EXPECT_EQ(number_to_text(c.value), c.text) << c.value;
        engine::NumberBuffer buffer;
        EXPECT_EQ(engine::format_number(c.value, buffer), c.text) << c.value;
    }
}

TEST(NumberToText, LargestWholeNumbersReadBackUnchangedWithoutExponent) {
    for (double v : {DBL_MAX, -DBL_MAX, 0x1p63, 0x1p64, 1e300, 4.5e15 * 3}) {
        const std::string text = number_to_text(v);
        EXPECT_EQ(text.find_first_not_of("-0123456789"), std::string::npos) << text;
        ASSERT_TRUE(text_to_number(text).has_value()) << text;
        EXPECT_EQ(*text_to_number(text), v) << text;
    }
    EXPECT_EQ(number_to_text(DBL_MAX).size(), 309u);
}

TEST(NumberToText, ValuesThatNeverOccurStillGetADefinedText) {
    // No run produces these; they must still give a text and not crash.
    EXPECT_EQ(number_to_text(0.5), "0.5");
    EXPECT_EQ(number_to_text(-2.25), "-2.25");
    EXPECT_EQ(number_to_text(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_FALSE(text_to_number(number_to_text(std::numeric_limits<double>::quiet_NaN())).has_value());
}

TEST(ReadNumber, ThrowsTypeMismatchNamingTheFieldAndItsText) {
    engine::FieldStore f(engine_test::kEngineFields);
    try {
        engine::read_number(f, "CurYearVal");
        FAIL() << "Label9 read as a number";
    } catch (const engine::TypeMismatch& e) {
        EXPECT_EQ(e.field(), "CurYearVal");
        EXPECT_EQ(e.text(), "Label9");
        EXPECT_NE(std::string(e.what()).find("CurYearVal"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("\"Label9\""), std::string::npos) << e.what();
    }
    engine::write_number(f, "CurYearVal", 365);
    EXPECT_EQ(f.get("CurYearVal"), "365");
    EXPECT_EQ(engine::read_number(f, "CurYearVal"), 365);
    EXPECT_THROW(engine::read_number(f, "NoSuchField"), std::out_of_range);
}

TEST(WriteNumber, AWrittenNumberReadsBackAsItsTextWouldUntilTheFieldIsWrittenAsText) {
    // Each number: written, read back (from the number kept with the text), then read again
    // after the same text is written as text (read from the text itself).
    const double numbers[] = {0,
                              -0.0,
                              7,
                              2013,
                              -5,
                              0.1,
                              -2.25,
                              1e16,
                              1e300,
                              1.5e-7,
                              123456789012345678.0,
                              std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
    for (const double value : numbers) {
        SCOPED_TRACE(value);
        engine::FieldStore f(engine_test::kEngineFields);
        const std::size_t at = f.index_of("CurSec");
        int changes = 0;
        f.on_change([&](std::size_t, const std::string&) { ++changes; });
        engine::write_number(f, at, value);
        engine::write_number(f, at, value);  // the same number again changes nothing
        EXPECT_EQ(changes, 1);
        const std::string text = f.text(at);
        EXPECT_EQ(text, number_to_text(value));
        const std::optional<double> from_text = text_to_number(text);
        std::optional<engine::Mismatch> failure;
        const std::optional<double> read = engine::try_read_number(f, at, failure);
        ASSERT_EQ(read.has_value(), from_text.has_value());
        EXPECT_EQ(failure.has_value(), !from_text.has_value());
        if (read) {
            EXPECT_EQ(*read, *from_text);
            EXPECT_EQ(std::signbit(*read), std::signbit(*from_text));  // "0" reads as zero, not -0
        }
        // Written as text the field forgets the number: what it reads as follows the text.
        f.set(at, "12 ");
        failure.reset();
        EXPECT_EQ(engine::try_read_number(f, at, failure), std::optional<double>(12));
        f.set(at, "CurSec");
        EXPECT_FALSE(engine::try_read_number(f, at, failure).has_value());
        engine::write_number(f, at, value);  // and a number written afterwards is that number's text again
        EXPECT_EQ(f.text(at), text);
    }
}

}  // namespace
