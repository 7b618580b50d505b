#pragma once
// One loaded window on Qt Widgets: the model's controls as widgets, its labels' captions as
// the form's fields, and its events delivered to the handlers bound to them. Built from the
// model in qt_form_build.cpp; events and the window's state in qt_form.cpp.

#include <QPointer>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/form_core.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_window_place.h"

class QKeyEvent;
class QLabel;
class QMouseEvent;
class QPushButton;
class QTimer;
class QWidget;

namespace platform_qt {

class FormLabel;
class FormWindow;
class QtRuntime;
class SystemMove;

class QtForm final : public forms::FormCore {
public:
    // Builds the window and its controls (hidden); the model must outlive the form. Throws
    // forms::BindingError for a binding to a control or event the model does not have.
    QtForm(QtRuntime& runtime, const forms::WindowModel& model, std::vector<forms::Binding> bindings, Scale scale);
    ~QtForm() override;
    QtForm(const QtForm&) = delete;
    QtForm& operator=(const QtForm&) = delete;

    void set_caption(std::string caption) override;
    std::string caption() const override;
    void show() override;
    void hide() override;
    bool is_shown() const override;
    void start_system_move(std::function<void()> ended) override;
    std::uint32_t window_handle() const override;

    // For the runtime and for tests.
    QWidget* window() const;
    QWidget* widget(std::string_view control) const;  // nullptr for timers and unknown names
    QTimer* timer(std::string_view control) const;
    const Scale& scale() const { return scale_; }
    // How the window's place is read and put back (for tests; the platform's by default).
    void set_window_place(std::unique_ptr<WindowPlace> place) { place_ = std::move(place); }
    bool moving() const;

    // Stops everything without running any step of the window (the program ends).
    void halt();

private:
    struct Entry {
        QWidget* widget = nullptr;
        QTimer* timer = nullptr;
    };

    // Building, in qt_form_build.cpp.
    void build();
    QWidget* container_of(const forms::Control& c) const;
    void build_control(std::size_t index, QWidget* parent);
    void stack(QWidget* parent);
    void order_focus();

    // Events and the window's state, in qt_form.cpp.
    void connect_window();  // the window's own mouse, keys, closing and state changes
    void focus_first();
    bool press_key(QKeyEvent* event);
    forms::Mouse mouse_of(const QMouseEvent* event) const;
    const Entry* find(std::string_view control) const;  // nullptr for a name the model does not have
    bool window_shown() const override;
    void defer_state() override;
    void apply_state(int state) override;
    void show_control(std::size_t index, bool visible) override;
    bool start_timer(std::size_t index, int interval_ms) override;
    void stop_timer(std::size_t index) override;
    bool runtime_ending() const override;
    void report_failure(std::string_view control, std::string_view what) override;
    void retire() override;
    void handlers_done() override;

    QtRuntime& runtime_;
    Scale scale_;
    FormWindow* window_ = nullptr;          // owned; deleted with the form
    std::vector<Entry> controls_;           // by place in the model
    std::vector<FormLabel*> field_labels_;  // by field index
    std::vector<QPushButton*> focus_order_;
    QPushButton* default_button_ = nullptr;
    QPushButton* cancel_button_ = nullptr;
    QPointer<SystemMove> move_;
    std::unique_ptr<WindowPlace> place_ = window_place_for_platform();
    std::optional<QPoint> left_at_;  // where the program hid the window, to show it there again
};

}  // namespace platform_qt
