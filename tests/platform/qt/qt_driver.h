#pragma once
// Qt Widgets' driver, offscreen (forms_driver.h): the loop is Qt's, the window's state is the
// widget's, Tab follows the focus chain, a person's pointer and keys reach the widgets through
// QTest, and every message box that comes up is read and answered with its first button.

#include <QAbstractButton>
#include <QAccessible>
#include <QDateTime>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/fakes/fake_platform.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_look.h"
#include "tests/platform/forms_driver.h"
#include "tests/platform/qt/qt_harness.h"

namespace qt_test {

// A message box as a person reads it: its title, its prompt's lines, its buttons from left to
// right, its icon.
inline contract::Box read_message_box(const QMessageBox& box) {
    using enum platform::BoxIcon;
    const QMessageBox::Icon icon = box.icon();
    contract::Box seen{
        .title = box.windowTitle().toStdString(),
        .lines = contract::lines_of(box.textFormat() == Qt::PlainText ? box.text().toStdString() : "(not plain text)"),
        .buttons = {},
        .icon = icon == QMessageBox::Critical      ? Critical
                : icon == QMessageBox::Question    ? Question
                : icon == QMessageBox::Warning     ? Exclamation
                : icon == QMessageBox::Information ? Information
                                                   : None};
    QList<QAbstractButton*> buttons = box.buttons();
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    for (QAbstractButton* b : buttons) seen.buttons.push_back(b->text().toStdString());
    return seen;
}

// Answers every message box that comes up while it lives, once it has been up a while, with
// its first button, recording what a person read. The marks live on the box itself: a later box
// may be made at the address of one already answered and gone, and must still be answered.
struct BoxAnswerer {
    int answer_after_ms = 10;
    std::vector<contract::Box> seen;

    BoxAnswerer() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property(kAnswered).toBool()) return;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (!box->property(kUpSince).isValid()) box->setProperty(kUpSince, now);
        if (now - box->property(kUpSince).toLongLong() < answer_after_ms) return;
        box->setProperty(kAnswered, true);
        seen.push_back(read_message_box(*box));
        box->buttons().front()->click();
    }
    static constexpr char kAnswered[] = "velmora_test_answered";
    static constexpr char kUpSince[] = "velmora_test_up_since";
    QTimer timer_;
};

struct QtDriver {
    platform_qt::QtRuntime runtime{qt_test::kAppTitle};
    fakes::FakeShell shell;
    BoxAnswerer answerer;

    void settle(int ms) { qt_test::settle(ms); }
    bool wait_until(const std::function<bool()>& done) { return qt_test::wait_for(done); }
    void show(forms::Form& form) { qt_test::show_and_wait(form); }
    int native_state(forms::Form& form) {
        const Qt::WindowStates s = window(form)->windowState();
        return s & Qt::WindowMinimized   ? forms::kMinimized
               : s & Qt::WindowMaximized ? forms::kMaximized
                                         : forms::kNormal;
    }
    void change_state_by_hand(forms::Form& form, int state) {
        window(form)->setWindowState(state == forms::kMinimized   ? Qt::WindowMinimized
                                     : state == forms::kMaximized ? Qt::WindowMaximized
                                                                  : Qt::WindowNoState);
    }
    bool native_visible(forms::Form& form, std::string_view control) {
        return qt(form).widget(control)->isVisibleTo(window(form));
    }
    std::vector<std::string> tab_stops(forms::Form& form) {
        std::vector<std::string> out;
        QWidget* w = window(form);
        while ((w = w->nextInFocusChain()) != window(form))
            if (qobject_cast<QPushButton*>(w)) out.push_back(w->objectName().toStdString());
        return out;
    }
    bool loaded(std::string_view model_name) { return runtime.find(model_name) != nullptr; }
    void close_box(forms::Form& form) { window(form)->close(); }
    bool loop_ends_within(int ms) {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        guard.start(ms);
        return runtime.run() == 0;
    }

