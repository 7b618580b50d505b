// A window rendered from a model: geometry in twips, clipping, stacking, fields, what a
// screen reader reads, where clicks and pointer movement go, focus and keys, timers.

#include <QAccessible>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QScreen>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/qt/qt_controls.h"
#include "tests/qt/qt_harness.h"

namespace {

using namespace qt_test;
using platform_qt::QtForm;
using platform_qt::QtRuntime;

struct FormFixture : ::testing::Test {
    QtRuntime runtime{qt_test::kAppTitle};
    EventLog log;
    QtForm* form = nullptr;

    // Loads the probe window with every event of interest recorded; `extra` adds bindings.
    void load(std::vector<forms::Binding> extra = {}) {
        std::vector<forms::Binding> b = {
            log.record("Probe", Event::Load),       log.record("Probe", Event::Click),
            log.record("Probe", Event::Unload),     log.record("Strip", Event::MouseDown),
            log.record("Strip", Event::Click),      log.record("Caption", Event::MouseDown),
            log.record("Caption", Event::Click),    log.record("Ok", Event::Click),
            log.record("Cancel", Event::Click),     log.record("First", Event::Click),
            log.record("Inside", Event::Click),
        };
        for (auto& e : extra) b.push_back(std::move(e));
        form = &static_cast<QtForm&>(runtime.load(kProbe, std::move(b)));
    }
    QWidget* window() const { return form->window(); }
    QWidget* w(std::string_view name) const { return form->widget(name); }
    QWindow* handle() const { return window()->windowHandle(); }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(handle(), button, {}, at);
        settle(5);
    }
    // The colour drawn at a point, as 8-bit red, green, blue.
    QRgb pixel(QPoint at) const { return window()->grab().toImage().pixel(at); }
};

// ---- geometry and drawing ---------------------------------------------------------------

TEST_F(FormFixture, ControlsStandAtTheirTwipsConvertedAtTheScreensDensity) {
    load();
    ASSERT_DOUBLE_EQ(form->scale().dpi_x, 96.0);  // the offscreen screen; 15 twips a pixel
    struct Case {
        const char* control;
        QRect pixels;  // relative to the control's container
    };
    const Case kCases[] = {
        {"Ok", {200, 100, 60, 25}},      {"Cancel", {200, 135, 60, 25}}, {"Panel", {80, 100, 100, 60}},
        {"Inside", {10, 10, 80, 25}},    {"Strip", {0, 20, 600, 30}},    {"Caption", {10, 60, 150, 20}},
        {"Odd", {181, 82, 40, 17}},  // 2710 twips is 180.67 pixels
        {"Box", {1, 1, 299, 199}},       {"Far", {600, 400, 60, 20}},
    };
    for (const Case& c : kCases) EXPECT_EQ(w(c.control)->geometry(), c.pixels) << c.control;
    EXPECT_EQ(window()->size(), QSize(300, 200));
    EXPECT_DOUBLE_EQ(runtime.twips_per_pixel_x(), 15.0);
}

TEST(Scale, ConvertsEachValueOnItsOwnAndFollowsTheDensity) {
    const platform_qt::Scale at96{96, 96}, at120{120, 144};
    EXPECT_EQ(at96.rect({3570, 30, 255, 255}), QRect(238, 2, 17, 17));
    EXPECT_EQ(at96.x(2710), 181);
    EXPECT_EQ(at96.x(3320), 221);
    EXPECT_EQ(at120.x(1440), 120);
    EXPECT_EQ(at120.y(1440), 144);
    EXPECT_DOUBLE_EQ(at120.twips_per_pixel_x(), 12.0);
    EXPECT_DOUBLE_EQ(at120.twips_per_pixel_y(), 10.0);
    EXPECT_EQ(at96.rect({0, 0, -30, 30}).width(), 0);  // a negative size is empty, not inverted
}

TEST_F(FormFixture, WhatCrossesTheWindowsEdgeIsCutOffThere) {
    load();
    show_and_wait(*form);
    EXPECT_EQ(w("Strip")->visibleRegion().boundingRect(), QRect(0, 0, 300, 30));
    EXPECT_EQ(w("Cross")->visibleRegion().boundingRect().width(), 300);
    EXPECT_TRUE(w("Far")->visibleRegion().isEmpty());
}

