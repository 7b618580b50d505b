// The About box and the arrival window on Qt offscreen: the behaviours every runtime shares
// (secondary_contract.h) through QTest on the real widgets, and what only Qt shows: the About
// window's place and icon, the fixed arrival window, and what a screen reader reads.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_runtime.h"
#include "tests/platform/qt/qt_driver.h"
#include "tests/secondary_windows/secondary_contract.h"

namespace {

using platform_qt::QtForm;
using platform_qt::QtRuntime;
using namespace secondary_contract;

// Answers every message box that comes up while it lives, recording what a person read.
class BoxAnswerer {
public:
    BoxAnswerer() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            // The mark lives on the box itself: a later box may be made at the address of one
            // already answered and gone, and must still be answered.
            if (!box || box->property(kAnswered).toBool()) return;
            box->setProperty(kAnswered, true);
            seen.push_back(read(*box));
            box->done(0);
        });
        timer_.start();
    }
    std::vector<Box> seen;

private:
    static Box read(const QMessageBox& box) {
        contract::Box seen = qt_test::read_message_box(box);
        return {
            .title = seen.title, .lines = contract::lines_of(seen.text), .buttons = seen.buttons, .icon = seen.icon};
    }
    static constexpr char kAnswered[] = "velmora_test_answered";
    QTimer timer_;
};

QtForm& qt(forms::Form& form) { return dynamic_cast<QtForm&>(form); }

// A person's clicks and keys reach the real widgets through QTest; the close box is the
// window's own close.
struct QtDriver {
    QtRuntime runtime{kAppTitle};
    fakes::FakeShell shell;
    BoxAnswerer answerer;

    ~QtDriver() {
        for (QtForm* f : runtime.forms()) f->unload();
        settle();
    }
    void settle() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    void click(forms::Form& form, std::string_view control) {
        QTest::mouseClick(qt(form).widget(control), Qt::LeftButton);
    }
    void key(forms::Form& form, Key key) {
        qt(form).window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(qt(form).window()));
        QTest::keyClick(qt(form).window(), key == Key::Enter ? Qt::Key_Return : Qt::Key_Escape);
    }
    void close_box(forms::Form& form) { qt(form).window()->close(); }
    std::string text(forms::Form& form, std::string_view label) {
        return dynamic_cast<platform_qt::FormLabel&>(*qt(form).widget(label)).text().toStdString();
    }
    std::vector<forms::Form*> windows(std::string_view model_name) const {
        std::vector<forms::Form*> out;
        for (QtForm* f : runtime.forms())
            if (f->model().name == model_name) out.push_back(f);
        return out;
    }
    int on_screen(const std::string& title) const {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += w->isVisible() && w->windowTitle() == QString::fromStdString(title);
        return n;
    }
    const std::vector<Box>& boxes() const { return answerer.seen; }
};

class QtWindows : public ::testing::Test, protected QtDriver {};

TEST_F(QtWindows, AboutStandsAtItsOwnPlaceWithItsIcon) {
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt");
    about.open();
    settle();
    QtForm& form = qt(*about.form());
    const double tpp = runtime.twips_per_pixel_x();
    EXPECT_EQ(form.window()->geometry().topLeft(), QPoint(qRound(2340 / tpp), qRound(1935 / tpp)));
    EXPECT_EQ(form.window()->size(), QSize(qRound(5760 / tpp), qRound(3765 / tpp)));
    auto* picture = qobject_cast<QLabel*>(form.widget("picIcon"));
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull()) << "the icon resource is found";
    EXPECT_EQ(picture->pixmap().size(), QSize(32, 32));
}

TEST_F(QtWindows, ArrivalWindowIsFixedAndModeless) {
    QWidget* window = qt(secondary::open_arrival_window(runtime, runtime)).window();
    settle();
    const double tpp = runtime.twips_per_pixel_x();
    EXPECT_EQ(window->size(), QSize(qRound(7575 / tpp), qRound(5715 / tpp)));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "shown modeless";
}

// Every text a window shows, and every button, is read out under its own text.
TEST_F(QtWindows, ScreenReadersReadEveryLabelAndButtonByItsText) {
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt");
    about.open();
    forms::Form& arrival = secondary::open_arrival_window(runtime, runtime);
    settle();
    QtForm* forms[] = {&qt(*about.form()), &qt(arrival)};
    for (QtForm* form : forms) {
        for (const forms::Control& c : form->model().controls) {
            if (c.kind != forms::Kind::Label && c.kind != forms::Kind::Button) continue;
            SCOPED_TRACE(std::string(c.name));
            QWidget* widget = form->widget(c.name);
            ASSERT_NE(widget, nullptr);
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(a, nullptr);
            const QString shown = c.kind == forms::Kind::Label ? dynamic_cast<platform_qt::FormLabel*>(widget)->text()
                                                               : qobject_cast<QPushButton*>(widget)->text();
            EXPECT_EQ(a->text(QAccessible::Name), shown);
        }
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form->window());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->text(QAccessible::Name), form->window()->windowTitle());
    }
    // The load step's texts are read as they are now, not as designed.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(qt(*about.form()).widget("lblVersion"))->text(QAccessible::Name),
              "Version " + QString::fromUtf8(identity::kVersion));
}

}  // namespace

namespace secondary_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, SecondaryWindows, QtDriver);
}  // namespace secondary_contract
