// The countdown run where the month's rule does not carry it: months without a rule, December
// outside 2012 and 2013, month names in another language, and the manual run.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/countdown_run.h"
#include "engine/numbers.h"
#include "engine_harness.h"

namespace {

using engine_test::at;
using engine_test::expect_countdown_fields;
using engine_test::failing_field;
using engine_test::Program;
using engine_test::timer2_mismatch;

TEST(Countdown, MonthsWithoutARuleLeaveTheDesignTextAndFailTheStopTest) {
    for (int month : {1, 5, 6, 7, 8, 9, 10, 11}) {
        SCOPED_TRACE(month);
        Program p;
        p.clock.set(at(2013, month, 12, 14, 25, 7));
        p.tick_timer1();
        EXPECT_EQ(timer2_mismatch(p), (engine::Mismatch{"EndDays", "EndDays"}))
            << "the stop test read \"EndDays\" as a number";
        expect_countdown_fields(p,
                                {.mon = std::to_string(10 - month), .day = "0", .days = "EndDays", .stopped = false});
        EXPECT_EQ(p["Final"], "It is EndDays Days, 10 Hours, 35 Minutes, and 53 Seconds");
    }
}

TEST(Countdown, MonthsWithoutARuleKeepTheLastNumberWritten) {
    Program p;
    p.tick_at(at(2013, 4, 30, 12, 0, 0));
    ASSERT_EQ(p["EndDays"], "-18");
    p.tick_at(at(2013, 5, 1, 12, 0, 0));  // May has no rule
    expect_countdown_fields(p, {.day = "11",
                                .days = "-18",
                                .stopped = false,
                                .sentence = "It is -18 Days, 12 Hours, 60 Minutes, and 60 Seconds"});
}

TEST(Countdown, ManualRunInAMonthWithoutARuleIsTestedAndStopsOnThe26th) {
    Program p;
    p.clock.set(at(2013, 6, 25, 8, 0, 0));
    p.tick_timer1();
    p.press_command2();
    EXPECT_EQ(p["EndDays"], "1");
    EXPECT_TRUE(p.tick_timer2());
    EXPECT_EQ(p["Final"], "It is 1 Days, 16 Hours, 60 Minutes, and 60 Seconds");
    EXPECT_TRUE(p.actions.empty());

    p.clock.set(at(2013, 6, 26, 8, 0, 0));
    p.tick_timer1();
    p.tick_timer2();
    EXPECT_EQ(p["Final"], "It is 1 Days, 16 Hours, 60 Minutes, and 60 Seconds") << "nothing new until the press";
    p.press_command2();
    EXPECT_EQ(p["EndDays"], "0");
    EXPECT_EQ(p["Final"], "It is 1 Days, 16 Hours, 60 Minutes, and 60 Seconds") << "the manual run writes no sentence";
    EXPECT_TRUE(p.actions.empty()) << "the manual run never stops the countdown";
    p.tick_timer2();
    EXPECT_EQ(p["Final"], "It is 0 Days, 16 Hours, 60 Minutes, and 60 Seconds");
    EXPECT_EQ(p.actions, engine_test::kStopped);
    EXPECT_FALSE(p.tick_timer2());
    EXPECT_EQ(p.arrival_windows, 1);
}

TEST(Countdown, InAMonthWithARuleTheManualRunsCountIsOverwritten) {
    struct Case {
        int month;
        const char* end_days;  // the countdown's own count on the 26th
    };
    const Case kCases[] = {{2, "45"}, {3, "16"}, {4, "-14"}, {12, "560"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.month);
        Program p;
        p.clock.set(at(2013, c.month, 26, 8, 0, 0));
        p.tick_timer1();
        p.press_command2();
        ASSERT_EQ(p["EndDays"], "0");
        p.tick_timer2();
        expect_countdown_fields(
            p, {.days = c.end_days, .stopped = false, .sentence = engine_test::sentence(c.end_days, "16", "60", "60")});
    }
}

TEST(Countdown, DecemberOutside2012And2013FailsAtStepNine) {
    Program p;
    p.clock.set(at(2014, 11, 30, 12, 0, 0));
    p.tick_timer1();
    p.press_command2();  // EndDays "-4", which November's sentence then shows
    p.tick_timer2();
    const std::string sentence = "It is -4 Days, 12 Hours, 60 Minutes, and 60 Seconds";
    ASSERT_EQ(p["Final"], sentence);
    ASSERT_EQ(p["CurYearVal"], "Label9");

    p.clock.set(at(2014, 12, 20, 12, 30, 15));
    p.tick_timer1();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(timer2_mismatch(p), (engine::Mismatch{"CurYearVal", "Label9"}))
            << "December read CurYearVal as a number";
    }
    // The steps before the failing one wrote their fields; EndDays and the sentence are November's.
    expect_countdown_fields(p, {"-2", "-8", "-4", "12", "30", "45", false, sentence});
}

TEST(Countdown, DecemberOf2014CountsWith365KeptFrom2013) {
    Program p;
    p.tick_at(at(2013, 12, 31, 23, 59, 59));
    p.tick_at(at(2014, 12, 20, 12, 30, 15));
    EXPECT_EQ(p["EndDays"], "554");
}

TEST(Countdown, MonthNamesInOtherLanguagesOrCasesMatchNoRule) {
    for (const char* name : {"avril", "april", "APRIL", "April ", " April", "février", "march", "Dezember"}) {
        SCOPED_TRACE(name);
        Program p;
        p.clock.set(at(2013, 4, 12, 9, 0, 0));
        p.tick_timer1();
        p.fields.set("MonName", name);
        EXPECT_EQ(failing_field(p), "EndDays");
        expect_countdown_fields(p, {.day = "0", .days = "EndDays", .stopped = false});
    }
}

TEST(Countdown, FrenchClockNeverStopsOnThe12thOfApril) {
    Program p;
    p.clock.set_month_names({"janvier", "février", "mars", "avril", "mai", "juin", "juillet", "août", "septembre",
                             "octobre", "novembre", "décembre"});
    p.clock.set(at(2013, 3, 31, 12, 0, 0));  // "mars" is no rule either: EndDays stays "EndDays"
    p.tick_timer1();
    EXPECT_EQ(failing_field(p), "EndDays");
    EXPECT_EQ(p["Final"], "It is EndDays Days, 12 Hours, 60 Minutes, and 60 Seconds");
    p.fields.set("EndDays", "7");
    p.tick_at(at(2013, 4, 12, 9, 0, 0));
    expect_countdown_fields(p, {.days = "7", .stopped = false});
}

TEST(Countdown, ManualRunAfterTheStop) {
    Program p;
    p.tick_at(at(2013, 4, 12, 9, 0, 0));
    ASSERT_EQ(p.actions, engine_test::kStopped);
    const std::string sentence = p["Final"];

    p.clock.set(at(2013, 4, 12, 10, 20, 30));
    p.tick_timer1();
    p.press_command2();
    // The manual run does not write EndDay, nor stop again or open another window.
    expect_countdown_fields(p, {"6", "0", "14", "14", "40", "30", true, sentence});
}

TEST(Countdown, NeverTouchesTotalDaysOrDaysInMon) {
    Program p;
    for (int month = 1; month <= 12; ++month) {
        p.clock.set(at(2013, month, 5, 1, 2, 3));
        p.tick_timer1();
        p.press_command2();
        (void)failing_field(p);
    }
    EXPECT_EQ(p["TotalDays"], "TotalDays");
    EXPECT_EQ(p["DaysInMon"], "Label9");
}

}  // namespace
