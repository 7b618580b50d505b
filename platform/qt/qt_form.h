#pragma once
// One loaded window on Qt Widgets: the model's controls as widgets, its labels' captions as
// the form's fields, and its events delivered to the handlers bound to them. Built from the
// model in qt_form_build.cpp; events and the window's state in qt_form.cpp.

#include <QPointer>

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bound_form.h"
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

class QtForm final : public forms::BoundForm {
public:
    // Builds the window and its controls (hidden); the model must outlive the form. Throws
    // forms::BindingError for a binding to a control or event the model does not have.
    QtForm(QtRuntime& runtime, const forms::WindowModel& model, std::vector<forms::Binding> bindings, Scale scale);
    ~QtForm() override;
    QtForm(const QtForm&) = delete;
    QtForm& operator=(const QtForm&) = delete;

    void set_visible(std::string_view control, bool visible) override;
    bool is_visible(std::string_view control) const override;
    void set_timer_enabled(std::string_view timer, bool on) override;
    bool timer_enabled(std::string_view timer) const override;
    void set_caption(std::string caption) override;
    std::string caption() const override;
    int window_state() const override;
    void set_window_state(int state) override;
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

    void start_timers();
    // Stops everything without running any step of the window (the program ends).
    void halt();

private:
    struct Entry {
        const forms::Control* control = nullptr;
        QWidget* widget = nullptr;
        QTimer* timer = nullptr;
    };

    // Building, in qt_form_build.cpp.
    void build();
    QWidget* container_of(const forms::Control& c) const;
    void build_control(const forms::Control& c, QWidget* parent);
    void stack(QWidget* parent);
    void order_focus();

    // Events and the window's state, in qt_form.cpp.
    void connect_window();  // the window's own mouse, keys, closing and state changes
    void focus_first();
    bool press_key(QKeyEvent* event);
    void apply_state();
    forms::Mouse mouse_of(const QMouseEvent* event) const;
    const Entry& entry(std::string_view control) const;
    bool runtime_ending() const override;
    void report_failure(std::string_view control, std::string_view what) override;
    void retire() override;
    void handlers_done() override;

    QtRuntime& runtime_;
    Scale scale_;
    FormWindow* window_ = nullptr;  // owned; deleted with the form
    std::map<std::string, Entry, std::less<>> controls_;
    std::vector<FormLabel*> field_labels_;  // by field index
    std::vector<QPushButton*> focus_order_;
    QPushButton* default_button_ = nullptr;
    QPushButton* cancel_button_ = nullptr;
    QPointer<SystemMove> move_;
    std::unique_ptr<WindowPlace> place_ = window_place_for_platform();
    std::optional<QPoint> left_at_;  // where the program hid the window, to show it there again
    bool state_pending_ = false;     // a change of state waits for the event loop
    int state_ = forms::kNormal;     // the window's state as the program set it or the user changed it
};

}  // namespace platform_qt
