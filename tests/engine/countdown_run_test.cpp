// The countdown run on the months with a rule: the worked examples, the step at which a run
// fails, the stop at zero days, and what a steady tick writes and allocates.

#include "engine/countdown_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "engine/numbers.h"
#include "engine_harness.h"

// Every allocation of this test program is counted, so a test can tell that a steady tick
// makes none.
std::atomic<long> g_allocations{0};

namespace {

using engine::TypeMismatch;
using engine_test::at;
using engine_test::expect_countdown_fields;
using engine_test::failing_field;
using engine_test::kStopped;
using engine_test::Program;
using engine_test::sentence;

TEST(Countdown, WorkedExamples) {
    struct Case {
        const char* when;
        engine::LocalTime t;
        engine_test::CountdownState after;  // EndMon, EndDay, EndDays, EndHour, EndMinute, EndSecond, stopped
    };
    const Case kExamples[] = {
        {"3 April, 14:25:07", at(2013, 4, 3, 14, 25, 7), {"6", "9", "9", "10", "35", "53", false}},
        {"12 April, 09:00:00", at(2013, 4, 12, 9, 0, 0), {"6", "0", "0", "15", "60", "60", true}},
        {"20 February, 23:59:59", at(2013, 2, 20, 23, 59, 59), {"8", "-8", "51", "1", "1", "1", false}},
        {"31 March, 00:00:00", at(2013, 3, 31, 0, 0, 0), {"7", "-19", "11", "24", "60", "60", false}},
        {"20 December, 12:30:15", at(2013, 12, 20, 12, 30, 15), {"-2", "-8", "554", "12", "30", "45", false}},
    };
    for (Case c : kExamples) {
        SCOPED_TRACE(c.when);
        Program p;
        p.tick_at(c.t);
        ASSERT_EQ(p["CurYearVal"], "365");
        c.after.sentence =
            sentence(*c.after.days, c.after.hour->c_str(), c.after.minute->c_str(), c.after.second->c_str());
        expect_countdown_fields(p, c.after);
    }
}

TEST(Countdown, WorkedExampleSentences) {
    Program p;
    p.tick_at(at(2013, 4, 3, 14, 25, 7));
    EXPECT_EQ(p["Final"], "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds");
    p.tick_at(at(2013, 4, 12, 9, 0, 0));
    EXPECT_EQ(p["Final"], "It is 0 Days, 15 Hours, 60 Minutes, and 60 Seconds");
    EXPECT_EQ(p.arrival_windows, 1);
}

TEST(Countdown, RunBeforeTheFirstClockRunFailsAtStepOneAndWritesNothing) {
    Program p;
    const auto before = engine_test::snapshot(p.fields);
    int writes = 0;
    p.fields.on_change([&](std::size_t, const std::string&) { ++writes; });
    EXPECT_EQ(engine_test::timer2_mismatch(p), (engine::Mismatch{"CurMon", "CurMon"}))
        << "a run on design texts completed";
    EXPECT_THROW(p.press_command2(), TypeMismatch);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(engine_test::snapshot(p.fields), before);
    expect_countdown_fields(p, {.stopped = false, .sentence = "Label2"});
}

TEST(Countdown, FailureEndsTheRunAtTheFailingStepAndKeepsEarlierWrites) {
    struct Case {
        const char* broken;                // a clock field that holds no number
        std::vector<const char*> written;  // what the run writes before it fails
    };
    const Case kCases[] = {
        {"CurMon", {}},
        {"CurDay", {"EndMon"}},
        {"CurHour", {"EndMon", "EndDay"}},
        {"CurMin", {"EndMon", "EndDay", "EndHour"}},
        {"CurSec", {"EndMon", "EndDay", "EndHour", "EndMinute"}},
    };
    const std::set<std::string> kCountdownFields = {"EndMon",    "EndDay",    "EndDays", "EndHour",
                                                    "EndMinute", "EndSecond", "Final"};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.broken);
        Program p;
        p.clock.set(at(2013, 4, 12, 9, 0, 0));  // a day that would stop the countdown
        p.tick_timer1();
        p.fields.set(c.broken, "");
        const auto before = engine_test::snapshot(p.fields);
        EXPECT_EQ(failing_field(p), c.broken);
        const auto after = engine_test::snapshot(p.fields);
        const std::set<std::string> written(c.written.begin(), c.written.end());
        for (const std::string& field : kCountdownFields)
            EXPECT_EQ(after.at(field) != before.at(field), written.contains(field)) << field;
        expect_countdown_fields(p, {.stopped = false});
    }
}

