// A loaded window at work: its events delivered to the handlers bound to them, and its
// state (visibility, timers, caption, window state, showing, moves). It is built in
// qt_form_build.cpp.

#include "platform/qt/qt_form.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <exception>
#include <stdexcept>
#include <utility>

#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_runtime.h"
#include "platform/qt/qt_system_move.h"

namespace platform_qt {

using forms::Event;

namespace {

int button_bits(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int shift_bits(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

}  // namespace

// ---- events -----------------------------------------------------------------------------

void QtForm::connect_window() {
    window_->on_click = [this](QMouseEvent* e) { dispatch(model_.name, Event::Click, mouse_of(e)); };
    window_->on_move = [this](QMouseEvent* e) { dispatch(model_.name, Event::MouseMove, mouse_of(e)); };
    window_->on_close = [this] { unload(); };
    window_->on_first_show = [this] { focus_first(); };
    window_->on_key = [this](QKeyEvent* e) { return press_key(e); };
    // While the window is shown, a change of state comes from the user (the window manager's
    // buttons or task bar). Once it is hidden, the window manager's withdrawal reads as
    // "normal" on X11 (WM_STATE goes); that is no change of the window's own state.
    window_->on_state_change = [this] {
        if (!window_->isVisible()) return;
        const Qt::WindowStates s = window_->windowState();
        state_changed_by_user(s & Qt::WindowMinimized   ? forms::kMinimized
                              : s & Qt::WindowMaximized ? forms::kMaximized
                                                        : forms::kNormal);
    };
}

void QtForm::focus_first() {
    for (QPushButton* b : focus_order_)
        if (b->isVisibleTo(window_) && b->isEnabled()) {
            b->setFocus(Qt::OtherFocusReason);
            return;
        }
}

bool QtForm::press_key(QKeyEvent* event) {
    QPushButton* target = nullptr;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) target = default_button_;
    if (event->key() == Qt::Key_Escape) target = cancel_button_;
    if (!target || !target->isVisibleTo(window_) || !target->isEnabled()) return false;
    target->click();
    return true;
}

forms::Mouse QtForm::mouse_of(const QMouseEvent* e) const {
    const QPointF at = e->scenePosition();  // from the window's client corner
    const Qt::MouseButtons buttons = e->type() == QEvent::MouseMove ? e->buttons() : Qt::MouseButtons(e->button());
    return {.button = button_bits(buttons),
            .shift = shift_bits(e->modifiers()),
            .x = static_cast<float>(at.x() * scale_.twips_per_pixel_x()),
            .y = static_cast<float>(at.y() * scale_.twips_per_pixel_y())};
}

bool QtForm::runtime_ending() const { return runtime_.ending(); }

void QtForm::report_failure(std::string_view control, std::string_view what) { runtime_.report_failure(control, what); }

void QtForm::retire() {
    halt();
    runtime_.form_gone(*this);
    if (!busy()) runtime_.reap_later();
}

void QtForm::handlers_done() { runtime_.reap_later(); }

void QtForm::halt() {
    mark_gone();
    if (move_) {
        move_->cancel();
        move_->deleteLater();
    }
    stop_timers();
    window_->hide();
}

// ---- the window's operations ------------------------------------------------------------

const QtForm::Entry* QtForm::find(std::string_view control) const {
    const std::optional<std::size_t> at = find_control(control);
    return at ? &controls_[*at] : nullptr;
}

QWidget* QtForm::window() const { return window_; }

QWidget* QtForm::widget(std::string_view control) const {
    const Entry* e = find(control);
    return e ? e->widget : nullptr;
}

QTimer* QtForm::timer(std::string_view control) const {
    const Entry* e = find(control);
    return e ? e->timer : nullptr;
}

void QtForm::show_control(std::size_t index, bool visible) { controls_[index].widget->setVisible(visible); }

bool QtForm::start_timer(std::size_t index, int) {
    controls_[index].timer->start();
    return true;
}

void QtForm::stop_timer(std::size_t index) { controls_[index].timer->stop(); }

void QtForm::set_caption(std::string caption) {
    const QString text = QString::fromStdString(caption);
    window_->setWindowTitle(text);
    window_->setAccessibleName(text);
}

std::string QtForm::caption() const { return window_->windowTitle().toStdString(); }

bool QtForm::window_shown() const { return window_->isVisible(); }

void QtForm::defer_state() {
    QTimer::singleShot(0, window_, [this] { state_due(); });
}

void QtForm::apply_state(int state) {
    Qt::WindowStates s = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == forms::kMinimized) s |= Qt::WindowMinimized;
    if (state == forms::kMaximized) s |= Qt::WindowMaximized;
    if (s != window_->windowState()) window_->setWindowState(s);
}

void QtForm::show() {
    if (!alive()) return;
    apply_state(window_state());  // the state the window manager forgot when it withdrew the window
    // Back where the person left it, not where the desktop would place a new window.
    if (left_at_ && !window_->isVisible()) place_->put_back(*window_, *std::exchange(left_at_, std::nullopt));
    window_->show();
    // A minimized window is mapped minimized: raising or activating it would restore it.
    if (window_state() == forms::kMinimized) return;
    window_->raise();
    window_->activateWindow();
}

void QtForm::hide() {
    if (window_->isVisible()) left_at_ = place_->where(*window_);
    window_->hide();
}

bool QtForm::is_shown() const { return window_->isVisible(); }

bool QtForm::moving() const { return move_ && move_->watching(); }

void QtForm::start_system_move(std::function<void()> ended) {
    // Whatever ran before is over once a new move starts.
    if (move_) {
        move_->end_now();
        if (move_) move_->deleteLater();
    }
    auto guarded = [this, ended = std::move(ended)] {
        if (ended) run_step(ended);
    };
    // The window manager's move follows the left button (that is what _NET_WM_MOVERESIZE
    // names); a press of another button, or a platform that cannot move windows (offscreen),
    // makes a move that is over at once.
    QWindow* handle = window_->windowHandle();
    const bool left_held = QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
    if (!alive() || !handle || !left_held || !handle->startSystemMove()) {
        guarded();
        return;
    }
    move_ = new SystemMove(
        window_,
        [this, guarded = std::move(guarded)] {
            SystemMove::x11_cancel_move(window_->windowHandle());
            guarded();
        },
        &SystemMove::x11_buttons_held);
}

std::uint32_t QtForm::window_handle() const {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return 0;
    return static_cast<std::uint32_t>(window_->winId());
}

}  // namespace platform_qt
