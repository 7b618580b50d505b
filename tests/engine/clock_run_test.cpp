#include "engine/clock_run.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine_harness.h"

namespace {

using engine_test::at;
using engine_test::Program;

struct ClockFields {
    const char *year, *mon, *day, *hour, *min, *sec, *name;
};

void expect_clock_fields(const Program& p, const ClockFields& e) {
    EXPECT_EQ(p["CurYear"], e.year);
    EXPECT_EQ(p["CurMon"], e.mon);
    EXPECT_EQ(p["CurDay"], e.day);
    EXPECT_EQ(p["CurHour"], e.hour);
    EXPECT_EQ(p["CurMin"], e.min);
    EXPECT_EQ(p["CurSec"], e.sec);
    EXPECT_EQ(p["MonName"], e.name);
}

TEST(ClockRun, WritesEachPartAsPlainDigits) {
    struct Case {
        const char* when;
        engine::LocalTime t;
        ClockFields expect;
    };
    const Case kCases[] = {
        {"9 March 2013 07:04:05", at(2013, 3, 9, 7, 4, 5), {"2013", "3", "9", "7", "4", "5", "March"}},
        {"1 January 2013 00:00:00", at(2013, 1, 1, 0, 0, 0), {"2013", "1", "1", "0", "0", "0", "January"}},
        {"31 December 2012 23:59:59", at(2012, 12, 31, 23, 59, 59), {"2012", "12", "31", "23", "59", "59", "December"}},
        {"1 February 2014 09:05:03", at(2014, 2, 1, 9, 5, 3), {"2014", "2", "1", "9", "5", "3", "February"}},
        {"10 October 2099 10:10:10", at(2099, 10, 10, 10, 10, 10), {"2099", "10", "10", "10", "10", "10", "October"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.when);
        Program p;
        p.clock.set(c.t);
        p.tick_timer1();
        expect_clock_fields(p, c.expect);
    }
}

TEST(ClockRun, TakesSevenFreshReadingsAndTheManualRunSix) {
    Program p;
    int before = p.clock.readings();
    p.tick_timer1();
    EXPECT_EQ(p.clock.readings() - before, 7);
    before = p.clock.readings();
    p.press_command1();
    EXPECT_EQ(p.clock.readings() - before, 6);
}

TEST(ClockRun, EachFieldComesFromItsOwnReading) {
    // Seven readings that differ in every part: field n must show reading n's part.
    Program p;
    p.clock.then({at(2013, 1, 1, 1, 1, 1), at(2014, 2, 2, 2, 2, 2), at(2015, 3, 3, 3, 3, 3), at(2016, 4, 4, 4, 4, 4),
                  at(2017, 5, 5, 5, 5, 5), at(2018, 6, 6, 6, 6, 6), at(2019, 7, 7, 7, 7, 7)});
    p.tick_timer1();
    expect_clock_fields(p, {"2013", "2", "3", "4", "5", "6", "July"});
    EXPECT_EQ(p["CurYearVal"], "365") << "the year tests read CurYear back, not the clock";

    Program manual;
    manual.clock.then({at(2014, 2, 2, 2, 2, 2), at(2015, 3, 3, 3, 3, 3), at(2016, 4, 4, 4, 4, 4),
                       at(2017, 5, 5, 5, 5, 5), at(2018, 6, 6, 6, 6, 6), at(2019, 7, 7, 7, 7, 7)});
    manual.press_command1();
    expect_clock_fields(manual, {"Label9", "2", "3", "4", "5", "6", "July"});
}

TEST(ClockRun, YearTestsWrite365OnlyIn2012And2013) {
    struct Case {
        int year;
        const char* year_val;
    };
    const Case kCases[] = {{2011, "Label9"}, {2012, "365"},    {2013, "365"},
                           {2014, "Label9"}, {2020, "Label9"}, {1999, "Label9"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.year);
        Program p;
        p.clock.set(at(c.year, 6, 15, 12, 0, 0));
        p.tick_timer1();
        EXPECT_EQ(p["CurYearVal"], c.year_val);
    }
}

TEST(ClockRun, Keeps365AfterTheYearChangesAndNeverWritesItLater) {
    Program p;
    p.clock.set(at(2013, 12, 31, 23, 59, 59));
    p.tick_timer1();
    ASSERT_EQ(p["CurYearVal"], "365");
    p.clock.set(at(2014, 1, 1, 0, 0, 0));
    for (int i = 0; i < 5; ++i) p.tick_timer1();
    EXPECT_EQ(p["CurYear"], "2014");
    EXPECT_EQ(p["CurYearVal"], "365");

    // In another year the field keeps whatever it holds, not just the design text.
    p.fields.set("CurYearVal", "Something else");
    p.tick_timer1();
    EXPECT_EQ(p["CurYearVal"], "Something else");
}

TEST(ClockRun, ManualRunBeforeTheFirstTickFillsSixFieldsOnly) {
    Program p;
    p.clock.set(at(2013, 4, 3, 14, 25, 7));
    const auto before = engine_test::snapshot(p.fields);
    p.press_command1();
    expect_clock_fields(p, {"Label9", "4", "3", "14", "25", "7", "April"});
    EXPECT_EQ(p["CurYearVal"], "Label9");
    const auto after = engine_test::snapshot(p.fields);
    const std::set<std::string> written = {"CurMon", "CurDay", "CurHour", "CurMin", "CurSec", "MonName"};
    for (const auto& [name, text] : before) {
        if (written.contains(name)) continue;
        EXPECT_EQ(after.at(name), text) << name;
    }
}

TEST(ClockRun, MonthNamesFollowTheUsersLanguage) {
    Program p;
    p.clock.set_month_names({"janvier", "février", "mars", "avril", "mai", "juin", "juillet", "août", "septembre",
                             "octobre", "novembre", "décembre"});
    p.clock.set(at(2013, 2, 20, 23, 59, 59));
    p.tick_timer1();
    EXPECT_EQ(p["MonName"], "février");
    p.clock.set(at(2013, 8, 1, 0, 0, 0));
    p.press_command1();
    EXPECT_EQ(p["MonName"], "août");
}

TEST(ClockRun, TornReadingAcrossAMinuteIsCorrectedByTheNextRun) {
    Program p;
    // The minute changes between the fifth reading (CurMin) and the sixth (CurSec).
    p.clock.then({at(2013, 4, 3, 10, 41, 59), at(2013, 4, 3, 10, 41, 59), at(2013, 4, 3, 10, 41, 59),
                  at(2013, 4, 3, 10, 41, 59), at(2013, 4, 3, 10, 41, 59), at(2013, 4, 3, 10, 42, 0)});
    p.tick_timer1();
    EXPECT_EQ(p["CurMin"], "41");
    EXPECT_EQ(p["CurSec"], "0");
    p.tick_timer2();
    EXPECT_EQ(p["Final"], "It is 9 Days, 14 Hours, 19 Minutes, and 60 Seconds") << "the torn reading shows";

    p.tick_timer1();  // 100 ms later, still 10:42:00
    EXPECT_EQ(p["CurMin"], "42");
    EXPECT_EQ(p["CurSec"], "0");
    p.tick_timer2();
    EXPECT_EQ(p["Final"], "It is 9 Days, 14 Hours, 18 Minutes, and 60 Seconds");
}

TEST(ClockRun, TornReadingAcrossTheNewYear) {
    Program p;
    p.clock.then({at(2013, 12, 31, 23, 59, 59), at(2014, 1, 1, 0, 0, 0)});
    p.tick_timer1();
    expect_clock_fields(p, {"2013", "1", "1", "0", "0", "0", "January"});
    EXPECT_EQ(p["CurYearVal"], "365");
    p.tick_timer1();
    EXPECT_EQ(p["CurYear"], "2014");
}

}  // namespace
