#include "platform/qt/qt_form.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <exception>
#include <limits>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_fixed_frame.h"
#include "platform/qt/qt_runtime.h"
#include "platform/qt/qt_system_move.h"

namespace platform_qt {

using forms::Control;
using forms::Event;
using forms::Kind;

namespace {

QString text_of(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

Qt::WindowFlags flags_for(forms::Border border) {
    switch (border) {
        case forms::Border::FixedDialog:
            return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint;
        case forms::Border::None: break;
    }
    return Qt::Window | Qt::FramelessWindowHint;
}

Qt::Alignment alignment_of(forms::Align align) {
    switch (align) {
        case forms::Align::Center: return Qt::AlignHCenter | Qt::AlignTop;
        case forms::Align::Right: return Qt::AlignRight | Qt::AlignTop;
        case forms::Align::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

// Labels, lines and the shape are drawn on the window's surface; buttons, frames and
// picture boxes are windows of their own and always lie above them.
bool windowless(Kind kind) { return kind == Kind::Label || kind == Kind::Line || kind == Kind::Shape; }

void set_colours(QWidget* w, QPalette::ColorRole back_role, const QColor* back, QPalette::ColorRole fore_role,
                 const QColor* fore) {
    QPalette p = w->palette();
    if (back) p.setColor(back_role, *back);
    if (fore) p.setColor(fore_role, *fore);
    w->setPalette(p);
}

int button_bits(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int shift_bits(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

// A picture at its own size, drawn from the image's "@2x" twin where the screen has twice
// the density or more (a blown-up small image looks coarse); an empty pixmap when missing.
QPixmap picture_at_density(const QString& path, double device_pixel_ratio) {
    const QSize size = QImageReader(path).size();
    if (!size.isValid()) return {};
    return QIcon(path).pixmap(size, device_pixel_ratio);
}

}  // namespace

QtForm::QtForm(QtRuntime& runtime, const forms::WindowModel& model, std::vector<forms::Binding> bindings,
               Scale scale)
    : runtime_(runtime),
      model_(model),
      bindings_(std::move(bindings)),
      running_(bindings_.size(), false),
      scale_(scale),
      fields_(forms::label_fields(model)) {
    try {
        build();
    } catch (...) {
        delete window_;  // a model that cannot be built leaves nothing behind
        throw;
    }
    // A write changes the label at once; the store calls only when the text changed, so an
    // unchanged field repaints nothing, and the label repaints only the glyphs that changed.
    fields_.on_change([this](std::size_t index, const std::string& text) {
        field_labels_.at(index)->set_text(QString::fromStdString(text));
    });
}

QtForm::~QtForm() {
    if (move_) move_->cancel();
    delete window_;
}

// ---- building ---------------------------------------------------------------------------

void QtForm::build() {
    window_ = new FormWindow(flags_for(model_.border));
    window_->setWindowTitle(text_of(model_.caption));
    window_->setAccessibleName(text_of(model_.caption));
    const QSize size(scale_.x(model_.client_width), scale_.y(model_.client_height));
    window_->setFixedSize(size);
    if (model_.border == forms::Border::FixedDialog) FixedFrame::keep(window_);
    if (!model_.placement.system_default)
        window_->setGeometry(QRect(QPoint(scale_.x(model_.placement.left), scale_.y(model_.placement.top)), size));
    const QPalette base = window_->palette();
    const QColor back = resolve(model_.back, system_colour(forms::kButtonFace, base), base);
    set_colours(window_, QPalette::Window, &back, QPalette::WindowText, nullptr);
    window_->setAutoFillBackground(true);

    // Frames first, so that every control finds its container whatever the model's order.
    std::vector<const Control*> frames;
    for (const Control& c : model_.controls)
        if (c.kind == Kind::Frame) frames.push_back(&c);
    while (!frames.empty()) {
        const auto placed = std::stable_partition(frames.begin(), frames.end(), [this](const Control* f) {
            return f->container.empty() || controls_.contains(f->container);
        });
        if (placed == frames.begin())
            throw std::invalid_argument("frame " + std::string(frames.front()->name) + " has no container");
        for (auto it = frames.begin(); it != placed; ++it) build_control(**it, container_of(**it));
        frames.erase(frames.begin(), placed);
    }
    for (const Control& c : model_.controls)
        if (c.kind != Kind::Frame) build_control(c, container_of(c));

    stack(window_);
    for (const Control& c : model_.controls)
        if (c.kind == Kind::Frame) stack(controls_.at(std::string(c.name)).widget);
    order_focus();

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
        state_ = s & Qt::WindowMinimized ? forms::kMinimized
                 : s & Qt::WindowMaximized ? forms::kMaximized
                                            : forms::kNormal;
    };
}

QWidget* QtForm::container_of(const Control& c) const {
    if (c.container.empty()) return window_;
    const auto it = controls_.find(c.container);
    if (it == controls_.end() || it->second.control->kind != Kind::Frame)
        throw std::invalid_argument("control " + std::string(c.name) + ": no frame named " +
                                    std::string(c.container));
    return it->second.widget;
}

void QtForm::build_control(const Control& c, QWidget* parent) {
    if (controls_.contains(c.name)) throw std::invalid_argument("two controls named " + std::string(c.name));
    const QPalette base = parent->palette();
    Entry entry{.control = &c};
    switch (c.kind) {
        case Kind::Label: {
            auto* label = new FormLabel(parent);
            const QColor back = resolve(c.back, system_colour(forms::kButtonFace, base), base);
            const QColor fore = resolve(c.fore, system_colour(forms::kButtonText, base), base);
            set_colours(label, QPalette::Window, &back, QPalette::WindowText, &fore);
            label->setAutoFillBackground(!c.transparent);
            label->setFont(font_for(c.font));
            label->setAlignment(alignment_of(c.align));
            label->setGeometry(scale_.rect(c.rect));
            const std::size_t index = fields_.index_of(c.name);
            label->set_text(QString::fromStdString(fields_.text(index)));
            if (field_labels_.size() <= index) field_labels_.resize(index + 1, nullptr);
            field_labels_[index] = label;
            label->on_press = [this, name = c.name](QMouseEvent* e) { dispatch(name, Event::MouseDown, mouse_of(e)); };
            label->on_click = [this, name = c.name](QMouseEvent* e) { dispatch(name, Event::Click, mouse_of(e)); };
            entry.widget = label;
            break;
        }
        case Kind::Button: {
            auto* button = new FormButton(parent);
            button->setText(text_of(c.text));
            button->setAccessibleName(text_of(c.text));
            button->setFont(font_for(c.font));
            if (!c.tooltip.empty()) button->setToolTip(text_of(c.tooltip));
            if (!c.back.is_default()) {
                const QColor back = resolve(c.back, {}, base);
                set_colours(button, QPalette::Button, &back, QPalette::ButtonText, nullptr);
            }
            if (!c.fore.is_default()) {
                const QColor fore = resolve(c.fore, {}, base);
                set_colours(button, QPalette::Button, nullptr, QPalette::ButtonText, &fore);
            }
            button->setGeometry(scale_.rect(c.rect));
            if (c.is_default) {
                button->setDefault(true);
                default_button_ = button;
            }
            if (c.is_cancel) cancel_button_ = button;
            QObject::connect(button, &QPushButton::clicked, window_,
                             [this, name = c.name] { dispatch(name, Event::Click); });
            entry.widget = button;
            break;
        }
        case Kind::Frame: {
            auto* frame = new FormFrame(parent);
            const QColor back = resolve(c.back, system_colour(forms::kButtonFace, base), base);
            set_colours(frame, QPalette::Window, &back, QPalette::WindowText, nullptr);
            frame->setAutoFillBackground(true);
            frame->setGeometry(scale_.rect(c.rect));
            entry.widget = frame;
            break;
        }
        case Kind::Timer: {
            auto* timer = new QTimer(window_);
            timer->setInterval(std::max(0, c.interval_ms));
            // The handlers of its ticks are found once: a tick runs them without looking
            // through every binding of the window.
            QObject::connect(timer, &QTimer::timeout, window_,
                             [this, name = c.name, bound = bound_to(c.name, Event::Tick)] { run_bound(name, bound); });
            entry.timer = timer;
            break;
        }
        case Kind::Line: {
            const QColor colour = resolve(c.fore, system_colour(8, base), base);
            entry.widget = new LineWidget(parent, {scale_.line(c.ends), c.line_width, c.inside_solid}, colour);
            break;
        }
        case Kind::Shape: {
            const QColor outline = resolve(c.fore, system_colour(8, base), base);
            auto* shape = new ShapeWidget(parent, outline, c.line_width);
            shape->setGeometry(scale_.rect(c.rect));
            entry.widget = shape;
            break;
        }
        case Kind::PictureBox: {
            auto* picture = new FormPicture(parent);
            if (!c.picture.empty()) picture->setPixmap(picture_at_density(text_of(c.picture), picture->devicePixelRatioF()));
            picture->setGeometry(scale_.rect(c.rect));
            entry.widget = picture;
            break;
        }
    }
    if (entry.widget) entry.widget->setObjectName(text_of(c.name));
    controls_.emplace(std::string(c.name), entry);
}

void QtForm::stack(QWidget* parent) {
    // Each raise puts a control on top, so raising in reverse order leaves the one listed
    // first on top; the windowed controls go last, above everything windowless.
    for (bool windowed : {false, true})
        for (auto it = model_.controls.rbegin(); it != model_.controls.rend(); ++it) {
            if (it->kind == Kind::Timer || windowless(it->kind) == windowed) continue;
            QWidget* w = controls_.at(std::string(it->name)).widget;
            if (w->parentWidget() == parent) w->raise();
        }
}

void QtForm::order_focus() {
    struct Stop {
        int tab;
        std::size_t order;
        QPushButton* button;
    };
    std::vector<Stop> stops;
    for (std::size_t i = 0; i < model_.controls.size(); ++i) {
        const Control& c = model_.controls[i];
        if (c.kind != Kind::Button) continue;
        const int tab = c.tab < 0 ? std::numeric_limits<int>::max() : c.tab;
        stops.push_back({tab, i, static_cast<QPushButton*>(controls_.at(std::string(c.name)).widget)});
    }
    std::sort(stops.begin(), stops.end(),
              [](const Stop& a, const Stop& b) { return std::tie(a.tab, a.order) < std::tie(b.tab, b.order); });
    for (const Stop& s : stops) focus_order_.push_back(s.button);
    for (std::size_t i = 1; i < focus_order_.size(); ++i) QWidget::setTabOrder(focus_order_[i - 1], focus_order_[i]);
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

// ---- events -----------------------------------------------------------------------------

std::vector<std::size_t> QtForm::bound_to(std::string_view control, Event event) const {
    std::vector<std::size_t> bound;
    for (std::size_t i = 0; i < bindings_.size(); ++i)
        if (bindings_[i].control == control && bindings_[i].event == event && bindings_[i].run) bound.push_back(i);
    return bound;
}

void QtForm::dispatch(std::string_view control, Event event, const forms::Mouse& mouse) {
    run_bound(control, bound_to(control, event), mouse);
}

void QtForm::run_bound(std::string_view control, std::span<const std::size_t> bound, const forms::Mouse& mouse) {
    if (!alive_ || runtime_.ending()) return;
    for (const std::size_t i : bound) {
        if (!alive_) break;
        // A handler that waits in a loop of its own (a message box) is not entered again by
        // its own event: a timer's ticks meanwhile are dropped, so they cannot pile up boxes.
        if (running_[i]) continue;
        running_[i] = true;
        ++depth_;
        try {
            bindings_[i].run(*this, mouse);
        } catch (const std::exception& e) {
            runtime_.report_failure(control, e.what());
        } catch (...) {
            runtime_.report_failure(control, "unknown failure");
        }
        --depth_;
        running_[i] = false;
    }
    if (!alive_ && depth_ == 0) runtime_.reap_later();
}

void QtForm::start_timers() {
    for (auto& [name, e] : controls_)
        if (e.timer && e.control->enabled && e.timer->interval() > 0) e.timer->start();
}

void QtForm::run_load() { dispatch(model_.name, Event::Load); }

void QtForm::unload() {
    if (!alive_ || unloading_) return;
    unloading_ = true;
    dispatch(model_.name, Event::Unload);
    retire();
}

void QtForm::retire() {
    halt();
    runtime_.form_gone(*this);
    if (depth_ == 0) runtime_.reap_later();
}

void QtForm::halt() {
    alive_ = false;
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
    } else if (alive_ && !t->isActive() && t->interval() > 0) {
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
    if (!alive_) return;
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
        if (!ended) return;
        ++depth_;
        try {
            ended();
        } catch (const std::exception& e) {
            runtime_.report_failure(model_.name, e.what());
        }
        --depth_;
        if (!alive_ && depth_ == 0) runtime_.reap_later();
    };
    // The window manager's move follows the left button (that is what _NET_WM_MOVERESIZE
    // names); a press of another button, or a platform that cannot move windows (offscreen),
    // makes a move that is over at once.
    QWindow* handle = window_->windowHandle();
    const bool left_held = QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
    if (!alive_ || !handle || !left_held || !handle->startSystemMove()) {
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
