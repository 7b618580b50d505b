#include "engine/failure_log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/numbers.h"
#include "engine_harness.h"

namespace {

using engine::FailureLog;
using engine::TypeMismatch;

std::vector<std::string> lines(const std::ostringstream& out) {
    std::vector<std::string> result;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

// The lines a person reads when the real runs fail on a design text the rules leave in place.
constexpr const char* kDecemberLine =
    "velmora3-c: countdown run stopped: field CurYearVal holds \"Label9\", which is not a number. The countdown "
    "counts to the festival of 12 April 2013, and in December it adds a year's length that the clock writes into "
    "CurYearVal (\"365\") only in 2012 and 2013: in December of other years the sentence keeps its last text "
    "(\"Label2\" until one is written).";
constexpr const char* kNoDayCountLine =
    "velmora3-c: countdown run stopped: field EndDays holds \"EndDays\", which is not a number. The countdown "
    "works out its day count only in February, March, April and December: in the other months, until it has one, "
    "the sentence shows \"EndDays\" where the days belong.";
constexpr const char* kBeforeTheClockLine =
    "velmora3-c: countdown run stopped: field CurMon holds \"CurMon\", which is not a number. The clock had not "
    "yet written the date and time; its next run does.";

auto fails_with(const char* field, const char* text) {
    return [=] { throw TypeMismatch(field, text); };
}
void clean() {}

TEST(FailureLog, ReportsAPersistingCauseOnce) {
    std::ostringstream out;
    FailureLog log(out, "countdown run");
    for (int i = 0; i < 50; ++i) EXPECT_FALSE(log.run(fails_with("EndDays", "EndDays")));
    const auto got = lines(out);
    ASSERT_EQ(got.size(), 1u) << out.str();
    EXPECT_NE(got[0].find("countdown run"), std::string::npos) << got[0];
    EXPECT_NE(got[0].find("EndDays"), std::string::npos) << got[0];
    EXPECT_NE(got[0].find("\"EndDays\""), std::string::npos) << "names the text, quoted: " << got[0];
}

TEST(FailureLog, ANewCauseGivesANewLine) {
    std::ostringstream out;
    FailureLog log(out, "countdown run");
    log.run(fails_with("CurMon", "CurMon"));
    log.run(fails_with("CurMon", "CurMon"));
    log.run(fails_with("CurYearVal", "Label9"));   // another field
    log.run(fails_with("CurYearVal", "Label10"));  // the same field, another text
    log.run(fails_with("CurYearVal", "Label9"));   // seen before, no clean run since
    const auto got = lines(out);
    ASSERT_EQ(got.size(), 3u) << out.str();
    EXPECT_NE(got[0].find("CurMon"), std::string::npos);
    EXPECT_NE(got[1].find("CurYearVal"), std::string::npos);
    EXPECT_NE(got[1].find("\"Label9\""), std::string::npos);
    EXPECT_NE(got[2].find("\"Label10\""), std::string::npos);
}

TEST(FailureLog, EachReportReachesTheSinkAsOneWholeLine) {
    std::vector<std::string> got;
    FailureLog log([&got](const std::string& line) { got.push_back(line); }, "clock run");
    log.run(fails_with("CurMon", "CurMon"));
    log.run(fails_with("CurMon", "CurMon"));
    log.run(fails_with("CurSec", "a \"b\""));
    EXPECT_EQ(got, (std::vector<std::string>{
                       "velmora3-c: clock run stopped: field CurMon holds \"CurMon\", which is not a number. The "
                       "clock had not yet written the date and time; its next run does.\n",
                       "velmora3-c: clock run stopped: field CurSec holds \"a \"b\"\", which is not a number\n",
                   }));
}

TEST(FailureLog, AStreamGetsTheSameLineThroughEitherConstructor) {
    std::ostringstream sink, streamed_out;
    FailureLog log(engine::line_sink(sink), "countdown run");
    FailureLog streamed(streamed_out, "countdown run");
    log.run(fails_with("EndDays", "x"));
    streamed.run(fails_with("EndDays", "x"));
    EXPECT_EQ(streamed_out.str(), sink.str());
    EXPECT_EQ(sink.str(), "velmora3-c: countdown run stopped: field EndDays holds \"x\", which is not a number\n");
}

TEST(FailureLog, AfterACleanRunTheSameCauseIsReportedAgain) {
    std::ostringstream out;
    FailureLog log(out, "clock run");
    log.run(fails_with("CurMon", "CurMon"));
    EXPECT_TRUE(log.run(clean));
    EXPECT_TRUE(log.run(clean));
    log.run(fails_with("CurMon", "CurMon"));
    log.run(fails_with("CurMon", "CurMon"));
    EXPECT_EQ(lines(out).size(), 2u) << out.str();
}

TEST(FailureLog, OtherExceptionsPassThroughUnreported) {
    std::ostringstream out;
    FailureLog log(out, "countdown run");
    EXPECT_THROW(log.run([] { throw std::out_of_range("no field named X"); }), std::out_of_range);
    EXPECT_EQ(out.str(), "");
    // And they do not count as a clean run: a persisting cause stays quiet.
    log.run(fails_with("EndDays", "EndDays"));
    EXPECT_THROW(log.run([] { throw std::logic_error("x"); }), std::logic_error);
    log.run(fails_with("EndDays", "EndDays"));
    EXPECT_EQ(lines(out).size(), 1u) << out.str();
}

TEST(FailureLog, RealCountdownInJanuaryFailsQuietlyAfterTheFirstLine) {
    engine_test::Program p;
    std::ostringstream out;
    FailureLog log(out, "countdown run");
    p.clock.set(engine_test::at(2013, 1, 15, 8, 0, 0));
    for (int i = 0; i < 50; ++i) {
        p.tick_timer1();
        EXPECT_FALSE(log.record(engine::countdown_run(p.fields, p.countdown_actions())));
    }
    ASSERT_EQ(lines(out).size(), 1u) << out.str();
    EXPECT_EQ(lines(out)[0], kNoDayCountLine);
    p.press_command2();  // gives EndDays a number: the run completes
    EXPECT_TRUE(log.record(engine::countdown_run(p.fields, p.countdown_actions())));
    EXPECT_EQ(p["Final"], "It is 11 Days, 16 Hours, 60 Minutes, and 60 Seconds");
}

// Where the real runs fail on a design text, the line says why; the clock may or may not have
// run before the countdown's first tick.
TEST(FailureLog, RealFailuresSayWhyInPlainWords) {
    struct Case {
        const char* what;
        engine::LocalTime when;
        bool clock_first;
        const char* line;
    };
    // clang-format off
    const Case kCases[] = {
        {"December outside 2012 and 2013", engine_test::at(2026, 12, 9, 5, 24, 41), true, kDecemberLine},
        {"a month without a rule", engine_test::at(2013, 6, 1, 12, 0, 0), true, kNoDayCountLine},
        {"the countdown ticks first", engine_test::at(2013, 4, 3, 14, 25, 7), false, kBeforeTheClockLine},
    };
    // clang-format on
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        engine_test::Program p;
        std::ostringstream out;
        FailureLog log(out, "countdown run");
        p.clock.set(c.when);
        if (c.clock_first) p.tick_timer1();
        EXPECT_FALSE(log.record(engine::countdown_run(p.fields, p.countdown_actions())));
        EXPECT_EQ(lines(out), std::vector<std::string>{c.line});
    }
}

// Only the field and the text together tell the cause: anything else gets the plain line.
TEST(FailureLog, SaysWhyOnlyWhereFieldAndTextTellIt) {
    struct Case {
        const char *field, *text;
    };
    const Case kUnexplained[] = {{"CurYearVal", "Label10"}, {"CurYearVal", ""},    {"DaysInMon", "Label9"},
                                 {"EndDays", "EndDay"},     {"EndDay", "EndDays"}, {"CurMon", "curmon"}};
    for (const Case& c : kUnexplained) {
        std::ostringstream out;
        FailureLog log(out, "countdown run");
        log.run(fails_with(c.field, c.text));
        EXPECT_EQ(out.str(), "velmora3-c: countdown run stopped: field " + std::string(c.field) + " holds \"" + c.text +
                                 "\", which is not a number\n");
    }
}

// The countdown fails on every tick for most of the year; it gives the failing field back
// instead of throwing, at the step the thrown form would have stopped at.
TEST(FailureLog, CountdownRunsGiveTheirFailureBackWithoutThrowing) {
    struct Case {
        engine::LocalTime when;
        const char* field;
    };
    const Case kCases[] = {
        {engine_test::at(2026, 12, 7, 23, 40, 0), "CurYearVal"},  // December outside 2012 and 2013
        {engine_test::at(2013, 6, 1, 12, 0, 0), "EndDays"},       // a month without a rule
    };
    for (const Case& c : kCases) {
        engine_test::Program p;
        p.clock.set(c.when);
        p.tick_timer1();
        std::optional<engine::Mismatch> failure;
        EXPECT_NO_THROW(failure = engine::countdown_run(p.fields, p.countdown_actions()));
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->field, c.field);
        EXPECT_EQ(failure->text, p[c.field]);
    }
    engine_test::Program before_any_clock_run;
    EXPECT_EQ(engine::manual_countdown_run(before_any_clock_run.fields), (engine::Mismatch{"CurMon", "CurMon"}));
}

}  // namespace
