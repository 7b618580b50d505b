// Main itself on Qt (offscreen), with fakes for the tray, the shell and the clock: the
// behaviours every runtime shares (main_contract.h), then the type and colours as Qt maps
// them, the strip cut off at the window's edge, what is stacked over what, and the repaints.

#include "platform/qt/qt_controls.h"
#include "tests/main_window/main_contract.h"
#include "tests/platform/qt/qt_driver.h"

namespace main_test {

// The forms driver with Main's tray: a fake whose icon is clicked by sending its code.
struct MainQtDriver : qt_test::QtDriver {
    fakes::FakeTray tray;

    void click_tray_icon() {
        tray.send(platform::kTrayLeftUp);
        settle(5);
    }
    std::string tray_tip() const { return tray.tooltip; }
    bool tray_icon_shown() const { return tray.shown(); }
    std::pair<int, int> client_size(forms::Form& form) { return {window(form)->width(), window(form)->height()}; }
    forms::PixelRect place(forms::Form& form, std::string_view control) {
        const QRect r = qt(form).widget(control)->geometry();
        return {r.x(), r.y(), r.width(), r.height()};
    }
    std::string tip(forms::Form& form, std::string_view control) {
        return qt(form).widget(control)->toolTip().toStdString();
    }
    bool ended() const { return runtime.ending(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(MainOnQt, MainOnRuntime, MainQtDriver);

}  // namespace main_test

namespace {

using namespace qt_test;

struct MainOnQt : main_test::MainOnRuntime<main_test::MainQtDriver> {
    QWidget* w(std::string_view name) const { return form->widget(name); }
};

TEST_F(MainOnQt, TheSentenceAndTheStripHaveTheirPlaceTypeAndColours) {
    EXPECT_EQ(w("Final")->geometry(), QRect(8, 24, 249, 81));
    const QFont sentence = w("Final")->font();
    EXPECT_EQ(sentence.family(), platform_qt::face_for("LCARS").family);
    EXPECT_DOUBLE_EQ(sentence.pointSizeF(), 26.25);
    EXPECT_EQ(w("Final")->palette().color(QPalette::WindowText), QColor(128, 128, 255));
    EXPECT_FALSE(w("Final")->autoFillBackground());
    const QFont strip = w("Label2")->font();
    EXPECT_EQ(strip.family(), platform_qt::face_for("Tahoma").family);
    EXPECT_EQ(strip.weight(), QFont::Bold);
    EXPECT_TRUE(w("Label2")->autoFillBackground());
    EXPECT_EQ(w("Title_Close")->font().weight(), QFont::Bold);
    EXPECT_EQ(w("Title_Menu")->font().weight(), QFont::Normal);
}

TEST_F(MainOnQt, TheCaptionStripIsCutOffAtTheWindowsRightEdge) {
    EXPECT_EQ(w("Label2")->geometry(), QRect(0, 2, 633, 19));
    EXPECT_EQ(w("Label2")->visibleRegion().boundingRect(), QRect(0, 0, 257, 19));
    EXPECT_EQ(w("Line3")->visibleRegion().boundingRect().width(), 257);
    EXPECT_TRUE(w("CurSec")->visibleRegion().isEmpty());
}

// Where no pixel shows it (Final is see-through; the close button and Shape1 do not meet).
TEST_F(MainOnQt, Shape1IsStackedOverFinalAndTheCaptionButtonsOverShape1) {
    const QObjectList order = form->window()->children();
    EXPECT_GT(order.indexOf(w("Shape1")), order.indexOf(w("Final")));
    EXPECT_GT(order.indexOf(w("Title_Close")), order.indexOf(w("Shape1")));
}

TEST_F(MainOnQt, TheVisibleLabelsShowTheSentenceAndOnlyRepaintOnChange) {
    ASSERT_TRUE(wait_for([&] { return form->fields().get("Final") != "Label2"; }));
    EXPECT_EQ(static_cast<platform_qt::FormLabel*>(w("Final"))->text(),
              QString::fromStdString(form->fields().get("Final")));
    settle(250);  // the clock stands still: every later tick writes the same texts
    PaintCounter paints(form->window());
    settle(400);
    EXPECT_EQ(paints.total(), 0);
}

}  // namespace
