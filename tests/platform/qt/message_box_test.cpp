// Message boxes: the buttons and icon of each style, the title, the prompt's line breaks,
// modal to the application; show() returns when the box is dismissed and timers go on.

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/qt/qt_message_box.h"
#include "tests/platform/qt/qt_harness.h"

namespace {

using namespace qt_test;
using platform_qt::make_message_box;
using platform_qt::prompt_text;

QStringList texts(const QMessageBox& box) {
    QStringList out;
    for (QAbstractButton* b : box.buttons()) out << b->text();
    return out;
}

// Buttons in the order the box lays them out, left to right.
QStringList shown_order(QMessageBox& box) {
    box.show();
    QList<QAbstractButton*> buttons = box.buttons();
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    QStringList out;
    for (QAbstractButton* b : buttons) out << b->text();
    box.hide();
    return out;
}

TEST(MessageBox, EachStyleShowsItsButtonsAndIcon) {
    struct Case {
        int style;
        QStringList buttons;
        QMessageBox::Icon icon;
        bool escape;
    };
    const Case kCases[] = {
        {0, {"OK"}, QMessageBox::NoIcon, true},
        {16, {"OK"}, QMessageBox::Critical, true},
        {27, {"OK"}, QMessageBox::Critical, true},  // button set 11 names none: OK alone
        {64, {"OK"}, QMessageBox::Information, true},
        {1, {"OK", "Cancel"}, QMessageBox::NoIcon, true},
        {2, {"Abort", "Retry", "Ignore"}, QMessageBox::NoIcon, false},
        {3 + 32, {"Yes", "No", "Cancel"}, QMessageBox::Question, true},
        {4 + 48, {"Yes", "No"}, QMessageBox::Warning, false},
        {5, {"Retry", "Cancel"}, QMessageBox::NoIcon, true},
    };
    for (const Case& c : kCases) {
        const auto box = make_message_box("prompt", c.style, "Title", "App");
        EXPECT_EQ(texts(*box), c.buttons) << c.style;
        EXPECT_EQ(shown_order(*box), c.buttons) << c.style;
        EXPECT_EQ(box->icon(), c.icon) << c.style;
        EXPECT_EQ(box->defaultButton(), box->buttons().front()) << c.style;
        EXPECT_EQ(box->escapeButton() != nullptr, c.escape) << c.style;
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    }
}

TEST(MessageBox, TheTitleIsItsOwnOrTheApplications) {
    const std::string app = qt_test::kAppTitle;
    EXPECT_EQ(make_message_box("p", 0, "Just so you know...", app)->windowTitle(), "Just so you know...");
    EXPECT_EQ(make_message_box("p", 0, std::nullopt, app)->windowTitle(), "Velmora Fest Countdown");
    EXPECT_EQ(make_message_box("p", 0, "", app)->windowTitle(), "");  // an empty title of its own
}

TEST(MessageBox, ThePromptIsPlainTextWithItsLineBreaks) {
    struct Case {
        std::string prompt;
        QString shown;
    };
    const Case kCases[] = {
        {"have a great time at the show!\r\n   -Ardo", "have a great time at the show!\n   -Ardo"},
        {"one\rtwo\nthree", "one\ntwo\nthree"},
        {"<b>not bold</b> & more", "<b>not bold</b> & more"},
        {std::string("cut\0here", 8), "cut"},
        {"", ""},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(prompt_text(c.prompt), c.shown);
        const auto box = make_message_box(c.prompt, 0, "t", "App");
        EXPECT_EQ(box->text(), c.shown);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
    }
}

TEST(MessageBox, TextAndButtonsAreReadByAScreenReader) {
    const auto box = make_message_box("here's a hint, it's not.", 3, std::nullopt, qt_test::kAppTitle);
    box->show();
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), "here's a hint, it's not.");
    for (QAbstractButton* b : box->buttons())
        EXPECT_EQ(QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name), b->text());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(box.get())->text(QAccessible::Name), "Velmora Fest Countdown");
}

TEST(MessageBox, ShowReturnsWhenDismissedAndTimersTickMeanwhile) {
    platform_qt::QtRuntime runtime{qt_test::kAppTitle};
    int ticks = 0;
    runtime.load(kProbe, {{"Ticker", Event::Tick, [&](forms::Form&, const forms::Mouse&) { ++ticks; }}});
    struct Seen {
        QString title, text;
        QStringList buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int ticks_while_open = 0;
    } seen;
    int ticks_at_open = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        if (ticks_at_open < 0) ticks_at_open = ticks;
        if (ticks - ticks_at_open < 3) return;  // let the timer tick under the open box
        seen = {box->windowTitle(), box->text(), texts(*box), box->icon(), ticks - ticks_at_open};
        box->buttons().front()->click();
    });
    poll.start(10);
    runtime.show("This program will not work anymore\r\n   -Ardo", 27, "Just so you know...");
    EXPECT_EQ(seen.title, "Just so you know...");
    EXPECT_EQ(seen.text, "This program will not work anymore\n   -Ardo");
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_GE(seen.ticks_while_open, 3);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MessageBox, EscClosesABoxWithACancelButtonButNotAYesNoBox) {
    platform_qt::QtRuntime runtime{qt_test::kAppTitle};
    bool yes_no_stayed = false;
    QString untitled;  // the title of a box shown without one of its own
    int step = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        if (step == 0) {  // the OK/Cancel box
            untitled = box->windowTitle();
            QTest::keyClick(box, Qt::Key_Escape);
            step = 1;
        } else if (step == 1 && box->buttons().size() == 2 && box->buttons().front()->text() == "Yes") {
            QTest::keyClick(box, Qt::Key_Escape);
            box->close();
            yes_no_stayed = box->isVisible();
            step = 2;
            box->buttons().back()->click();
        }
    });
    poll.start(10);
    runtime.show("ok or cancel", 1);
    EXPECT_EQ(step, 1);
    EXPECT_EQ(untitled, "Velmora Fest Countdown");
    runtime.show("yes or no", 4);
    EXPECT_TRUE(yes_no_stayed);
}

}  // namespace
