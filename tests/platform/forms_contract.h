#pragma once
// What a window does on every runtime, one table for all, through each runtime's driver
// (forms_driver.h): a behaviour the fake lets pass fails here as it fails on the real systems.
// A person's pointer and keys, pictures, boxes and names: forms_input.h and its neighbours.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/form_bindings.h"
#include "tests/platform/forms_driver.h"
#include "tests/platform/probe_model.h"

namespace contract {

using namespace probe;

template <FormsDriver D>
class FormsContract : public ::testing::Test {
protected:
    D driver;
    EventLog log;
    void TearDown() override {  // whatever probe a test leaves loaded goes with it
        if (forms::Form* probe = driver.runtime.find("Probe")) probe->unload();
    }

    forms::Form& load(std::vector<forms::Binding> bindings = {}) {
        return driver.runtime.load(kProbe, std::move(bindings));
    }
    static forms::Binding on(std::string_view control, Event event, std::function<void(forms::Form&)> run) {
        return {control, event, [run = std::move(run)](forms::Form& f, const forms::Mouse&) { run(f); }};
    }
};

TYPED_TEST_SUITE_P(FormsContract);
// Main's suite runs through the same drivers in binaries of its own.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FormsContract);

// ---- what is refused at load ----------------------------------------------------------------

TYPED_TEST_P(FormsContract, AModelThatCannotBeBuiltIsRefusedWithWhatIsWrong) {
    static constexpr Control kTwins[] = {
        {.name = "Same", .kind = Kind::Label, .rect = {0, 0, 300, 300}},
        {.name = "Same", .kind = Kind::Button, .text = "x", .rect = {0, 300, 300, 300}},
    };
    static constexpr Control kInALabel[] = {
        {.name = "Note", .kind = Kind::Label, .rect = {0, 0, 300, 300}},
        {.name = "Go", .kind = Kind::Button, .text = "x", .rect = {0, 0, 300, 300}, .container = "Note"},
    };
    static constexpr Control kNowhere[] = {
        {.name = "Orphan", .kind = Kind::Button, .text = "x", .rect = {0, 0, 300, 300}, .container = "Nowhere"},
    };
    static constexpr Control kEachOther[] = {
        {.name = "F1", .kind = Kind::Frame, .rect = {0, 0, 300, 300}, .container = "F2"},
        {.name = "F2", .kind = Kind::Frame, .rect = {0, 0, 300, 300}, .container = "F1"},
    };
    struct Case {
        std::span<const Control> controls;
        const char* said;
    };
    const Case kCases[] = {
        {kTwins, "two controls named Same"},
        {kInALabel, "control Go: no frame named Note"},
        {kNowhere, "control Orphan: no frame named Nowhere"},
        {kEachOther, "frame F1 has no container"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.said);
        const forms::WindowModel model{
            .name = "Broken", .caption = "Broken", .client_width = 600, .client_height = 600, .controls = c.controls};
        bool loaded = false;
        try {
            this->driver.runtime.load(model, {this->log.record("Broken", Event::Load)});
            loaded = true;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), c.said);
        }
        EXPECT_FALSE(loaded);
        EXPECT_TRUE(this->log.lines.empty()) << "the load step never runs";
        EXPECT_FALSE(this->driver.loaded("Broken"));
    }
}

