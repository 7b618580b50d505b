// Frames hide what they hold; timers tick their own handlers; a handler's failure or a wrong
// name stops at the edge.

#include <QTimer>

#include <stdexcept>

#include "tests/platform/qt/form_test_fixture.h"

namespace {

using namespace qt_test;
using platform_qt::QtForm;
using platform_qt::QtRuntime;

// ---- containers and timers ----------------------------------------------------------------

TEST_F(FormFixture, HidingAFrameHidesWhatItHolds) {
    load();
    show_and_wait(*form);
    ASSERT_TRUE(w("Inside")->isVisible());
    form->set_visible("Panel", false);
    EXPECT_FALSE(form->is_visible("Panel"));
    EXPECT_FALSE(w("Inside")->isVisible());
    EXPECT_TRUE(form->is_visible("Inside"));  // its own setting is unchanged
    log.clear();
    click({100, 120});  // where the button stood: the window's surface now
    EXPECT_EQ(log.lines, std::vector<std::string>{"Probe/Click"});
    form->set_visible("Panel", true);
    EXPECT_TRUE(w("Inside")->isVisible());
}

TEST_F(FormFixture, TimersTickFromLoadWhenOnAndStartAndStopOnRequest) {
    int ticker = 0, idle = 0;
    load({{"Ticker", Event::Tick, [&](forms::Form&, const forms::Mouse&) { ++ticker; }},
          {"Idle", Event::Tick, [&](forms::Form&, const forms::Mouse&) { ++idle; }}});
    EXPECT_TRUE(form->timer_enabled("Ticker"));
    EXPECT_FALSE(form->timer_enabled("Idle"));
    EXPECT_EQ(form->timer("Ticker")->interval(), 20);
    ASSERT_TRUE(wait_for([&] { return ticker >= 3; }));
    EXPECT_EQ(idle, 0);

    form->set_timer_enabled("Idle", true);
    ASSERT_TRUE(wait_for([&] { return idle >= 2; }));
    form->set_timer_enabled("Ticker", false);
    const int stopped_at = ticker;
    settle(100);
    EXPECT_EQ(ticker, stopped_at);
    EXPECT_FALSE(form->timer_enabled("Ticker"));
}

TEST_F(FormFixture, ATickRunsItsOwnTimersHandlersInTheirOrderAndNoOthers) {
    // Each case: what the second of the timer's three handlers does, and what one tick runs.
    struct Case {
        const char* second;  // "log", "throw" or "unload"
        std::vector<std::string> one_tick;
    };
    const Case cases[] = {
        {"log", {"first", "second", "third"}},
        {"throw", {"first", "second", "third"}},  // a failure is caught and the next handler runs
        {"unload", {"first", "second"}},          // a window gone runs nothing more
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second);
        std::vector<std::string> ran;
        const std::string second = c.second;
        auto note = [&](std::string what) {
            return [&ran, what](forms::Form&, const forms::Mouse&) { ran.push_back(what); };
        };
        load({{"Ticker", Event::Tick, note("first")},
              {"Ok", Event::Click, note("click")},
              {"Idle", Event::Tick, note("idle")},
              {"Ticker", Event::Tick,
               [&](forms::Form& f, const forms::Mouse&) {
                   ran.push_back("second");
                   if (second == "throw") throw std::runtime_error("Type mismatch");
                   if (second == "unload") f.unload();
               }},
              {"Ticker", Event::Tick, note("third")}});
        const std::size_t per_tick = c.one_tick.size();
        if (second == "unload") {
            ASSERT_TRUE(wait_for([&] { return ran.size() >= per_tick; }));
            settle(100);
            EXPECT_EQ(ran, c.one_tick);
        } else {
            ASSERT_TRUE(wait_for([&] { return ran.size() >= 2 * per_tick; }));
            form->set_timer_enabled("Ticker", false);
            std::vector<std::string> two_ticks = c.one_tick;
            two_ticks.insert(two_ticks.end(), c.one_tick.begin(), c.one_tick.end());
            EXPECT_EQ(std::vector<std::string>(ran.begin(), ran.begin() + 2 * static_cast<long>(per_tick)), two_ticks);
        }
        // After the "unload" case the window is gone, and with it the form it was.
        if (QtForm* still = runtime.find(kProbe.name)) still->unload();
        settle(20);
    }
}

TEST_F(FormFixture, UnknownNamesAndWrongKindsAreErrorsNotCrashes) {
    load();
    EXPECT_THROW(form->set_visible("Nothing", true), std::out_of_range);
    EXPECT_THROW(form->set_visible("Ticker", true), std::invalid_argument);
    EXPECT_THROW(form->set_timer_enabled("Ok", true), std::invalid_argument);
    EXPECT_THROW(form->timer_enabled("Nothing"), std::out_of_range);
    EXPECT_THROW(form->fields().set("Ok", "x"), std::out_of_range);  // buttons are not fields
    EXPECT_THROW(form->set_window_state(3), std::invalid_argument);
}

TEST_F(FormFixture, AHandlersFailureIsCaughtAtTheEdgeAndTheNextEventRuns) {
    int after = 0;
    load({{"Odd", Event::Click, [](forms::Form&, const forms::Mouse&) { throw std::runtime_error("Type mismatch"); }},
          {"Odd", Event::Click, [&](forms::Form&, const forms::Mouse&) { ++after; }}});
    show_and_wait(*form);
    click({200, 90});
    click({200, 90});
    EXPECT_EQ(after, 2);
}

TEST_F(FormFixture, ATimerIsNotEnteredAgainWhileItsHandlerWaitsButOthersTick) {
    int entered_while_waiting = 0, other_while_waiting = 0;
    bool waiting = false, waited = false;
    load({{"Ticker", Event::Tick,
           [&](forms::Form&, const forms::Mouse&) {
               if (waiting) ++entered_while_waiting;
               if (waiting || waited) return;
               waiting = true;
               settle(150);  // as a message box's loop would: other events run meanwhile
               waiting = false;
               waited = true;
           }},
          {"Idle", Event::Tick, [&](forms::Form&, const forms::Mouse&) { other_while_waiting += waiting; }}});
    form->set_timer_enabled("Idle", true);
    ASSERT_TRUE(wait_for([&] { return waited; }));
    EXPECT_EQ(entered_while_waiting, 0);
    EXPECT_GE(other_while_waiting, 3);
}

}  // namespace
