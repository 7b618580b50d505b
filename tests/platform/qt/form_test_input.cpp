// Where clicks and pointer movement go (a hidden frame's buttons are passed through), where
// the focus starts and goes, and the keys that press buttons.

#include "tests/platform/qt/form_test_fixture.h"

namespace {

using namespace qt_test;
using platform_qt::QtForm;
using platform_qt::QtRuntime;

// ---- the mouse --------------------------------------------------------------------------

TEST_F(FormFixture, ClicksGoToWhatLiesUnderThePointer) {
    load();
    show_and_wait(*form);
    struct Case {
        const char* where;
        QPoint at;
        Qt::MouseButton button;
        std::vector<std::string> expect;
    };
    const Case kCases[] = {
        {"the window's own surface", {5, 5}, Qt::LeftButton, {"Probe/Click"}},
        {"the shape's outline", {1, 100}, Qt::LeftButton, {"Probe/Click"}},
        {"a line over the surface", {250, 190}, Qt::LeftButton, {"Probe/Click"}},
        {"a line over a label", {100, 40}, Qt::LeftButton, {"Strip/MouseDown", "Strip/Click"}},
        {"a transparent label", {150, 75}, Qt::LeftButton, {"Caption/MouseDown", "Caption/Click"}},
        {"a label, right button", {20, 65}, Qt::RightButton, {"Caption/MouseDown"}},
        {"the surface, right button", {5, 5}, Qt::RightButton, {}},
        {"a button", {230, 110}, Qt::LeftButton, {"Ok/Click"}},
        {"a button in a frame", {100, 120}, Qt::LeftButton, {"Inside/Click"}},
        {"a frame's own surface", {120, 150}, Qt::LeftButton, {}},
        {"a picture over a label", {285, 25}, Qt::LeftButton, {}},
    };
    for (const Case& c : kCases) {
        log.clear();
        click(c.at, c.button);
        EXPECT_EQ(log.lines, c.expect) << c.where;
    }
}

TEST_F(FormFixture, APressThatEndsElsewhereIsNoClick) {
    load();
    show_and_wait(*form);
    log.clear();
    QTest::mousePress(handle(), Qt::LeftButton, {}, {20, 65});
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, {250, 180});
    settle(5);
    EXPECT_EQ(log.lines, std::vector<std::string>{"Caption/MouseDown"});
}

TEST_F(FormFixture, MouseEventsCarryTheButtonAndThePositionInTwips) {
    load({log.record("Probe", Event::MouseMove)});
    show_and_wait(*form);
    log.clear();
    QTest::mousePress(handle(), Qt::RightButton, Qt::ShiftModifier, {20, 65});
    QTest::mouseRelease(handle(), Qt::RightButton, Qt::ShiftModifier, {20, 65});
    ASSERT_EQ(log.lines, std::vector<std::string>{"Caption/MouseDown"});
    EXPECT_EQ(log.mice[0].button, 2);
    EXPECT_EQ(log.mice[0].shift, 1);
    EXPECT_FLOAT_EQ(log.mice[0].x, 300);  // from the window's corner
    EXPECT_FLOAT_EQ(log.mice[0].y, 975);

    log.clear();
    QTest::mouseMove(handle(), {7, 190});
    settle(5);
    ASSERT_EQ(log.count("Probe/MouseMove"), 1);
    EXPECT_FLOAT_EQ(log.mice.back().x, 105);
    EXPECT_FLOAT_EQ(log.mice.back().y, 2850);

    log.clear();
    QTest::mouseMove(handle(), {30, 65});    // over a label: not the window's surface
    QTest::mouseMove(handle(), {220, 112});  // over a button
    settle(5);
    EXPECT_EQ(log.count("Probe/MouseMove"), 0);
}

TEST_F(FormFixture, AClickWhereAHiddenFramesButtonStoodGoesToTheWindow) {
    load();
    show_and_wait(*form);
    form->set_visible("Panel", false);
    log.clear();
    click({100, 120});  // where the button stood: the window's surface now
    EXPECT_EQ(log.lines, std::vector<std::string>{"Probe/Click"});
}

// ---- focus and keys ---------------------------------------------------------------------

TEST_F(FormFixture, FocusStartsAtTheLowestTabIndexThatIsShown) {
    struct Case {
        bool panel_shown;
        const char* first;
    };
    const Case kCases[] = {
        {true, "Inside"},  // tab index 0, in the frame
        {false, "First"},  // Inside is in the hidden frame; First has 1
    };
    for (const Case& c : kCases) {
        load({{"Probe", Event::Load,
               [shown = c.panel_shown](forms::Form& f, const forms::Mouse&) { f.set_visible("Panel", shown); }}});
        show_and_wait(*form);
        EXPECT_EQ(window()->focusWidget(), w(c.first)) << c.first;
        form->unload();
        settle(5);
    }
}

TEST_F(FormFixture, TabAndBacktabFollowTheIndexesOfWhatIsShown) {
    load({{"Probe", Event::Load, [](forms::Form& f, const forms::Mouse&) { f.set_visible("Panel", false); }}});
    show_and_wait(*form);
    auto focused = [&] { return window()->focusWidget(); };
    ASSERT_EQ(focused(), w("First"));
    const char* kTabs[] = {"Ok", "Cancel", "First", "Ok"};
    for (const char* next : kTabs) {
        QTest::keyClick(handle(), Qt::Key_Tab);
        EXPECT_EQ(focused(), w(next)) << next;
    }
    form->set_visible("Panel", true);
    QTest::keyClick(handle(), Qt::Key_Tab);  // Ok -> Cancel
    QTest::keyClick(handle(), Qt::Key_Tab);  // Cancel -> Inside (0), now shown
    EXPECT_EQ(focused(), w("Inside"));
    QTest::keyClick(handle(), Qt::Key_Backtab);
    EXPECT_EQ(focused(), w("Cancel"));
}

TEST_F(FormFixture, SpaceEnterAndEscPressButtons) {
    load({{"Probe", Event::Load, [](forms::Form& f, const forms::Mouse&) { f.set_visible("Panel", false); }}});
    show_and_wait(*form);
    log.clear();
    QTest::keyClick(handle(), Qt::Key_Space);   // the focused button, First
    QTest::keyClick(handle(), Qt::Key_Return);  // a focused button takes Enter itself
    QTest::keyClick(handle(), Qt::Key_Escape);  // the cancel button, wherever the focus is
    EXPECT_EQ(log.lines, (std::vector<std::string>{"First/Click", "First/Click", "Cancel/Click"}));

    log.clear();
    window()->setFocus();  // no button has the focus
    QTest::keyClick(handle(), Qt::Key_Enter);
    QTest::keyClick(handle(), Qt::Key_Return);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Ok/Click", "Ok/Click"}));

    log.clear();
    form->set_visible("Cancel", false);  // a hidden button is pressed by nothing
    QTest::keyClick(handle(), Qt::Key_Escape);
    EXPECT_TRUE(log.lines.empty());
}

}  // namespace