TEST(Countdown, StopsOnceAtExactlyZeroDays) {
    Program p;
    // Ten ticks of each timer a second for a minute on the 12th of April.
    int countdown_runs = 0;
    for (int tick = 0; tick < 600; ++tick) {
        p.clock.set(at(2013, 4, 12, 9, 0, tick / 10));
        p.tick_timer1();
        if (p.tick_timer2()) ++countdown_runs;
    }
    EXPECT_EQ(countdown_runs, 1);
    EXPECT_EQ(p.arrival_windows, 1);
    expect_countdown_fields(p, {.day = "0", .days = "0", .stopped = true, .sentence = sentence("0", "15", "60", "60")});
    EXPECT_EQ(p["CurSec"], "59") << "the clock goes on";
}

TEST(Countdown, StopsBeforeOpeningTheWindow) {
    // The window is opened only after the timer has been switched off.
    Program p;
    bool timer_was_off_when_opened = false;
    engine::CountdownActions actions = p.countdown_actions();
    auto open = actions.open_arrival_window;
    actions.open_arrival_window = [&] {
        timer_was_off_when_opened = !p.timer2_on;
        open();
    };
    p.clock.set(at(2013, 4, 12, 0, 0, 0));
    p.tick_timer1();
    EXPECT_EQ(engine::countdown_run(p.fields, actions), std::nullopt);
    EXPECT_TRUE(timer_was_off_when_opened);
}

TEST(Countdown, NegativeCountsDoNotStop) {
    struct Case {
        int day;
        const char* end_days;
    };
    const Case kCases[] = {{13, "-1"}, {14, "-2"}, {20, "-8"}, {30, "-18"}, {11, "1"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.day);
        Program p;
        for (int i = 0; i < 3; ++i) p.tick_at(at(2013, 4, c.day, 23, 59, 59));
        expect_countdown_fields(
            p, {.days = c.end_days, .stopped = false, .sentence = sentence(c.end_days, "1", "1", "1")});
    }
}

TEST(Countdown, MidnightAndLastSecondKeepPluralUnitWords) {
    Program p;
    p.tick_at(at(2013, 3, 20, 0, 0, 0));
    EXPECT_EQ(p["Final"], "It is 22 Days, 24 Hours, 60 Minutes, and 60 Seconds");
    p.tick_at(at(2013, 3, 20, 23, 59, 59));
    EXPECT_EQ(p["Final"], "It is 22 Days, 1 Hours, 1 Minutes, and 1 Seconds");
}

// Ten times a second for as long as the session lasts: once the fields hold texts of their
// usual lengths, a tick of each timer allocates nothing, whichever rule the month takes.
TEST(Countdown, TheSentenceIsWrittenAgainAfterAnyOtherWriteOfItOrItsParts) {
    // Between two ticks of the same second something else writes a field; the second tick's
    // sentence is the one a first run over these fields would write.
    struct Case {
        const char* field;
        const char* text;
    };
    const Case cases[] = {{"Final", "Label1"}, {"Final", ""},   {"EndSecond", "7"},  {"EndDays", "x"},
                          {"EndHour", "10"},   {"CurSec", "3"}, {"MonName", "March"}};
    const std::string expected = "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = " + c.text);
        Program p;
        const engine::LocalTime t = at(2013, 4, 3, 14, 25, 7);
        p.tick_at(t);
        ASSERT_EQ(p["Final"], expected);
        p.fields.set(c.field, c.text);
        p.tick_timer2();  // the clock's fields as the other write left them
        Program fresh;
        fresh.tick_at(t);
        fresh.fields.set(c.field, c.text);
        engine::CountdownFields first_run{fresh.fields};  // composes as if never before
        ASSERT_FALSE(engine::countdown_run(fresh.fields, first_run, fresh.countdown_actions()));
        EXPECT_EQ(p["Final"], fresh["Final"]);
        p.tick_at(t);
        EXPECT_EQ(p["Final"], expected);
    }
}

TEST(Countdown, ASteadyTickAllocatesNothing) {
    const engine::LocalTime kDays[] = {at(2013, 4, 3, 14, 25, 7), at(2013, 2, 20, 23, 59, 19),
                                       at(2013, 12, 20, 12, 30, 15), at(2013, 7, 9, 8, 7, 16)};
    for (const engine::LocalTime& day : kDays) {
        SCOPED_TRACE(day.month);
        Program p;
        p.fields.set("EndDays", "12");  // July has no rule: a count an earlier run left
        p.tick_at(day);
        engine::LocalTime t = day;
        ++t.second;
        p.tick_at(t);
        const long before = g_allocations.load();
        for (int i = 0; i < 8; ++i) {
            ++t.second;
            p.tick_at(t);
        }
        EXPECT_EQ(g_allocations.load() - before, 0);
        EXPECT_EQ(p["CurSec"], std::to_string(t.second)) << "the ticks did run";
    }
}

}  // namespace

// Counted, and otherwise the C library's own. The nothrow new too: GCC 14's library takes
// std::stable_sort's buffer from it and gives it back through the sized delete below, so a
// block of the sanitizer's own new would reach free() (Debian 13's sanitizer suite).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++g_allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
