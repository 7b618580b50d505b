#pragma once
// What a window does on every runtime, one table for all: the fake, Qt (offscreen) and
// Win32 (under Wine) each run these tests through a driver of their own, which says how the
// runtime's loop is run, how a window is shown, what state the window system gives it, how
// a person changes that state, and in which order Tab takes the buttons. A behaviour the
// fake lets pass fails here as it fails on the real systems.
//
// A driver D has: a member `runtime` (a forms::Runtime); `settle(ms)`, which runs the loop a
// while (the fake: each timer that is on ticks once per 20 ms); `wait_until(done)`; `show(form)`
// (shown, exposed, active); `native_state(form)` and `change_state_by_hand(form, state)`;
// `native_visible(form, control)`; `tab_stops(form)`, the buttons in the order Tab takes them,
// round from any one; `loaded(model name)`; `close_box(form)`, the person's close (the window
// manager's or the title bar's); `loop_ends_within(ms)`, which runs the program's loop up to ms
// and says whether it ended by itself.
//
// The real runtimes also run FormsInput: a person's pointer and keys on the probe window,
// through `press`, `release`, `move` (pixels from the window's client corner), `key`,
// `focused(form)` (the name of the button with the focus, or "(none)"), `focus_window`,
// `pixel(form, x, y)` (what the window shows there, painted whole, as 0xRRGGBB) and
// `system_rgb(form, index)` (a system colour as the window would draw it); FormsRender:
// `picture(form)`, the whole window as a Picture;
// and FormsBoxes: `read_box(prompt, style, title, answer_after_ms)` shows a message box through
// the runtime, reads it once it is up and answers it with its first button.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/form_bindings.h"
#include "platform/forms/message_box.h"
#include "tests/platform/probe_model.h"

namespace contract {

using namespace probe;

template <class D>
class FormsContract : public ::testing::Test {
protected:
    D driver;
    EventLog log;

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
    form.unload();
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
    form.unload();
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
    form.unload();
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
    form.unload();
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
    form.unload();
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
    form.unload();
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

// ---- a person's pointer and keys (the real runtimes) ----------------------------------------

enum class Key { Tab, Backtab, Return, Enter, Escape, Space };
enum Shift { kNoShift = 0, kShift = 1, kControl = 2 };

template <class D>
class FormsInput : public FormsContract<D> {
protected:
    forms::Form* form = nullptr;