TEST_F(FormFixture, LinesAndTheShapeListedFirstAreDrawnOverLaterLabels) {
    load();
    show_and_wait(*form);
    const QPalette palette = window()->palette();
    // The red line crosses the strip; the shape's outline runs down its left end.
    EXPECT_EQ(pixel({100, 40}), qRgb(255, 0, 0));
    EXPECT_EQ(pixel({100, 41}), qRgb(255, 0, 0));
    EXPECT_EQ(pixel({1, 30}), platform_qt::system_colour(forms::kActiveBorder, palette).rgb());
    // Beside them the strip shows its caption colour, and inside the shape the black window.
    EXPECT_EQ(pixel({150, 45}), palette.color(QPalette::Active, QPalette::Highlight).rgb());
    EXPECT_EQ(pixel({250, 60}), qRgb(0, 0, 0));
    // A transparent label lets the window show through where it has no text.
    EXPECT_EQ(pixel({155, 78}), qRgb(0, 0, 0));
}

TEST_F(FormFixture, ButtonsFramesAndPicturesLieAboveEverythingDrawnOnTheSurface) {
    load();
    const QObjectList order = window()->children();  // back to front
    auto depth = [&](const char* name) { return order.indexOf(w(name)); };
    for (const char* windowed : {"Ok", "Cancel", "First", "Panel", "Pic"})
        for (const char* drawn : {"Cross", "Loose", "Box", "Strip", "Caption", "Odd", "Far"})
            EXPECT_GT(depth(windowed), depth(drawn)) << windowed << " over " << drawn;
    EXPECT_GT(depth("Cross"), depth("Box"));
    EXPECT_GT(depth("Box"), depth("Strip"));
    EXPECT_GT(depth("Strip"), depth("Caption"));
    EXPECT_GT(depth("Ok"), depth("Cancel"));
}

// ---- fields -----------------------------------------------------------------------------

TEST_F(FormFixture, LabelsShowTheirFieldsAndAWriteShowsAtOnce) {
    load();
    EXPECT_EQ(static_cast<platform_qt::FormLabel*>(w("Caption"))->text(), "Caption text");
    EXPECT_EQ(form->fields().get("Strip"), "  Strip");
    form->fields().set("Caption", "It is 4 Days");
    EXPECT_EQ(static_cast<platform_qt::FormLabel*>(w("Caption"))->text(), "It is 4 Days");
    EXPECT_EQ(static_cast<QLabel*>(w("Caption"))->textFormat(), Qt::PlainText);
    EXPECT_TRUE(static_cast<QLabel*>(w("Caption"))->wordWrap());
}

TEST_F(FormFixture, OnlyAChangedVisibleFieldRepaints) {
    load();
    show_and_wait(*form);
    PaintCounter paints(window());

    form->fields().set("Caption", "Caption text");  // the same text
    form->fields().set("Far", "written out of sight");
    settle(60);
    EXPECT_EQ(paints.total(), 0);

    form->fields().set("Caption", "a new sentence");
    settle(60);
    EXPECT_GE(paints.of(w("Caption")), 1);
    EXPECT_EQ(paints.of(w("Ok")), 0);
    EXPECT_EQ(paints.of(w("Far")), 0);
}

// ---- a label repaints only the glyphs that changed ----------------------------------------

// A label alone in a black window, and the regions its paint events were asked for.
struct LoneLabel : QObject {
    QWidget window;
    platform_qt::FormLabel* label = new platform_qt::FormLabel(&window);
    std::vector<QRegion> painted;
    int layout_requests = 0;

    explicit LoneLabel(Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop) {
        window.setFixedSize(300, 200);
        QPalette p = window.palette();
        p.setColor(QPalette::Window, Qt::black);
        p.setColor(QPalette::WindowText, QColor(128, 128, 255));
        window.setPalette(p);
        window.setAutoFillBackground(true);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(26);
        label->setFont(f);
        label->setAlignment(align);
        label->setGeometry(10, 10, 249, 81);
        label->installEventFilter(this);
        window.installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == label && e->type() == QEvent::Paint) painted.push_back(static_cast<QPaintEvent*>(e)->region());
        if (o == &window && e->type() == QEvent::LayoutRequest) ++layout_requests;
        return false;
    }
    // What the screen shows of the window now, against the window drawn afresh.
    QImage on_screen() const { return window.screen()->grabWindow(window.winId()).toImage(); }
    QImage afresh() { return window.grab().toImage(); }
};

