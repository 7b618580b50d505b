// Main itself on the real runtime (offscreen), with fakes for the tray, the shell and the
// clock: where its caption strip stands, what is drawn over what, focus, the panel.

#include <QLabel>
#include <QPushButton>

#include <sstream>

#include "main_window/main_model.h"
#include "platform/qt/qt_controls.h"
#include "tests/main_window/main_wiring.h"
#include "tests/platform/qt/qt_harness.h"

namespace {

using namespace qt_test;
using platform_qt::QtForm;

struct MainOnQt : ::testing::Test, main_test::MainWiring {
    platform_qt::QtRuntime runtime{qt_test::kAppTitle};
    fakes::FakeTray tray;
    main_window::MainWindow main{services(runtime, runtime, tray)};
    QtForm* form = nullptr;

    void SetUp() override {
        main.start();
        form = runtime.find("Main");
        ASSERT_NE(form, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->window()));
        ASSERT_TRUE(QTest::qWaitForWindowActive(form->window()));
        settle();
    }
    QWidget* w(std::string_view name) const { return form->widget(name); }
    // The colour drawn at a point, as 8-bit red, green, blue.
    QRgb pixel(QPoint at) const { return form->window()->grab().toImage().pixel(at); }
    void click(QPoint at) {
        QTest::mouseClick(form->window()->windowHandle(), Qt::LeftButton, {}, at);
        settle(5);
    }
};

TEST_F(MainOnQt, TheWindowIs257By145PixelsWithItsCaptionButtonsInPlace) {
    EXPECT_EQ(form->window()->size(), QSize(257, 145));
    struct Case {
        const char* control;
        QRect pixels;
    };
    const Case kCases[] = {
        {"Title_Close", {238, 2, 17, 17}}, {"Title_MinTray", {221, 2, 17, 17}}, {"Title_Menu", {181, 2, 40, 17}},
        {"Frame1", {72, 19, 153, 68}},     {"menu_website", {8, 8, 137, 17}},   {"Label2", {0, 2, 633, 19}},
        {"Final", {8, 24, 249, 81}},
    };
    for (const Case& c : kCases) EXPECT_EQ(w(c.control)->geometry(), c.pixels) << c.control;
}

TEST_F(MainOnQt, TheSentenceAndTheStripHaveTheirTypeAndColours) {
    const QFont sentence = w("Final")->font();
    EXPECT_EQ(sentence.family(), platform_qt::face_for("LCARS").family);
    EXPECT_DOUBLE_EQ(sentence.pointSizeF(), 26.25);
    EXPECT_EQ(w("Final")->palette().color(QPalette::WindowText), QColor(128, 128, 255));
    EXPECT_FALSE(w("Final")->autoFillBackground());
    const QFont strip = w("Label2")->font();
    EXPECT_EQ(strip.family(), platform_qt::face_for("Tahoma").family);
    EXPECT_EQ(strip.weight(), QFont::Bold);
    EXPECT_TRUE(w("Label2")->autoFillBackground());
    EXPECT_EQ(w("Title_MinTray")->toolTip(), "Minimize to Tray");
    EXPECT_EQ(w("Title_Close")->font().weight(), QFont::Bold);
    EXPECT_EQ(w("Title_Menu")->font().weight(), QFont::Normal);
}

TEST_F(MainOnQt, TheCaptionStripIsCutOffAtTheWindowsRightEdge) {
    EXPECT_EQ(w("Label2")->visibleRegion().boundingRect(), QRect(0, 0, 257, 19));
    EXPECT_EQ(w("Line3")->visibleRegion().boundingRect().width(), 257);
    EXPECT_TRUE(w("CurSec")->visibleRegion().isEmpty());
}