    // The probe with every event of interest recorded, shown and active.
    void open(std::vector<forms::Binding> extra = {}) {
        std::vector<forms::Binding> b = {
            this->log.record("Probe", Event::Click),   this->log.record("Strip", Event::MouseDown),
            this->log.record("Strip", Event::Click),   this->log.record("Caption", Event::MouseDown),
            this->log.record("Caption", Event::Click), this->log.record("Ok", Event::Click),
            this->log.record("Cancel", Event::Click),  this->log.record("First", Event::Click),
            this->log.record("Inside", Event::Click),
        };
        for (auto& e : extra) b.push_back(std::move(e));
        form = &this->load(std::move(b));
        this->driver.show(*form);
        this->log.clear();
    }
    void click(int x, int y, int button = 1, int shift = kNoShift) {
        this->driver.press(*form, x, y, button, shift);
        this->driver.release(*form, x, y, button, shift);
        this->driver.settle(5);
    }
    static forms::Binding hide_panel_at_load(bool hide = true) {
        return {"Probe", Event::Load, [hide](forms::Form& f, const forms::Mouse&) { f.set_visible("Panel", !hide); }};
    }
};

TYPED_TEST_SUITE_P(FormsInput);
// The fake has no pointer and no keys: it runs the contract only.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FormsInput);

TYPED_TEST_P(FormsInput, AClickGoesToWhatLiesUnderThePointer) {
    this->open();
    struct Case {
        const char* where;
        int x, y, button;
        std::vector<std::string> expect;
    };
    const Case kCases[] = {
        {"the window's own surface", 5, 5, 1, {"Probe/Click"}},
        {"the shape's outline", 1, 100, 1, {"Probe/Click"}},
        {"a line over the surface", 250, 190, 1, {"Probe/Click"}},
        {"a line over a label", 100, 40, 1, {"Strip/MouseDown", "Strip/Click"}},
        {"a transparent label", 150, 75, 1, {"Caption/MouseDown", "Caption/Click"}},
        {"a label, right button", 20, 65, 2, {"Caption/MouseDown"}},
        {"a label, middle button", 20, 65, 4, {"Caption/MouseDown"}},
        {"the surface, right button", 5, 5, 2, {}},
        {"a button", 230, 110, 1, {"Ok/Click"}},
        {"a button in a frame", 100, 120, 1, {"Inside/Click"}},
        {"a frame's own surface", 120, 150, 1, {}},
        {"a picture over a label", 285, 25, 1, {}},
    };
    for (const Case& c : kCases) {
        this->log.clear();
        this->click(c.x, c.y, c.button);
        EXPECT_EQ(this->log.lines, c.expect) << c.where;
    }
    // Where a hidden frame's button stood is the window's surface.
    this->form->set_visible("Panel", false);
    this->driver.settle(20);
    this->log.clear();
    this->click(100, 120);
    EXPECT_EQ(this->log.lines, std::vector<std::string>{"Probe/Click"});
    this->form->unload();
}

TYPED_TEST_P(FormsInput, APressThatEndsElsewhereIsNoClick) {
    this->open();
    this->driver.press(*this->form, 20, 65, 1, kNoShift);
    this->driver.release(*this->form, 250, 180, 1, kNoShift);
    this->driver.settle(5);
    EXPECT_EQ(this->log.lines, std::vector<std::string>{"Caption/MouseDown"});
    this->form->unload();
}

TYPED_TEST_P(FormsInput, MouseEventsCarryTheButtonsTheShiftKeysAndThePlaceInTwips) {
    this->open({this->log.record("Probe", Event::MouseMove)});
    struct Case {
        int button, shift;
        int shift_seen;
    };
    const Case kCases[] = {{2, kShift, 1}, {4, kControl, 2}, {1, kNoShift, 0}};
    for (const Case& c : kCases) {
        this->log.clear();
        this->driver.press(*this->form, 20, 65, c.button, c.shift);
        this->driver.release(*this->form, 20, 65, c.button, c.shift);
        this->driver.settle(5);
        ASSERT_FALSE(this->log.lines.empty());
        EXPECT_EQ(this->log.lines[0], "Caption/MouseDown");
        EXPECT_EQ(this->log.mice[0].button, c.button);
        EXPECT_EQ(this->log.mice[0].shift, c.shift_seen);
        EXPECT_FLOAT_EQ(this->log.mice[0].x, 300);  // from the window's corner
        EXPECT_FLOAT_EQ(this->log.mice[0].y, 975);
    }

    // The pointer over the window's own surface, and not over a label or a button.
    this->log.clear();
    this->driver.move(*this->form, 7, 190);
    this->driver.settle(5);
    ASSERT_EQ(this->log.count("Probe/MouseMove"), 1);
    EXPECT_FLOAT_EQ(this->log.mice.back().x, 105);
    EXPECT_FLOAT_EQ(this->log.mice.back().y, 2850);
    this->log.clear();
    this->driver.move(*this->form, 30, 65);
    this->driver.move(*this->form, 220, 112);
    this->driver.settle(5);
    EXPECT_EQ(this->log.count("Probe/MouseMove"), 0);
    this->form->unload();
}

TYPED_TEST_P(FormsInput, TheFocusStartsAtTheLowestTabIndexThatIsShown) {
    struct Case {
        bool panel_hidden;
        const char* first;
    };
    const Case kCases[] = {
        {false, "Inside"},  // tab index 0, in the frame
        {true, "First"},    // Inside is in the hidden frame; First has 1
    };
    for (const Case& c : kCases) {
        this->open({this->hide_panel_at_load(c.panel_hidden)});
        EXPECT_EQ(this->driver.focused(*this->form), c.first);
        this->form->unload();
        this->driver.settle(5);
    }
}

TYPED_TEST_P(FormsInput, TabAndBacktabFollowTheIndexesOfWhatIsShown) {
    this->open({this->hide_panel_at_load()});
    auto& d = this->driver;
    ASSERT_EQ(d.focused(*this->form), "First");
    for (const char* next : {"Ok", "Cancel", "First", "Ok"}) {
        d.key(*this->form, Key::Tab);
        EXPECT_EQ(d.focused(*this->form), next);
    }
    this->form->set_visible("Panel", true);
    d.settle(20);
    d.key(*this->form, Key::Tab);  // Ok -> Cancel
    d.key(*this->form, Key::Tab);  // Cancel -> Inside (0), now shown
    EXPECT_EQ(d.focused(*this->form), "Inside");
    d.key(*this->form, Key::Backtab);
    EXPECT_EQ(d.focused(*this->form), "Cancel");
    this->form->unload();
}

TYPED_TEST_P(FormsInput, SpaceEnterAndEscPressButtons) {
    this->open({this->hide_panel_at_load()});
    auto& d = this->driver;
    d.key(*this->form, Key::Space);   // the focused button, First
    d.key(*this->form, Key::Return);  // a focused button takes Enter itself
    d.key(*this->form, Key::Escape);  // the cancel button, wherever the focus is
    EXPECT_EQ(this->log.lines, (std::vector<std::string>{"First/Click", "First/Click", "Cancel/Click"}));

    this->log.clear();
    d.focus_window(*this->form);  // no button has the focus: Enter is the default button's
    d.key(*this->form, Key::Enter);
    d.key(*this->form, Key::Return);
    EXPECT_EQ(this->log.lines, (std::vector<std::string>{"Ok/Click", "Ok/Click"}));

    this->log.clear();
    this->form->set_visible("Cancel", false);  // a hidden button is pressed by nothing
    d.settle(20);
    d.key(*this->form, Key::Escape);
    EXPECT_TRUE(this->log.lines.empty());
    this->form->unload();
}

REGISTER_TYPED_TEST_SUITE_P(FormsInput, AClickGoesToWhatLiesUnderThePointer, APressThatEndsElsewhereIsNoClick,
                            MouseEventsCarryTheButtonsTheShiftKeysAndThePlaceInTwips,
                            TheFocusStartsAtTheLowestTabIndexThatIsShown, TabAndBacktabFollowTheIndexesOfWhatIsShown,
                            SpaceEnterAndEscPressButtons);

// ---- what a window shows (the real runtimes) ---------------------------------------------

// What a window shows, painted whole: a pixel 0xRRGGBB, row by row.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels.at(static_cast<std::size_t>(y * width + x)); }
    // How many pixels of a rectangle differ from a colour.
    int differing(int left, int top, int w, int h, std::uint32_t colour) const {
        int n = 0;
        for (int y = top; y < top + h; ++y)
            for (int x = left; x < left + w; ++x) n += at(x, y) != colour;
        return n;
    }
    // How many runs of rows with ink a rectangle holds: the lines of text in it.
    int lines_of_ink(int left, int top, int w, int h, std::uint32_t back) const {
        int runs = 0;
        bool in_run = false;
        for (int y = top; y < top + h; ++y) {
            const bool ink = differing(left, y, w, 1, back) > 0;
            runs += ink && !in_run;
            in_run = ink;
        }
        return runs;
    }
};

inline constexpr std::uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF,
                               kWhite = 0xFFFFFF;

// 200 x 100 pixels at 96 dpi, black. Pixel rectangles in the comments.
inline constexpr Control kRenderControls[] = {
    // (10, 10) 60 x 30, in front of the line and of Back
    {.name = "Front", .kind = Kind::Label, .text = "", .rect = {150, 150, 900, 450}, .back = forms::rgb(255, 0, 0)},
    // row 20 from the left edge up to Wrap, behind Front
    {.name = "Line", .kind = Kind::Line, .ends = {0, 300, 1650, 300}, .fore = forms::rgb(0, 0, 255)},
    // (85, 30) 10 x 40, its outline over Back and its inside clear
    {.name = "Ring", .kind = Kind::Shape, .rect = {1275, 450, 150, 600}, .fore = forms::rgb(0, 0, 255)},
    // (40, 20) 60 x 60, behind Front, under a button
    {.name = "Back", .kind = Kind::Label, .text = "", .rect = {600, 300, 900, 900}, .back = forms::rgb(0, 255, 0)},
    {.name = "Over", .kind = Kind::Button, .text = "", .rect = {1200, 900, 300, 225}},
    // (110, 10) 40 x 50: one word a line
    {.name = "Wrap",
     .kind = Kind::Label,
     .text = "WWW WWW WWW",
     .rect = {1650, 150, 600, 750},
     .fore = forms::rgb(0, 0, 0),
     .back = forms::rgb(255, 255, 255)},
    // (160, 10) 40 x 10: the rest is cut off
    {.name = "Clip",
     .kind = Kind::Label,
     .text = "WWW WWW WWW",
     .rect = {2400, 150, 600, 150},
     .fore = forms::rgb(0, 0, 0),
     .back = forms::rgb(255, 255, 255)},
    // (110, 70) 40 x 20, no background of its own
    {.name = "Clear",
     .kind = Kind::Label,
     .text = "",
     .rect = {1650, 1050, 600, 300},
     .fore = forms::rgb(255, 255, 255),
     .transparent = true},
    // (160, 70) and (160, 85): the system's colours
    {.name = "Caption",
     .kind = Kind::Label,
     .text = "",
     .rect = {2400, 1050, 300, 150},
     .back = forms::system_colour(forms::kActiveCaption)},
    {.name = "Plain", .kind = Kind::Label, .text = "", .rect = {2400, 1275, 300, 150}},
};
inline constexpr forms::WindowModel kRender{.name = "Render",
                                            .caption = "render",
                                            .client_width = 3000,
                                            .client_height = 1500,
                                            .back = forms::rgb(0, 0, 0),
                                            .controls = kRenderControls};

template <class D>
class FormsRender : public FormsContract<D> {
protected:
    forms::Form* form = nullptr;
    void SetUp() override {
        form = &this->driver.runtime.load(kRender, {});
        this->driver.show(*form);
    }
    void TearDown() override { form->unload(); }
};
TYPED_TEST_SUITE_P(FormsRender);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FormsRender);

