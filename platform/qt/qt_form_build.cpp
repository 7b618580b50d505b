// Building a window from its model: the window itself, its controls in their containers,
// their stacking and the order the focus takes. Events and the window's state are in qt_form.cpp.

#include "platform/qt/qt_form.h"

#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/forms/form_bindings.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_fixed_frame.h"
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

void set_colours(QWidget* w, QPalette::ColorRole back_role, const QColor* back, QPalette::ColorRole fore_role,
                 const QColor* fore) {
    QPalette p = w->palette();
    if (back) p.setColor(back_role, *back);
    if (fore) p.setColor(fore_role, *fore);
    w->setPalette(p);
}

// A picture at its own size, drawn from the image's "@2x" twin where the screen has twice
// the density or more (a blown-up small image looks coarse); an empty pixmap when missing.
QPixmap picture_at_density(const QString& path, double device_pixel_ratio) {
    const QSize size = QImageReader(path).size();
    if (!size.isValid()) return {};
    return QIcon(path).pixmap(size, device_pixel_ratio);
}

}  // namespace

QtForm::QtForm(QtRuntime& runtime, const forms::WindowModel& model, std::vector<forms::Binding> bindings, Scale scale)
    : FormCore(model, std::move(bindings)), runtime_(runtime), scale_(scale) {
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

    controls_.resize(model_.controls.size());
    for (const std::size_t i : build_order()) build_control(i, container_of(model_.controls[i]));
    stack(window_);
    for (std::size_t i = 0; i < model_.controls.size(); ++i)
        if (model_.controls[i].kind == Kind::Frame) stack(controls_[i].widget);
    order_focus();
    connect_window();
}

QWidget* QtForm::container_of(const Control& c) const {
    return c.container.empty() ? window_ : controls_[index_of(c.container)].widget;
}

void QtForm::build_control(std::size_t index, QWidget* parent) {
    const Control& c = model_.controls[index];
    const QPalette base = parent->palette();
    Entry& entry = controls_[index];
    switch (c.kind) {
        case Kind::Label: {
            auto* label = new FormLabel(parent);
            const QColor back = resolve(c.back, system_colour(forms::kButtonFace, base), base);
            const QColor fore = resolve(c.fore, system_colour(forms::kButtonText, base), base);
            set_colours(label, QPalette::Window, &back, QPalette::WindowText, &fore);
            label->setAutoFillBackground(!c.transparent);
            label->setFont(font_for(c.font));
            label->setContentsMargins(0, windows_ascent_gap(label->font()), 0, 0);
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
            entry.widget = new LineWidget(parent, forms::LineBand::of(c, scale_), colour);
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
            if (!c.picture.empty())
                picture->setPixmap(picture_at_density(text_of(c.picture), picture->devicePixelRatioF()));
            picture->setGeometry(scale_.rect(c.rect));
            entry.widget = picture;
            break;
        }
    }
    if (entry.widget) entry.widget->setObjectName(text_of(c.name));
}

void QtForm::stack(QWidget* parent) {
    // Each raise puts a control on top, so raising in reverse order leaves the one listed
    // first on top; the windowed controls go last, above everything windowless.
    for (bool windowed : {false, true})
        for (auto it = model_.controls.rbegin(); it != model_.controls.rend(); ++it) {
            if (it->kind == Kind::Timer || forms::surface_drawn(it->kind) == windowed) continue;
            QWidget* w = controls_[static_cast<std::size_t>(model_.controls.rend() - it - 1)].widget;
            if (w->parentWidget() == parent) w->raise();
        }
}

void QtForm::order_focus() {
    for (const std::size_t i : tab_order())
        if (model_.controls[i].kind == Kind::Button)
            focus_order_.push_back(static_cast<QPushButton*>(controls_[i].widget));
    for (std::size_t i = 1; i < focus_order_.size(); ++i) QWidget::setTabOrder(focus_order_[i - 1], focus_order_[i]);
}

}  // namespace platform_qt