TEST_F(MainOnQt, Line3AndShape1AreDrawnOverTheCaptionStrip) {
    const QPalette palette = form->window()->palette();
    const QColor border = platform_qt::system_colour(forms::kActiveBorder, palette);
    const QColor caption = palette.color(QPalette::Active, QPalette::Highlight);
    ASSERT_NE(border, caption);
    EXPECT_EQ(pixel({100, 20}), border.rgb());  // Line3's upper row, on the strip's last row
    EXPECT_EQ(pixel({100, 21}), border.rgb());
    EXPECT_EQ(pixel({1, 10}), border.rgb());     // Shape1's left side, across the strip
    EXPECT_EQ(pixel({150, 19}), caption.rgb());  // the strip itself, below its text
    EXPECT_EQ(pixel({0, 0}), qRgb(0, 0, 0));     // the black band above it
    const QObjectList order = form->window()->children();
    EXPECT_GT(order.indexOf(w("Line3")), order.indexOf(w("Label2")));
    EXPECT_GT(order.indexOf(w("Shape1")), order.indexOf(w("Label2")));
    EXPECT_GT(order.indexOf(w("Shape1")), order.indexOf(w("Final")));
    EXPECT_GT(order.indexOf(w("Title_Close")), order.indexOf(w("Shape1")));
}

TEST_F(MainOnQt, FocusStartsOnCommand1AndTabMovesToCommand2) {
    EXPECT_EQ(form->window()->focusWidget(), w("Command1"));
    int presses = 0;
    QObject::connect(static_cast<QPushButton*>(w("Command1")), &QPushButton::clicked, [&] { ++presses; });
    QTest::keyClick(form->window()->windowHandle(), Qt::Key_Space);  // a manual clock run
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(form->fields().get("CurSec"), "7");
    EXPECT_EQ(form->fields().get("MonName"), "April");
    QTest::keyClick(form->window()->windowHandle(), Qt::Key_Tab);
    EXPECT_EQ(form->window()->focusWidget(), w("Command2"));
    const char* kRest[] = {"Title_Menu", "Title_Close", "Title_MinTray", "Command1"};  // the panel is hidden
    for (const char* next : kRest) {
        QTest::keyClick(form->window()->windowHandle(), Qt::Key_Tab);
        EXPECT_EQ(form->window()->focusWidget(), w(next)) << next;
    }
}

TEST_F(MainOnQt, ThePanelHidesItsThreeButtonsAndTheStripsClicksWork) {
    for (const char* b : {"menu_website", "menu_wrenhollow", "menu_about"}) EXPECT_FALSE(w(b)->isVisible()) << b;
    click(w("Title_Menu")->geometry().center());
    for (const char* b : {"menu_website", "menu_wrenhollow", "menu_about"}) EXPECT_TRUE(w(b)->isVisible()) << b;
    click({100, 60});  // a point of Final the panel covers: the panel's button takes it
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://wrenhollow.example.net"});
    EXPECT_FALSE(form->is_visible("Frame1"));

    click(w("Title_Menu")->geometry().center());
    click({4, 60});  // the black margin left of Final
    EXPECT_FALSE(form->is_visible("Frame1"));
    click(w("Title_Menu")->geometry().center());
    click({30, 130});  // Label12
    EXPECT_FALSE(form->is_visible("Frame1"));
}

TEST_F(MainOnQt, TheTimersWriteTheSentenceAndTheVisibleLabelsOnlyRepaintOnChange) {
    ASSERT_TRUE(wait_for([&] { return form->fields().get("Final") != "Label2"; }));
    EXPECT_EQ(static_cast<platform_qt::FormLabel*>(w("Final"))->text(),
              QString::fromStdString(form->fields().get("Final")));
    settle(250);  // the clock stands still: every later tick writes the same texts
    PaintCounter paints(form->window());
    settle(400);
    EXPECT_EQ(paints.total(), 0);
}

TEST_F(MainOnQt, TheTButtonSendsTheWindowToTheTrayAndTheIconBringsItBack) {
    click(w("Title_MinTray")->geometry().center());
    EXPECT_FALSE(form->is_shown());
    EXPECT_EQ(form->window_state(), forms::kMinimized);
    tray.send(0x202);
    EXPECT_TRUE(form->is_shown());
    EXPECT_EQ(form->window_state(), forms::kNormal);
}

}  // namespace