TYPED_TEST_P(FormsRender, PaintsEachControlWhereTheModelPutsItInFrontToBackOrder) {
    const Picture c = this->driver.picture(*this->form);
    ASSERT_EQ(c.width, 200);
    ASSERT_EQ(c.height, 100);
    struct Case {
        const char* what;
        int x, y;
        std::uint32_t colour;
    };
    const Case kCases[] = {
        {"the window's own background", 2, 2, kBlack},
        {"Front", 10, 10, kRed},
        {"Front's last pixel", 69, 39, kRed},
        {"past Front", 70, 41, kGreen},
        {"the line left of Front", 5, 20, kBlue},
        {"the line stops under Front", 30, 20, kRed},
        {"the line over nothing", 105, 20, kBlue},
        {"the line over Back, listed after it", 75, 20, kBlue},
        {"the shape's outline over Back", 85, 50, kBlue},
        {"Back inside the shape", 90, 50, kGreen},
        {"Front over Back", 45, 25, kRed},
        {"Back", 45, 45, kGreen},
        {"Back's last pixel", 99, 79, kGreen},
        {"below Back", 99, 80, kBlack},
        {"a transparent label shows the window", 111, 71, kBlack},
        {"system colour 2", 161, 71, this->driver.system_rgb(*this->form, forms::kActiveCaption)},
        {"a label's default face", 161, 86, this->driver.system_rgb(*this->form, forms::kButtonFace)},
    };
    for (const Case& k : kCases) EXPECT_EQ(c.at(k.x, k.y), k.colour) << k.what << " at " << k.x << ", " << k.y;
    EXPECT_NE(c.at(85, 67), kGreen) << "the button lies above the label";
}