    void press(forms::Form& form, int x, int y, int button, int shift) {
        QTest::mousePress(handle(form), qt_button(button), modifiers(shift), {x, y});
    }
    void release(forms::Form& form, int x, int y, int button, int shift) {
        QTest::mouseRelease(handle(form), qt_button(button), modifiers(shift), {x, y});
    }
    void move(forms::Form& form, int x, int y) { QTest::mouseMove(handle(form), {x, y}); }
    void key(forms::Form& form, contract::Key key) {
        using contract::Key;
        const Qt::Key k = key == Key::Tab       ? Qt::Key_Tab
                          : key == Key::Backtab ? Qt::Key_Backtab
                          : key == Key::Return  ? Qt::Key_Return
                          : key == Key::Enter   ? Qt::Key_Enter
                          : key == Key::Escape  ? Qt::Key_Escape
                                                : Qt::Key_Space;
        QTest::keyClick(handle(form), k);
    }
    std::string focused(forms::Form& form) {
        const QWidget* w = window(form)->focusWidget();
        return qobject_cast<const QPushButton*>(w) ? w->objectName().toStdString() : "(none)";
    }
    void focus_window(forms::Form& form) { window(form)->setFocus(); }
    // The colour a point of the window shows, as 0xRRGGBB, and a system colour as drawn.
    std::uint32_t pixel(forms::Form& form, int x, int y) { return picture(form).at(x, y); }
    contract::Picture picture(forms::Form& form) {
        const QImage image = window(form)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        contract::Picture out{.width = image.width(), .height = image.height(), .pixels = {}};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) out.pixels.push_back(image.pixel(x, y) & 0xFFFFFFu);
        return out;
    }
    std::uint32_t system_rgb(forms::Form& form, int index) {
        return platform_qt::system_colour(index, window(form)->palette()).rgb() & 0xFFFFFFu;
    }

    contract::Box read_box(const std::string& prompt, int style, const std::optional<std::string>& title,
                           int answer_after_ms) {
        const std::size_t before = answerer.seen.size();
        answerer.answer_after_ms = answer_after_ms;
        runtime.show(prompt, style, title);
        answerer.answer_after_ms = 10;
        return answerer.seen.size() > before ? answerer.seen.back() : contract::Box{.title = "(no box)", .buttons = {}};
    }
    const std::vector<contract::Box>& boxes() const { return answerer.seen; }

    void click(forms::Form& form, std::string_view control) {
        QTest::mouseClick(qt(form).widget(control), Qt::LeftButton);
    }
    std::string text(forms::Form& form, std::string_view label) {
        return dynamic_cast<platform_qt::FormLabel&>(*qt(form).widget(label)).text().toStdString();
    }
    std::vector<forms::Form*> windows(std::string_view name) const { return contract::windows_named(runtime, name); }
    int on_screen(const std::string& title) const {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += w->isVisible() && w->windowTitle() == QString::fromStdString(title);
        return n;
    }
    // What a screen reader reads for a control, or with none for the window.
    std::string reader_name(forms::Form& form, std::string_view control) {
        QAccessibleInterface* a =
            QAccessible::queryAccessibleInterface(control.empty() ? window(form) : qt(form).widget(control));
        return a ? a->text(QAccessible::Name).toStdString() : "(not read)";
    }

protected:
    static QWindow* handle(forms::Form& form) { return window(form)->windowHandle(); }
    static Qt::MouseButton qt_button(int button) {
        return button == 2 ? Qt::RightButton : button == 4 ? Qt::MiddleButton : Qt::LeftButton;
    }
    static Qt::KeyboardModifiers modifiers(int shift) {
        return (shift & contract::kShift ? Qt::ShiftModifier : Qt::NoModifier) |
               (shift & contract::kControl ? Qt::ControlModifier : Qt::NoModifier);
    }
    static platform_qt::QtForm& qt(forms::Form& form) { return static_cast<platform_qt::QtForm&>(form); }
    static QWidget* window(forms::Form& form) { return qt(form).window(); }
};

}  // namespace qt_test
