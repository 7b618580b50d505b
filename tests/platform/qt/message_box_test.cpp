// Message boxes on Qt: modal to the application, the first button the default, read by a
// screen reader, Esc.

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

// (The buttons, icon, title and prompt of each box: forms_boxes.h, on every runtime.)
TEST(MessageBox, EachBoxIsModalToTheApplicationItsFirstButtonTheDefault) {
    struct Case {
        int style;
        bool escape;
    };
    const Case kCases[] = {{0, true}, {1, true}, {2, false}, {3 + 32, true}, {4 + 48, false}, {5, true}};
    for (const Case& c : kCases) {
        const auto box = make_message_box("prompt", c.style, "Title", "App");
        EXPECT_EQ(box->defaultButton(), box->buttons().front()) << c.style;
        EXPECT_EQ(box->escapeButton() != nullptr, c.escape) << c.style;
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
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