TYPED_TEST_P(FormsRender, WrapsAtWordsAndCutsAtTheLabelsEdge) {
    const Picture c = this->driver.picture(*this->form);
    EXPECT_EQ(c.lines_of_ink(110, 10, 40, 50, kWhite), 3) << "one word a line";
    EXPECT_EQ(c.differing(150, 10, 10, 50, kBlack), 0) << "nothing of Wrap right of it";
    EXPECT_EQ(c.lines_of_ink(160, 10, 40, 10, kWhite), 1) << "Clip shows its first line";
    EXPECT_EQ(c.differing(160, 20, 40, 40, kBlack), 0) << "and nothing below its edge";
}

TYPED_TEST_P(FormsRender, AWriteShowsAtOnceAndAHiddenLabelLetsWhatIsBehindShow) {
    ASSERT_EQ(this->driver.picture(*this->form).differing(110, 70, 40, 20, kBlack), 0);
    this->form->fields().set("Clear", "IIII IIII");
    this->driver.settle(20);
    EXPECT_GT(this->driver.picture(*this->form).differing(110, 70, 40, 20, kBlack), 10) << "white ink on black";
    this->form->set_visible("Front", false);
    this->driver.settle(20);
    EXPECT_EQ(this->driver.picture(*this->form).at(45, 25), kGreen) << "Back shows where Front was";
}

REGISTER_TYPED_TEST_SUITE_P(FormsRender, PaintsEachControlWhereTheModelPutsItInFrontToBackOrder,
                            WrapsAtWordsAndCutsAtTheLabelsEdge, AWriteShowsAtOnceAndAHiddenLabelLetsWhatIsBehindShow);

