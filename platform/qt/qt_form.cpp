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
        state_ = s & Qt::WindowMinimized   ? forms::kMinimized
                 : s & Qt::WindowMaximized ? forms::kMaximized
                                           : forms::kNormal;
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

void QtForm::start_timers() {
    for (auto& [name, e] : controls_)
        if (e.timer && e.control->enabled && e.timer->interval() > 0) e.timer->start();
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
    for (auto& [name, e] : controls_)
        if (e.timer) e.timer->stop();
    window_->hide();
}

// ---- the window's operations ------------------------------------------------------------

const QtForm::Entry& QtForm::entry(std::string_view control) const {
    const auto it = controls_.find(control);
    if (it == controls_.end()) throw std::out_of_range("no control named " + std::string(control));
    return it->second;
}

QWidget* QtForm::window() const { return window_; }

QWidget* QtForm::widget(std::string_view control) const {
    const auto it = controls_.find(control);
    return it == controls_.end() ? nullptr : it->second.widget;
}

QTimer* QtForm::timer(std::string_view control) const {
    const auto it = controls_.find(control);
    return it == controls_.end() ? nullptr : it->second.timer;
}

void QtForm::set_visible(std::string_view control, bool visible) {
    const Entry& e = entry(control);
    if (!e.widget) throw std::invalid_argument(std::string(control) + " has no visibility");
    e.widget->setVisible(visible);
}

bool QtForm::is_visible(std::string_view control) const {
    const Entry& e = entry(control);
    if (!e.widget) throw std::invalid_argument(std::string(control) + " has no visibility");
    return !e.widget->isHidden();
}

void QtForm::set_timer_enabled(std::string_view name, bool on) {
    QTimer* t = entry(name).timer;
    if (!t) throw std::invalid_argument(std::string(name) + " is not a timer");
    if (!on) {
        t->stop();
    } else if (alive() && !t->isActive() && t->interval() > 0) {
        t->start();  // a timer without an interval never ticks
    }
}

bool QtForm::timer_enabled(std::string_view name) const {
    const QTimer* t = entry(name).timer;
    if (!t) throw std::invalid_argument(std::string(name) + " is not a timer");
    return t->isActive();
}

void QtForm::set_caption(std::string caption) {
    const QString text = QString::fromStdString(caption);
    window_->setWindowTitle(text);
    window_->setAccessibleName(text);
}

std::string QtForm::caption() const { return window_->windowTitle().toStdString(); }

int QtForm::window_state() const { return state_; }

void QtForm::set_window_state(int state) {
    if (state != forms::kNormal && state != forms::kMinimized && state != forms::kMaximized)
        throw std::invalid_argument("Invalid property value");
    state_ = state;
    // The window system hears of the new state only once the handler is done and only while
    // the window is shown: a window minimized and then hidden (sent to the tray) in one
    // handler must not be iconified on its way out, or the window manager may map it iconic
    // when it is shown again. A hidden window takes its state when it is shown.
    if (!window_->isVisible()) return;
    if (state_pending_) return;
    state_pending_ = true;
    QTimer::singleShot(0, window_, [this] {
        state_pending_ = false;
        if (window_->isVisible()) apply_state();
    });
}

void QtForm::apply_state() {
    Qt::WindowStates s = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state_ == forms::kMinimized) s |= Qt::WindowMinimized;
    if (state_ == forms::kMaximized) s |= Qt::WindowMaximized;
    if (s != window_->windowState()) window_->setWindowState(s);
}

void QtForm::show() {
    if (!alive()) return;
    apply_state();  // the state the window manager forgot when it withdrew the window
    // Back where the person left it, not where the desktop would place a new window.
    if (left_at_ && !window_->isVisible()) place_->put_back(*window_, *std::exchange(left_at_, std::nullopt));
    window_->show();
    // A minimized window is mapped minimized: raising or activating it would restore it.
    if (state_ == forms::kMinimized) return;
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