// The same text in the same face and box as a plain word-wrapped QLabel draws it.
TEST(FormLabel, LooksExactlyAsAPlainWrappedLabel) {
    struct Case {
        QString text;
        Qt::Alignment align;
        QSize size;
    };
    const Case cases[] = {
        {"It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds", Qt::AlignLeft | Qt::AlignTop, {249, 81}},
        {"It is 554 Days, 24 Hours, 60 Minutes, and 60 Seconds", Qt::AlignLeft | Qt::AlignTop, {249, 200}},
        {"Until Velmora Fest !!!", Qt::AlignHCenter | Qt::AlignTop, {249, 41}},
        {"Version 4.03", Qt::AlignRight | Qt::AlignTop, {200, 30}},
        {"two\nlines", Qt::AlignLeft | Qt::AlignTop, {120, 80}},
        {"", Qt::AlignLeft | Qt::AlignTop, {60, 20}},
    };
    for (const Case& c : cases) {
        LoneLabel ours(c.align);
        QLabel plain(&ours.window);
        plain.setTextFormat(Qt::PlainText);
        plain.setWordWrap(true);
        plain.setFont(ours.label->font());
        plain.setAlignment(c.align);
        plain.setGeometry(QRect(QPoint(10, 10), c.size));
        plain.setText(c.text);
        ours.label->resize(c.size);
        ours.label->set_text(c.text);
        plain.hide();
        const QImage mine = ours.label->grab().toImage();
        ours.label->hide();
        plain.show();
        EXPECT_EQ(mine, plain.grab().toImage()) << c.text.toStdString();
    }
}

TEST(FormLabel, ARewriteRepaintsTheChangedGlyphsOnlyAndTheScreenStaysRight) {
    const QString sentence = "It is 9 Days, 10 Hours, 35 Minutes, and %1 Seconds";
    struct Step {
        QString text;
        int lines;  // how many lines' worth of height the repaint may cover (0: none)
        QString widest;  // the widest text the repaint may need, beside the glyphs' reach
    };
    const Step steps[] = {
        {sentence.arg(53), 0, ""},     // the same text: nothing
        {sentence.arg(52), 1, "2"},    // one digit
        {sentence.arg(49), 1, "49"},   // two digits
        {sentence.arg(9), 1, "49 Seconds"},  // narrower: the rest of the line moves
        {"It is 9 Days, 10 Hours, 35 Minutes, and 9 Seconds", 0, ""},
        {"It is 19 Days, 10 Hours, 35 Minutes, and 9 Seconds", 3, ""},  // the lines may break anew
    };
    LoneLabel lone;
    lone.label->set_text(sentence.arg(53));
    lone.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lone.window));
    settle(60);
    const QFontMetrics metrics(lone.label->font());
    const int reach = std::max({0, -metrics.minLeftBearing(), -metrics.minRightBearing()}) + 2;
    for (const Step& step : steps) {
        lone.painted.clear();
        lone.label->set_text(step.text);
        settle(60);
        EXPECT_EQ(lone.label->accessibleName(), step.text);
        QRegion all;
        for (const QRegion& r : lone.painted) all += r;
        const QRect box = all.boundingRect();
        if (step.lines == 0) {
            EXPECT_TRUE(all.isEmpty()) << step.text.toStdString();
        } else {
            EXPECT_FALSE(all.isEmpty()) << step.text.toStdString();
            EXPECT_LE(box.height(), step.lines * (metrics.height() + 2) + 2) << step.text.toStdString();
            if (!step.widest.isEmpty()) {
                EXPECT_LE(box.width(), metrics.horizontalAdvance(step.widest) + 2 * reach) << step.text.toStdString();
            }
        }
        EXPECT_EQ(lone.on_screen(), lone.afresh()) << "after " << step.text.toStdString();
    }
}

