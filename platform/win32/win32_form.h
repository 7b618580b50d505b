#pragma once
// One loaded window on the Win32 API. The window and each frame are windows of their own
// class; buttons are BUTTON children and the picture box a STATIC one; labels, lines and the
// shape have no window: they are painted on their container's surface, and presses over a
// label are routed to it. Built and laid out in win32_form_build.cpp; its window procedure
// (win32_form_procedure.cpp) hands each message to the part whose job it is: the painter, the
// input and focus, the accessibility; its operations are in win32_form.cpp.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/form_core.h"
#include "platform/forms/form_geometry.h"
#include "platform/win32/win32_accessible.h"
#include "platform/win32/win32_accessible_form.h"
#include "platform/win32/win32_form_windows.h"
#include "platform/win32/win32_input.h"
#include "platform/win32/win32_painter.h"

namespace platform_win32 {

class Win32Runtime;

class Win32Form final : public forms::FormCore {
public:
    // Builds the window and its controls (hidden); the model must outlive the form. Throws
    // forms::BindingError for a binding to a control or event the model does not have.
    Win32Form(Win32Runtime& runtime, const forms::WindowModel& model, std::vector<forms::Binding> bindings);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    void set_caption(std::string caption) override;
    std::string caption() const override;
    void show() override;
    void hide() override;
    bool is_shown() const override;
    void start_system_move(std::function<void()> ended) override;
    std::uint32_t window_handle() const override;
    std::uint32_t icon_handle() const override;

    // For the runtime and for tests.
    HWND hwnd() const { return windows_.top; }
    HWND control_window(std::string_view control) const;  // nullptr for windowless controls
    unsigned dpi() const { return windows_.dpi; }
    forms::Density density() const { return windows_.density(); }
    // The buttons in the order Tab takes them.
    const std::vector<HWND>& focus_order() const { return input_.focus_order(); }
    // The labels and buttons as a screen reader is told of them.
    std::vector<AccessibleChild> accessible_children() const { return accessibility_.children(); }
    // The window's tooltip control (TOOLTIPS_CLASS), holding the tips of its buttons;
    // nullptr when no control of the window has a tip.
    HWND tooltips() const { return tooltips_; }
    // Tab and Shift-Tab: the focus to the next (previous) shown button by tab index across
    // the window and its frames, round the end. False when no button can take it.
    bool step_focus(bool backwards) { return input_.step_focus(backwards); }

    // Stops everything and destroys the window without running any step of it (the
    // program ends).
    void halt();

    // The window procedure of the window and its frames hands every message here.
    LRESULT handle(HWND surface, UINT message, WPARAM wparam, LPARAM lparam);

private:
    // Building and layout, in win32_form_build.cpp.
    void build();
    void build_control(std::size_t index);
    void order_children();
    void add_tooltips();
    void lay_out(const RECT* suggested);

    // Runs the handlers of an event the input found due.
    void fire(const std::optional<Fired>& fired);

    // What the form core asks of a runtime's form, in win32_form.cpp.
    bool window_shown() const override;
    void defer_state() override;
    void apply_state(int state) override;
    void show_control(std::size_t index, bool visible) override;
    bool start_timer(std::size_t index, int interval_ms) override;
    void stop_timer(std::size_t index) override;
    bool runtime_ending() const override;
    void report_failure(std::string_view control, std::string_view what) override;
    void retire() override;

    Win32Runtime& runtime_;
    FormWindows windows_;
    Painter painter_{model_, fields_, own_visibility(), windows_};
    FormInput input_{model_, own_visibility(), windows_};
    FormAccessibility accessibility_{model_, fields_, own_visibility(), windows_};
    std::vector<std::size_t> label_of_;  // per field: the label's index in the model
    HWND tooltips_ = nullptr;            // owned by the window, which destroys it
    HICON icon_ = nullptr;               // shared, never destroyed
    bool shown_before_ = false;
};

}  // namespace platform_win32
