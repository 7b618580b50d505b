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
        EXPECT_FALSE(log.run([&] { p.tick_timer2(); }));
    }
    ASSERT_EQ(lines(out).size(), 1u) << out.str();
    p.press_command2();  // gives EndDays a number: the run completes
    EXPECT_TRUE(log.run([&] { p.tick_timer2(); }));
    EXPECT_EQ(p["Final"], "It is 11 Days, 16 Hours, 60 Minutes, and 60 Seconds");
}

}  // namespace
