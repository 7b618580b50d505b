// The mouse and the keys on one form, as its handlers' events, and the focus among its buttons.

#include "platform/win32/win32_input.h"

#include <windowsx.h>

#include <algorithm>

namespace platform_win32 {

using forms::Control;
using forms::Event;
using forms::Kind;

namespace {

int shift_bits(WPARAM keys) {
    return (keys & MK_SHIFT ? 1 : 0) | (keys & MK_CONTROL ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

int held_bits(WPARAM keys) {
    return (keys & MK_LBUTTON ? 1 : 0) | (keys & MK_RBUTTON ? 2 : 0) | (keys & MK_MBUTTON ? 4 : 0);
}

}  // namespace

FormInput::FormInput(const forms::WindowModel& model, const std::vector<bool>& shown, const FormWindows& windows)
    : model_(model), shown_(shown), windows_(windows) {
    for (std::size_t i = 0; i < model.controls.size(); ++i) {
        const Control& c = model.controls[i];
        if (c.kind != Kind::Button) continue;
        if (c.is_default) default_id_ = kFirstControlId + static_cast<int>(i);
        if (c.is_cancel) cancel_id_ = kFirstControlId + static_cast<int>(i);
    }
}

forms::Mouse FormInput::mouse_at(HWND surface, int button, WPARAM keys, LPARAM at) const {
    POINT p{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (surface != windows_.top) MapWindowPoints(surface, windows_.top, &p, 1);  // from the window's client corner
    const forms::Density d = windows_.density();
    return {.button = button,
            .shift = shift_bits(keys),
            .x = static_cast<float>(p.x * d.twips_per_pixel_x()),
            .y = static_cast<float>(p.y * d.twips_per_pixel_y())};
}

std::optional<Fired> FormInput::press(HWND surface, int button, WPARAM keys, LPARAM at) {
    const std::optional<std::size_t> label = forms::label_at(model_, windows_.container_of(surface), windows_.density(),
                                                             shown_, GET_X_LPARAM(at), GET_Y_LPARAM(at));
    if (button == 1) {
        press_ = {.surface = surface, .label = label};
        pressing_ = true;
        SetCapture(surface);  // the release comes here wherever the pointer is then
    }
    if (!label) return std::nullopt;
    return Fired{model_.controls[*label].name, Event::MouseDown, mouse_at(surface, button, keys, at)};
}

std::optional<Fired> FormInput::release(HWND surface, WPARAM keys, LPARAM at) {
    if (!pressing_ || press_.surface != surface) return std::nullopt;
    pressing_ = false;
    ReleaseCapture();
    const int x = GET_X_LPARAM(at), y = GET_Y_LPARAM(at);
    const forms::Mouse mouse = mouse_at(surface, 1, keys, at);
    if (press_.label) {
        const Control& c = model_.controls[*press_.label];
        if (windows_.density().rect(c.rect).contains(x, y)) return Fired{c.name, Event::Click, mouse};
        return std::nullopt;
    }
    if (surface == windows_.top && client_area(surface).contains(x, y)) return Fired{model_.name, Event::Click, mouse};
    return std::nullopt;
}

std::optional<Fired> FormInput::moved(HWND surface, WPARAM keys, LPARAM at) const {
    // The window's own surface only: over a label the pointer is the label's.
    if (surface != windows_.top ||
        forms::label_at(model_, "", windows_.density(), shown_, GET_X_LPARAM(at), GET_Y_LPARAM(at)))
        return std::nullopt;
    return Fired{model_.name, Event::MouseMove, mouse_at(surface, held_bits(keys), keys, at)};
}

std::optional<Fired> FormInput::command(WPARAM wparam) const {
    int id = LOWORD(wparam);
    if (id == IDCANCEL) id = cancel_id_;  // Esc
    if (id == IDOK) id = default_id_;     // Enter with no button focused and none default
    const std::size_t index = static_cast<std::size_t>(id - kFirstControlId);
    if (id < kFirstControlId || index >= model_.controls.size()) return std::nullopt;
    const Control& c = model_.controls[index];
    if (c.kind != Kind::Button) return std::nullopt;
    HWND button = windows_.controls[index];
    if (!IsWindowVisible(button) || !IsWindowEnabled(button)) return std::nullopt;
    return Fired{c.name, Event::Click};
}

LRESULT FormInput::default_id() const {
    if (!default_id_) return 0;
    const HWND b = windows_.controls[static_cast<std::size_t>(default_id_ - kFirstControlId)];
    return b && IsWindowVisible(b) ? MAKELRESULT(default_id_, DC_HASDEFID) : 0;
}

void FormInput::activated(WPARAM wparam) {
    if (LOWORD(wparam) == WA_INACTIVE) {
        saved_focus_ = GetFocus();
    } else if (saved_focus_ && IsChild(windows_.top, saved_focus_)) {
        SetFocus(saved_focus_);
    }
}

void FormInput::focus_first() {
    for (HWND b : focus_order_)
        if (IsWindowVisible(b) && IsWindowEnabled(b)) {
            focus_button(b);
            return;
        }
}

void FormInput::focus_button(HWND button) {
    SetFocus(button);
    // The dialog manager's Enter presses the focused button only while it bears the default
    // style, as the dialog manager's own Tab would give it.
    for (HWND b : focus_order_) SendMessageW(b, BM_SETSTYLE, b == button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool FormInput::step_focus(bool backwards) {
    const std::size_t n = focus_order_.size();
    if (n == 0) return false;
    const auto at = std::find(focus_order_.begin(), focus_order_.end(), GetFocus());
    std::size_t from =
        at == focus_order_.end() ? (backwards ? 0 : n - 1) : static_cast<std::size_t>(at - focus_order_.begin());
    for (std::size_t step = 1; step <= n; ++step) {
        HWND b = focus_order_[(backwards ? from + n - step : from + step) % n];
        if (IsWindowVisible(b) && IsWindowEnabled(b)) {
            focus_button(b);
            return true;
        }
    }
    return false;
}

}  // namespace platform_win32
