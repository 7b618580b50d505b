#pragma once
// What the person does to one form with the mouse and the keys, as the events its handlers
// are bound to: a press on a label, a release that makes it a click on the label or on the
// window's own surface, the pointer moving over that surface, a button pressed by the mouse or
// by Enter and Esc. And where the focus goes: to the first button when the window is first
// shown, along the tab order for Tab and Shift-Tab, and back to the button that had it when the
// window is active again. The input says which event is due; the form runs its handlers.

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/forms/forms.h"
#include "platform/win32/win32_form_windows.h"

namespace platform_win32 {

// An event due to the handlers bound to it: the control's name (the window's own for its
// surface) and where the pointer was.
struct Fired {
    std::string_view control;
    forms::Event event;
    forms::Mouse mouse = {};
};

class FormInput {
public:
    // The model, each control's own visibility and the windows are the form's and outlive the
    // input.
    FormInput(const forms::WindowModel& model, const std::vector<bool>& shown, const FormWindows& windows);
    FormInput(const FormInput&) = delete;
    FormInput& operator=(const FormInput&) = delete;

    // A mouse button (1 left, 2 right, 4 middle) pressed on a surface: MouseDown on the label
    // under it. The left button's release is then taken wherever the pointer is.
    std::optional<Fired> press(HWND surface, int button, WPARAM keys, LPARAM at);
    // The left button let go: a click on the label it was pressed on, or on the window's own
    // surface, if the pointer is still on it.
    std::optional<Fired> release(HWND surface, WPARAM keys, LPARAM at);
    // The pointer moved over a surface: the window's MouseMove, except over a label.
    std::optional<Fired> moved(HWND surface, WPARAM keys, LPARAM at) const;
    // WM_COMMAND: a click on a shown, enabled button (Enter on the default, Esc on the cancel
    // button).
    std::optional<Fired> command(WPARAM wparam) const;
    // The press is over without a click: the capture went elsewhere, or the system's move
    // took it.
    void drop_press() { pressing_ = false; }

    // DM_GETDEFID: Enter presses the default button while it can be seen.
    LRESULT default_id() const;
    // WM_ACTIVATE of the window: the focus leaves with the window and comes back to the
    // button that had it.
    void activated(WPARAM wparam);

    // The buttons in the order Tab takes them, as the form built them.
    void set_focus_order(std::vector<HWND> buttons) { focus_order_ = std::move(buttons); }
    const std::vector<HWND>& focus_order() const { return focus_order_; }
    // The focus to the first shown button.
    void focus_first();
    // Tab and Shift-Tab: the focus to the next (previous) shown button, round the end. False
    // when no button can take it.
    bool step_focus(bool backwards);

private:
    struct Press {
        HWND surface = nullptr;
        std::optional<std::size_t> label;  // nothing: the surface itself
    };

    forms::Mouse mouse_at(HWND surface, int button, WPARAM keys, LPARAM at) const;
    void focus_button(HWND button);

    const forms::WindowModel& model_;
    const std::vector<bool>& shown_;
    const FormWindows& windows_;
    std::vector<HWND> focus_order_;
    HWND saved_focus_ = nullptr;
    int default_id_ = 0, cancel_id_ = 0;
    Press press_;
    bool pressing_ = false;
};

}  // namespace platform_win32
