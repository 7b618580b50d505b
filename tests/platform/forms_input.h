#pragma once
// A person's pointer and keys on the probe window, on the real runtimes: where a click goes,
// what a press carries, where the focus starts and how Tab, Enter, Esc and Space move it.

#include "tests/platform/forms_contract.h"

namespace contract {

template <RealDriver D>
class FormsInput : public FormsContract<D> {
protected:
    forms::Form* form = nullptr;

    // The probe with every event of interest recorded, shown and active.
    void open(std::vector<forms::Binding> extra = {}) {
        std::vector<forms::Binding> b = {this->log.record("Probe", Event::Click)};
        for (const char* label : {"Strip", "Caption"})
            for (Event e : {Event::MouseDown, Event::Click}) b.push_back(this->log.record(label, e));
        for (const char* button : {"Ok", "Cancel", "First", "Inside"})
            b.push_back(this->log.record(button, Event::Click));
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
}

TYPED_TEST_P(FormsInput, APressThatEndsElsewhereIsNoClick) {
    this->open();
    this->driver.press(*this->form, 20, 65, 1, kNoShift);
    this->driver.release(*this->form, 250, 180, 1, kNoShift);
    this->driver.settle(5);
    EXPECT_EQ(this->log.lines, std::vector<std::string>{"Caption/MouseDown"});
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
}

REGISTER_TYPED_TEST_SUITE_P(FormsInput, AClickGoesToWhatLiesUnderThePointer, APressThatEndsElsewhereIsNoClick,
                            MouseEventsCarryTheButtonsTheShiftKeysAndThePlaceInTwips,
                            TheFocusStartsAtTheLowestTabIndexThatIsShown, TabAndBacktabFollowTheIndexesOfWhatIsShown,
                            SpaceEnterAndEscPressButtons);

}  // namespace contract
