// One form's answers to a screen reader: its client object, its labels and buttons, and the
// news of a label's new text.

#include "platform/win32/win32_accessible_form.h"

#include <string>

#include "platform/win32/win32_oleacc.h"
#include "platform/win32/win32_text.h"

namespace platform_win32 {

using forms::Control;
using forms::Kind;

FormAccessibility::FormAccessibility(const forms::WindowModel& model, const engine::FieldStore& fields,
                                     const std::vector<bool>& shown, const FormWindows& windows)
    : model_(model), fields_(fields), shown_(shown), windows_(windows), child_id_(model.controls.size(), 0) {
    long next_child = 1;  // the client object's children: its labels and buttons, in model order
    for (std::size_t i = 0; i < model.controls.size(); ++i)
        if (model.controls[i].kind == Kind::Label || model.controls[i].kind == Kind::Button)
            child_id_[i] = next_child++;
}

LRESULT FormAccessibility::client_object(WPARAM wparam, LPARAM lparam) {
    // Without the system's oleacc.dll the window answers as any window does.
    const Oleacc* functions = oleacc();
    if (!functions) return DefWindowProcW(windows_.top, WM_GETOBJECT, wparam, lparam);
    auto token = token_;
    IAccessible* object = make_client_accessible(
        windows_.top, [token] { return *token ? (*token)->children() : std::vector<AccessibleChild>{}; });
    const LRESULT result = functions->lresult_from_object(__uuidof(IAccessible), wparam, object);
    object->Release();
    return result;
}

std::vector<AccessibleChild> FormAccessibility::children() const {
    std::vector<AccessibleChild> out;
    const forms::Density d = windows_.density();
    const HWND focus = GetFocus();
    for (std::size_t i = 0; i < model_.controls.size(); ++i) {
        const Control& c = model_.controls[i];
        if (c.kind != Kind::Label && c.kind != Kind::Button) continue;
        // Seen when shown and not wholly outside its container's client area, as the
        // window's manual buttons and its notes on the design surface are.
        HWND surface = windows_.surface_of(c.container);
        const forms::PixelRect r = d.rect(c.rect);
        const bool inside = !r.intersected(client_area(surface)).empty();
        RECT screen = to_rect(r);
        MapWindowPoints(surface, nullptr, reinterpret_cast<POINT*>(&screen), 2);
        if (c.kind == Kind::Label) {
            out.push_back({.name = fields_.text(fields_.index_of(c.name)),
                           .screen = screen,
                           .invisible = !(shown_[i] && IsWindowVisible(surface) && inside)});
            continue;
        }
        // A real window: the system knows its text and whether it and its frame are shown.
        // Its tip says what it does.
        const HWND button = windows_.controls[i];
        out.push_back({.name = window_text(button),
                       .screen = screen,
                       .invisible = !(IsWindowVisible(button) && inside),
                       .role = ROLE_SYSTEM_PUSHBUTTON,
                       .focused = focus == button,
                       .description = std::string(c.tooltip),
                       .button = button});
    }
    return out;
}

void FormAccessibility::name_changed(std::size_t index) {
    // A screen reader hears of a new text only where a person could read it: the sentence
    // once a second, not the working fields outside the window.
    const Control& c = model_.controls[index];
    if (!shown_[index] || !IsWindowVisible(windows_.top)) return;
    HWND surface = windows_.surface_of(c.container);
    if (!IsWindowVisible(surface)) return;
    if (windows_.density().rect(c.rect).intersected(client_area(surface)).empty()) return;
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, windows_.top, OBJID_CLIENT, child_id_[index]);
}

}  // namespace platform_win32