TEST(FormLabel, ALabelOutOfSightIsNeitherRepaintedNorLaidOutButIsRead) {
    LoneLabel lone;
    lone.label->move(400, 10);  // past the window's right edge
    lone.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lone.window));
    settle(60);
    lone.painted.clear();
    lone.layout_requests = 0;
    for (int second = 0; second < 5; ++second) lone.label->set_text(QString::number(second));
    settle(60);
    EXPECT_FALSE(lone.label->in_view());
    EXPECT_TRUE(lone.painted.empty());
    EXPECT_EQ(lone.layout_requests, 0);
    EXPECT_EQ(lone.label->text(), "4");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(lone.label)->text(QAccessible::Name), "4");
    // Brought into view, it shows what it holds.
    lone.label->move(10, 10);
    settle(60);
    EXPECT_TRUE(lone.label->in_view());
    EXPECT_EQ(lone.on_screen(), lone.afresh());
}

// ---- screen readers ---------------------------------------------------------------------

TEST_F(FormFixture, EveryLabelAndButtonIsReadByItsText) {
    load();
    auto name_of = [](QObject* o) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(o);
        return a ? a->text(QAccessible::Name) : QStringLiteral("<none>");
    };
    for (const forms::Control& c : kProbe.controls) {
        if (c.kind != Kind::Label && c.kind != Kind::Button) continue;
        EXPECT_EQ(name_of(w(c.name)), QString::fromUtf8(c.text.data(), c.text.size())) << c.name;
    }
    EXPECT_EQ(name_of(window()), "Probe window");
    form->fields().set("Far", "moved on");
    EXPECT_EQ(name_of(w("Far")), "moved on");
    form->set_caption("Renamed");
    EXPECT_EQ(name_of(window()), "Renamed");
    EXPECT_EQ(form->caption(), "Renamed");
}

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
    QTest::mouseMove(handle(), {30, 65});  // over a label: not the window's surface
    QTest::mouseMove(handle(), {220, 112});  // over a button
    settle(5);
    EXPECT_EQ(log.count("Probe/MouseMove"), 0);
}

// ---- focus and keys ---------------------------------------------------------------------