TYPED_TEST_P(FormsContract, ABindingTheWindowCannotRaiseFailsItsLoad) {
    struct Case {
        const char* what;
        std::string_view control;
        Event event;
        bool loads;
    };
    const Case kCases[] = {
        {"the window's load", "Probe", Event::Load, true},
        {"a click on the window's surface", "Probe", Event::Click, true},
        {"the pointer over the window", "Probe", Event::MouseMove, true},
        {"the window's unload", "Probe", Event::Unload, true},
        {"a label pressed", "Caption", Event::MouseDown, true},
        {"a label clicked", "Strip", Event::Click, true},
        {"a button clicked", "Ok", Event::Click, true},
        {"a button in a frame clicked", "Inside", Event::Click, true},
        {"a timer that is on", "Ticker", Event::Tick, true},
        {"a timer that is off", "Idle", Event::Tick, true},
        {"a misspelt control", "Caption2", Event::Click, false},
        {"a name in the wrong case", "ok", Event::Click, false},
        {"another window's name", "Dialog", Event::Load, false},
        {"no name at all", "", Event::Click, false},
        {"a timer clicked", "Ticker", Event::Click, false},
        {"a button ticking", "Ok", Event::Tick, false},
        {"a button pressed", "Ok", Event::MouseDown, false},
        {"a label loaded", "Caption", Event::Load, false},
        {"a frame clicked", "Panel", Event::Click, false},
        {"a line clicked", "Cross", Event::Click, false},
        {"a shape clicked", "Box", Event::Click, false},
        {"a picture clicked", "Pic", Event::Click, false},
        {"the window ticking", "Probe", Event::Tick, false},
        {"the window pressed", "Probe", Event::MouseDown, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EventLog log;
        // The binding under test comes after a good one: every binding is looked at.
        std::vector<forms::Binding> bindings = {log.record("Probe", Event::Load),
                                                {c.control, c.event, [](forms::Form&, const forms::Mouse&) {}}};
        if (c.loads) {
            forms::Form& form = this->driver.runtime.load(kProbe, std::move(bindings));
            EXPECT_EQ(log.lines, std::vector<std::string>{"Probe/Load"});
            form.unload();
            this->driver.settle(0);
            continue;
        }
        try {
            this->driver.runtime.load(kProbe, std::move(bindings));
            ADD_FAILURE() << "loaded";
        } catch (const forms::BindingError& e) {
            EXPECT_EQ(e.window(), "Probe");
            EXPECT_EQ(e.control(), c.control);
            EXPECT_EQ(e.event(), c.event);
            const std::string said = e.what();
            EXPECT_NE(said.find(std::string(c.control) + "/" + std::string(forms::event_name(c.event))),
                      std::string::npos)
                << said;
        }
        EXPECT_TRUE(log.lines.empty());  // the window's load step never ran
        EXPECT_FALSE(this->driver.loaded("Probe"));
    }
}

// ---- names and kinds --------------------------------------------------------------------

TYPED_TEST_P(FormsContract, AnUnknownNameOrAWrongKindIsAnErrorThatSaysWhich) {
    forms::Form& form = this->load();
    struct Case {
        const char* said;
        std::function<void()> run;
        bool out_of_range;  // else invalid_argument
    };
    const Case kCases[] = {
        {"no control named Nothing", [&] { form.set_visible("Nothing", true); }, true},
        {"no control named ok", [&] { (void)form.is_visible("ok"); }, true},
        {"no control named Nothing", [&] { (void)form.timer_enabled("Nothing"); }, true},
        {"Ticker has no visibility", [&] { form.set_visible("Ticker", false); }, false},
        {"Idle has no visibility", [&] { (void)form.is_visible("Idle"); }, false},
        {"Ok is not a timer", [&] { form.set_timer_enabled("Ok", true); }, false},
        {"Caption is not a timer", [&] { (void)form.timer_enabled("Caption"); }, false},
        {"Invalid property value", [&] { form.set_window_state(3); }, false},
        {"Invalid property value", [&] { form.set_window_state(-1); }, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.said);
        try {
            c.run();
            ADD_FAILURE() << "no error";
        } catch (const std::out_of_range& e) {
            EXPECT_TRUE(c.out_of_range);
            EXPECT_EQ(std::string(e.what()), c.said);
        } catch (const std::invalid_argument& e) {
            EXPECT_FALSE(c.out_of_range);
            EXPECT_EQ(std::string(e.what()), c.said);
        }
    }
    EXPECT_EQ(form.window_state(), forms::kNormal) << "a refused state changes nothing";
    EXPECT_THROW(form.fields().set("Ok", "x"), std::out_of_range) << "buttons are not fields";
}

// ---- visibility, timers, tab order --------------------------------------------------------

TYPED_TEST_P(FormsContract, AHiddenFrameHidesWhatItHoldsWhichKeepsItsOwnSetting) {
    forms::Form& form = this->load();
    this->driver.show(form);
    ASSERT_TRUE(this->driver.native_visible(form, "Inside"));
    form.set_visible("Panel", false);
    this->driver.settle(20);
    EXPECT_FALSE(form.is_visible("Panel"));
    EXPECT_TRUE(form.is_visible("Inside")) << "its own setting";
    EXPECT_FALSE(this->driver.native_visible(form, "Inside"));
    form.set_visible("Caption", false);
    EXPECT_FALSE(form.is_visible("Caption"));
    form.set_visible("Panel", true);
    this->driver.settle(20);
    EXPECT_TRUE(this->driver.native_visible(form, "Inside"));
}

TYPED_TEST_P(FormsContract, TimersTickWhileOnAndOnlyThen) {
    int ticker = 0, idle = 0, never = 0;
    auto count = [](int& n) { return [&n](forms::Form&, const forms::Mouse&) { ++n; }; };
    forms::Form& form = this->load({{"Ticker", Event::Tick, count(ticker)},
                                    {"Idle", Event::Tick, count(idle)},
                                    {"Never", Event::Tick, count(never)}});
    EXPECT_TRUE(form.timer_enabled("Ticker"));
    EXPECT_FALSE(form.timer_enabled("Idle"));
    ASSERT_TRUE(this->driver.wait_until([&] { return ticker >= 3; }));
    EXPECT_EQ(idle, 0) << "a timer off at load never ticks";

    form.set_timer_enabled("Idle", true);
    form.set_timer_enabled("Never", true);
    EXPECT_FALSE(form.timer_enabled("Never")) << "a timer without an interval stays off";
    ASSERT_TRUE(this->driver.wait_until([&] { return idle >= 2; }));
    form.set_timer_enabled("Ticker", false);
    const int stopped_at = ticker;
    this->driver.settle(100);
    EXPECT_EQ(ticker, stopped_at) << "no tick once it is off";
    EXPECT_FALSE(form.timer_enabled("Ticker"));
    EXPECT_EQ(never, 0);
}

TYPED_TEST_P(FormsContract, TabTakesTheButtonsByTabIndexAcrossFramesThoseWithoutOneLast) {
    forms::Form& form = this->load();
    this->driver.show(form);
    std::vector<std::string> stops = this->driver.tab_stops(form);
    const std::vector<std::string> expect = {"Inside", "First", "Ok", "Cancel"};
    const auto first = std::find(stops.begin(), stops.end(), expect.front());
    ASSERT_NE(first, stops.end());
    std::rotate(stops.begin(), first, stops.end());  // round from any one
    EXPECT_EQ(stops, expect);
}

// ---- handlers -----------------------------------------------------------------------------

TYPED_TEST_P(FormsContract, ATickRunsItsOwnTimersHandlersInTheirOrderAndAFailureStopsAtTheEdge) {
    struct Case {
        const char* second;  // what the second of the timer's three handlers does
        std::vector<std::string> one_tick;
    };
    const Case kCases[] = {
        {"log", {"first", "second", "third"}},
        {"throw", {"first", "second", "third"}},  // the failure is caught; the next handler runs
        {"unload", {"first", "second"}},          // a window gone runs nothing more
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.second);
        std::vector<std::string> ran;
        const std::string second = c.second;
        auto note = [&](std::string what) {
            return [&ran, what](forms::Form&, const forms::Mouse&) { ran.push_back(what); };
        };
        forms::Form& form = this->load({{"Ticker", Event::Tick, note("first")},
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
            ASSERT_TRUE(this->driver.wait_until([&] { return ran.size() >= per_tick; }));
            this->driver.settle(100);
            EXPECT_EQ(ran, c.one_tick);
            EXPECT_FALSE(this->driver.loaded("Probe"));
            continue;
        }
        ASSERT_TRUE(this->driver.wait_until([&] { return ran.size() >= 2 * per_tick; }));
        form.set_timer_enabled("Ticker", false);
        std::vector<std::string> two_ticks = c.one_tick;
        two_ticks.insert(two_ticks.end(), c.one_tick.begin(), c.one_tick.end());
        ran.resize(2 * per_tick);
        EXPECT_EQ(ran, two_ticks);
        form.unload();
        this->driver.settle(0);
    }
}

TYPED_TEST_P(FormsContract, AHandlerWaitingInALoopOfItsOwnIsNotEnteredAgainWhileOthersRun) {
    int entered_while_waiting = 0, other_while_waiting = 0;
    bool waiting = false, waited = false;
    forms::Form& form =
        this->load({{"Ticker", Event::Tick,
                     [&](forms::Form&, const forms::Mouse&) {
                         if (waiting) ++entered_while_waiting;
                         if (waiting || waited) return;
                         waiting = true;
                         this->driver.settle(150);  // as a message box's loop: events run
                         waiting = false;
                         waited = true;
                     }},
                    {"Idle", Event::Tick, [&](forms::Form&, const forms::Mouse&) { other_while_waiting += waiting; }}});
    form.set_timer_enabled("Idle", true);
    ASSERT_TRUE(this->driver.wait_until([&] { return waited; }));
    EXPECT_EQ(entered_while_waiting, 0);
    EXPECT_GE(other_while_waiting, 3);
}

// ---- the window's state -------------------------------------------------------------------

TYPED_TEST_P(FormsContract, ANewStateReachesTheWindowOnceTheHandlerIsDoneAndOnlyIfItIsShown) {
    forms::Form& form = this->load();
    auto& d = this->driver;
    // Hidden: only the state; the window takes it when it is shown.
    form.set_window_state(forms::kMinimized);
    EXPECT_EQ(form.window_state(), forms::kMinimized);
    EXPECT_FALSE(form.is_shown());
    form.set_window_state(forms::kNormal);
    d.show(form);
    EXPECT_EQ(d.native_state(form), forms::kNormal);

    // Minimized with the window left shown: once the handler is done.
    form.set_window_state(forms::kMinimized);
    EXPECT_EQ(d.native_state(form), forms::kNormal) << "not while the handler runs";
    d.settle(50);
    EXPECT_EQ(d.native_state(form), forms::kMinimized);
    form.set_window_state(forms::kNormal);
    d.show(form);
    EXPECT_EQ(d.native_state(form), forms::kNormal);

    // Sent to the tray: minimized and hidden in one handler, never minimized on its way out.
    form.set_window_state(forms::kMinimized);
    form.hide();
    d.settle(50);
    EXPECT_EQ(form.window_state(), forms::kMinimized);
    EXPECT_NE(d.native_state(form), forms::kMinimized);
    form.set_window_state(forms::kNormal);  // back from the tray
    d.show(form);
    EXPECT_EQ(d.native_state(form), forms::kNormal);

    // The person's own change is the window's state from then on.
    d.change_state_by_hand(form, forms::kMinimized);
    EXPECT_EQ(form.window_state(), forms::kMinimized);
    d.change_state_by_hand(form, forms::kNormal);
    EXPECT_EQ(form.window_state(), forms::kNormal);
}

// ---- going ------------------------------------------------------------------------------

TYPED_TEST_P(FormsContract, UnloadFromItsOwnHandlerRunsTheUnloadStepOnceAndTheWindowGoes) {
    forms::Form& form =
        this->load({this->log.record("Probe", Event::Unload), this->on("Ticker", Event::Tick, [](forms::Form& f) {
                        f.unload();
                        f.unload();  // a second request while going changes nothing
                    })});
    ASSERT_TRUE(this->driver.wait_until([&] { return !this->log.lines.empty(); }));
    this->driver.settle(50);
    EXPECT_EQ(this->log.lines, std::vector<std::string>{"Probe/Unload"});
    EXPECT_FALSE(this->driver.loaded("Probe"));
    (void)form;
}

TYPED_TEST_P(FormsContract, TheCloseBoxRunsTheUnloadStepOnceAndTheWindowGoes) {
    forms::Form& form = this->load({this->log.record("Probe", Event::Unload)});
    this->driver.show(form);
    this->driver.close_box(form);
    EXPECT_EQ(this->log.lines, std::vector<std::string>{"Probe/Unload"});
    EXPECT_FALSE(this->driver.loaded("Probe"));
    this->driver.settle(20);
    EXPECT_EQ(this->log.lines, std::vector<std::string>{"Probe/Unload"});
}

TYPED_TEST_P(FormsContract, ALoadStepMayUnloadItsOwnWindow) {
    this->driver.runtime.load(kProbe, {this->log.record("Probe", Event::Unload),
                                       this->on("Probe", Event::Load, [](forms::Form& f) { f.unload(); })});
    EXPECT_EQ(this->log.lines, std::vector<std::string>{"Probe/Unload"});
    EXPECT_FALSE(this->driver.loaded("Probe"));
    this->driver.settle(20);
}

TYPED_TEST_P(FormsContract, AWindowClosedWhileItsHandlerWaitsStaysWholeUntilTheHandlerReturns) {
    bool returned = false;
    forms::Form& form =
        this->load({this->log.record("Probe", Event::Unload), this->on("Ticker", Event::Tick, [&](forms::Form& f) {
                        if (!this->log.lines.empty() || returned) return;
                        f.set_timer_enabled("Ticker", false);
                        this->driver.close_box(f);  // closed meanwhile, as in a box's loop
                        this->driver.settle(50);
                        f.set_caption("still here");  // the form is still whole
                        f.fields().set("Caption", "late write");
                        returned = true;
                    })});
    this->driver.show(form);
    ASSERT_TRUE(this->driver.wait_until([&] { return returned; }));
    this->driver.settle(20);
    EXPECT_EQ(this->log.lines, std::vector<std::string>{"Probe/Unload"});
    EXPECT_FALSE(this->driver.loaded("Probe"));
}

TYPED_TEST_P(FormsContract, TheLoopEndsOnlyWhenTheLastLoadedWindowHasGone) {
    forms::Form& dialog = this->driver.runtime.load(kDialog, {this->log.record("Dialog", Event::Unload)});
    forms::Form& hidden = this->load({this->log.record("Probe", Event::Unload)});
    this->driver.show(dialog);
    this->driver.close_box(dialog);  // as the About box closes while Main is in the tray
    EXPECT_FALSE(this->driver.loop_ends_within(100)) << "a loaded window keeps it running, shown or not";
    hidden.unload();
    EXPECT_TRUE(this->driver.loop_ends_within(2000));
    EXPECT_EQ(this->log.lines, (std::vector<std::string>{"Dialog/Unload", "Probe/Unload"}));
}

TYPED_TEST_P(FormsContract, AnEndBeforeTheLoopRunsTakesEffectWhenItStarts) {
    this->driver.runtime.load(kDialog, {}).unload();
    EXPECT_TRUE(this->driver.loop_ends_within(2000)) << "the last window went before the loop ran";
}

TYPED_TEST_P(FormsContract, TheProgramsEndStopsEveryWindowWithoutItsClosingSteps) {
    int ticks = 0;
    forms::Form& form = this->load({this->log.record("Probe", Event::Unload),
                                    {"Ticker", Event::Tick, [&](forms::Form&, const forms::Mouse&) { ++ticks; }}});
    this->driver.show(form);
    this->driver.runtime.end_program();
    // The form stays whole until the loop frees it.
    EXPECT_FALSE(form.is_shown());
    EXPECT_FALSE(form.timer_enabled("Ticker"));
    form.fields().set("Caption", "late write");  // harms nothing
    form.unload();                               // runs nothing
    const int at_end = ticks;
    this->driver.settle(100);
    EXPECT_EQ(ticks, at_end) << "no handler runs once the program ends";
    EXPECT_TRUE(this->log.lines.empty()) << "no closing step";
    EXPECT_FALSE(this->driver.loaded("Probe"));
    EXPECT_TRUE(this->driver.loop_ends_within(2000));
}

REGISTER_TYPED_TEST_SUITE_P(FormsContract, AModelThatCannotBeBuiltIsRefusedWithWhatIsWrong,
                            ABindingTheWindowCannotRaiseFailsItsLoad, AnUnknownNameOrAWrongKindIsAnErrorThatSaysWhich,
                            AHiddenFrameHidesWhatItHoldsWhichKeepsItsOwnSetting, TimersTickWhileOnAndOnlyThen,
                            TabTakesTheButtonsByTabIndexAcrossFramesThoseWithoutOneLast,
                            ATickRunsItsOwnTimersHandlersInTheirOrderAndAFailureStopsAtTheEdge,
                            AHandlerWaitingInALoopOfItsOwnIsNotEnteredAgainWhileOthersRun,
                            ANewStateReachesTheWindowOnceTheHandlerIsDoneAndOnlyIfItIsShown,
                            UnloadFromItsOwnHandlerRunsTheUnloadStepOnceAndTheWindowGoes,
                            TheCloseBoxRunsTheUnloadStepOnceAndTheWindowGoes, ALoadStepMayUnloadItsOwnWindow,
                            AWindowClosedWhileItsHandlerWaitsStaysWholeUntilTheHandlerReturns,
                            TheLoopEndsOnlyWhenTheLastLoadedWindowHasGone,
                            AnEndBeforeTheLoopRunsTakesEffectWhenItStarts,
                            TheProgramsEndStopsEveryWindowWithoutItsClosingSteps);

}  // namespace contract