// ---- message boxes (the real runtimes) -----------------------------------------------------

// A message box as it was up: its title, its prompt as shown, its buttons from left to right,
// its icon.
struct Box {
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
    platform::BoxIcon icon = platform::BoxIcon::None;
};

template <class D>
using FormsBoxes = FormsContract<D>;
TYPED_TEST_SUITE_P(FormsBoxes);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FormsBoxes);

TYPED_TEST_P(FormsBoxes, TheStyleChoosesTheButtonsAndTheIcon) {
    using enum platform::BoxIcon;
    struct Case {
        int style;
        std::vector<std::string> buttons;
        platform::BoxIcon icon;
    };
    const Case kCases[] = {
        {0, {"OK"}, None},
        {1, {"OK", "Cancel"}, None},
        {2, {"Abort", "Retry", "Ignore"}, None},
        {3, {"Yes", "No", "Cancel"}, None},
        {4, {"Yes", "No"}, None},
        {5, {"Retry", "Cancel"}, None},
        {16, {"OK"}, Critical},
        {32 + 3, {"Yes", "No", "Cancel"}, Question},
        {48 + 4, {"Yes", "No"}, Exclamation},
        {64 + 1, {"OK", "Cancel"}, Information},
        {27, {"OK"}, Critical},    // the farewell box: set 11 names no buttons, so OK
        {6 + 4096, {"OK"}, None},  // neither an unknown set nor system modality gets through
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE("style " + std::to_string(c.style));
        const Box box = this->driver.read_box("Prompt", c.style, std::nullopt, 30);
        EXPECT_EQ(box.buttons, c.buttons);
        EXPECT_EQ(box.icon, c.icon);
    }
}

TYPED_TEST_P(FormsBoxes, TheBoxBearsItsOwnTitleOrTheApplications) {
    EXPECT_EQ(this->driver.read_box("p", 0, std::nullopt, 30).title, kAppTitle);
    EXPECT_EQ(this->driver.read_box("p", 0, "Just so you know...", 30).title, "Just so you know...");
    EXPECT_EQ(this->driver.read_box("p", 0, "\u00dcber Velmora", 30).title, "\u00dcber Velmora");
    EXPECT_EQ(this->driver.read_box("p", 0, "", 30).title, "") << "an empty title of its own";
}

// The prompt's lines, whichever break the system shows between them.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (text[i] == '\r' || text[i] == '\n')
            lines.emplace_back();
        else
            lines.back() += text[i];
    }
    return lines;
}

TYPED_TEST_P(FormsBoxes, ThePromptIsShownAsPlainTextWithItsLineBreaksUpToANul) {
    struct Case {
        std::string prompt;
        std::vector<std::string> lines;
    };
    const Case kCases[] = {
        {"have a great time at the show!\r\n   -Ardo", {"have a great time at the show!", "   -Ardo"}},
        {"one\rtwo\nthree", {"one", "two", "three"}},
        {"<b>not bold</b> & more", {"<b>not bold</b> & more"}},
        {std::string("cut\0here", 8), {"cut"}},
        {"\u00dcber \u6771\u4eac", {"\u00dcber \u6771\u4eac"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.prompt);
        EXPECT_EQ(lines_of(this->driver.read_box(c.prompt, 0, std::nullopt, 30).text), c.lines);
    }
}

TYPED_TEST_P(FormsBoxes, ShowReturnsOnceTheBoxIsAnsweredAndTimersTickMeanwhile) {
    int ticks = 0;
    forms::Form& form = this->load({{"Ticker", Event::Tick, [&](forms::Form&, const forms::Mouse&) { ++ticks; }}});
    this->driver.show(form);
    const Box box =
        this->driver.read_box("This program will not work anymore\r\n   -Ardo", 27, "Just so you know...", 300);
    EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
    EXPECT_GE(ticks, 5) << "ticks while the box is up";
    form.unload();
}

REGISTER_TYPED_TEST_SUITE_P(FormsBoxes, TheStyleChoosesTheButtonsAndTheIcon, TheBoxBearsItsOwnTitleOrTheApplications,
                            ThePromptIsShownAsPlainTextWithItsLineBreaksUpToANul,
                            ShowReturnsOnceTheBoxIsAnsweredAndTimersTickMeanwhile);

}  // namespace contract