TEST_F(FormFixture, FocusStartsAtTheLowestTabIndexAndTabFollowsTheIndexes) {
    load({{"Probe", Event::Load, [](forms::Form& f, const forms::Mouse&) { f.set_visible("Panel", false); }}});
    show_and_wait(*form);
    auto focused = [&] { return window()->focusWidget(); };
    EXPECT_EQ(focused(), w("First"));  // Inside (0) is in the hidden frame
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

TEST_F(FormFixture, FocusStartsInsideAShownFrameWhenItHoldsTheLowestIndex) {
    load();
    show_and_wait(*form);
    EXPECT_EQ(window()->focusWidget(), w("Inside"));
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
        {"unload", {"first", "second"}},  // a window gone runs nothing more
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second);
        std::vector<std::string> ran;
        const std::string second = c.second;
        auto note = [&](std::string what) { return [&ran, what](forms::Form&, const forms::Mouse&) { ran.push_back(what); }; };
        load({{"Ticker", Event::Tick, note("first")},
              {"Ok", Event::Click, note("click")},
              {"Idle", Event::Tick, note("idle")},
              {"Ticker", Event::Tick,
               [&](forms::Form& f, const forms::Mouse&) {
                   ran.push_back("second");
                   if (second == "throw") throw std::runtime_error("Type mismatch");
                   if (second == "unload") f.unload();
               }},
              {"Ticker", Event::Click, note("ticker click")},
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

// ---- window settings ----------------------------------------------------------------------

TEST_F(FormFixture, ABorderlessWindowHasNoFrameAndAFixedSize) {
    load();
    EXPECT_TRUE(window()->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(window()->minimumSize(), window()->maximumSize());
    EXPECT_EQ(window()->windowTitle(), "Probe window");
    EXPECT_EQ(window()->palette().color(QPalette::Window), QColor(0, 0, 0));
}

TEST_F(FormFixture, AFixedDialogHasACloseBoxOnlyAFixedSizeAndItsPlace) {
    auto& dialog = static_cast<QtForm&>(runtime.load(kDialog, {}));
    QWidget* win = dialog.window();
    const Qt::WindowFlags f = win->windowFlags();
    EXPECT_TRUE(f.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(f.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(win->minimumSize(), QSize(240, 100));
    EXPECT_EQ(win->maximumSize(), QSize(240, 100));
    EXPECT_EQ(win->geometry().topLeft(), QPoint(100, 50));  // the client area's corner
    EXPECT_EQ(win->palette().color(QPalette::Window), win->palette().color(QPalette::Active, QPalette::Button));
    show_and_wait(dialog);
    EXPECT_EQ(win->focusWidget(), dialog.widget("Accept"));
}

TEST_F(FormFixture, WindowStateChangesAloneAndShowKeepsAMinimizedWindowMinimized) {
    load();
    EXPECT_EQ(form->window_state(), forms::kNormal);
    EXPECT_FALSE(form->is_shown());
    form->set_window_state(forms::kMinimized);  // while hidden: only the state
    EXPECT_EQ(form->window_state(), forms::kMinimized);
    EXPECT_FALSE(form->is_shown());
    form->show();
    EXPECT_TRUE(form->is_shown());
    EXPECT_EQ(form->window_state(), forms::kMinimized);
    form->hide();
    EXPECT_FALSE(form->is_shown());
    form->set_window_state(forms::kNormal);
    form->show();
    EXPECT_TRUE(form->is_shown());
    EXPECT_EQ(form->window_state(), forms::kNormal);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
}

TEST_F(FormFixture, AWindowMinimizedAndHiddenInOneHandlerIsNeverIconifiedOnItsWayOut) {
    load();
    show_and_wait(*form);
    form->set_window_state(forms::kMinimized);  // to the tray: minimized and hidden
    form->hide();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->window_state(), forms::kMinimized);
    EXPECT_FALSE(window()->windowState().testFlag(Qt::WindowMinimized));
    form->set_window_state(forms::kNormal);  // back from the tray
    form->show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window()->windowState().testFlag(Qt::WindowMinimized));
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));

    form->set_window_state(forms::kMinimized);  // no tray: minimized and left shown
    EXPECT_FALSE(window()->windowState().testFlag(Qt::WindowMinimized));  // once the handler is done
    QCoreApplication::processEvents();
    EXPECT_TRUE(window()->windowState().testFlag(Qt::WindowMinimized));
    form->set_window_state(forms::kNormal);
    form->show();
    EXPECT_FALSE(window()->windowState().testFlag(Qt::WindowMinimized));
}

TEST_F(FormFixture, TheWindowManagersWithdrawalIsNoChangeOfState) {
    load();
    show_and_wait(*form);
    form->set_window_state(forms::kMinimized);
    QCoreApplication::processEvents();
    form->hide();
    window()->setWindowState(Qt::WindowNoState);  // what X11 reports once the window is withdrawn
    EXPECT_EQ(form->window_state(), forms::kMinimized);
    form->show();  // still minimized: only set_window_state(0) restores it
    EXPECT_TRUE(window()->windowState().testFlag(Qt::WindowMinimized));
    form->hide();
    form->set_window_state(forms::kNormal);
    form->show();
    EXPECT_EQ(window()->windowState() & Qt::WindowMinimized, Qt::WindowStates());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));

    window()->setWindowState(Qt::WindowMinimized);  // the user minimizes the shown window
    EXPECT_EQ(form->window_state(), forms::kMinimized);
    window()->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(form->window_state(), forms::kNormal);
}

TEST(PictureBox, ShowsTheImageAtItsPathAndNothingWhenThereIsNone) {
    static QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    static const std::string path = dir.filePath("icon.png").toStdString();
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(QColor(0, 128, 0));
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
    static const Control kPictures[] = {
        {.name = "Shown", .kind = Kind::PictureBox, .rect = {240, 240, 540, 540}, .picture = path},
        {.name = "Missing", .kind = Kind::PictureBox, .rect = {900, 240, 540, 540}, .picture = "/no/such.png"},
    };
    static const forms::WindowModel kModel{.name = "Pictures", .caption = "Pictures", .client_width = 1800,
                                           .client_height = 900, .controls = kPictures};
    QtRuntime runtime{qt_test::kAppTitle};
    auto& form = static_cast<QtForm&>(runtime.load(kModel, {}));
    show_and_wait(form);
    EXPECT_EQ(static_cast<QLabel*>(form.widget("Shown"))->pixmap().size(), QSize(32, 32));
    EXPECT_TRUE(static_cast<QLabel*>(form.widget("Missing"))->pixmap().isNull());
    EXPECT_EQ(form.window()->grab().toImage().pixel(16 + 16, 16 + 16), qRgb(0, 128, 0));  // its top-left corner at 16, 16
}

}  // namespace
