// A loaded window's operations: its state (visibility, timers, caption, window state,
// showing, moves) and its end. It is built in win32_form_build.cpp; its messages go through
// win32_form_procedure.cpp.

#include <windows.h>

#include <utility>

#include "platform/win32/win32_form.h"
#include "platform/win32/win32_form_procedure.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_text.h"

namespace platform_win32 {

using forms::Kind;

bool Win32Form::runtime_ending() const { return runtime_.ending(); }

void Win32Form::report_failure(std::string_view control, std::string_view what) {
    runtime_.report_failure(control, what);
}

void Win32Form::retire() {
    halt();
    runtime_.form_gone(*this);
}

void Win32Form::halt() {
    if (!alive()) return;
    stop_timers();
    mark_gone();
    accessibility_.forget();
    // The window goes now; the form itself stays until no handler of it is on the stack.
    SetWindowLongPtrW(hwnd(), GWLP_USERDATA, 0);
    for (const auto& [surface, name] : windows_.surfaces) SetWindowLongPtrW(surface, GWLP_USERDATA, 0);
    DestroyWindow(hwnd());
    windows_.top = nullptr;
}

HWND Win32Form::control_window(std::string_view control) const {
    const std::optional<std::size_t> at = find_control(control);
    return at ? windows_.controls[*at] : nullptr;
}

void Win32Form::show_control(std::size_t index, bool visible) {
    if (windows_.controls[index]) {
        ShowWindow(windows_.controls[index], visible ? SW_SHOWNA : SW_HIDE);
        return;
    }
    // Drawn or not, a label's area is painted again; a line or the shape, its surface.
    if (model_.controls[index].kind == Kind::Label) {
        painter_.visibility_changed(index);
        return;
    }
    InvalidateRect(windows_.surface_of(model_.controls[index].container), nullptr, FALSE);
}

bool Win32Form::start_timer(std::size_t index, int interval_ms) {
    return SetTimer(hwnd(), kFirstControlId + index, static_cast<UINT>(interval_ms), nullptr) != 0;
}

void Win32Form::stop_timer(std::size_t index) {
    if (hwnd()) KillTimer(hwnd(), kFirstControlId + index);
}

void Win32Form::set_caption(std::string caption) {
    if (hwnd()) SetWindowTextW(hwnd(), to_wide(caption).c_str());
}

std::string Win32Form::caption() const { return hwnd() ? window_text(hwnd()) : std::string{}; }

bool Win32Form::window_shown() const { return hwnd() && IsWindowVisible(hwnd()); }

void Win32Form::defer_state() { PostMessageW(hwnd(), kApplyState, 0, 0); }

void Win32Form::apply_state(int state) {
    const int now = IsIconic(hwnd()) ? forms::kMinimized : IsZoomed(hwnd()) ? forms::kMaximized : forms::kNormal;
    if (now == state) return;
    ShowWindow(hwnd(), state == forms::kMinimized   ? SW_MINIMIZE
                       : state == forms::kMaximized ? SW_MAXIMIZE
                                                    : SW_RESTORE);
}

void Win32Form::show() {
    if (!alive()) return;
    const int state = window_state();
    ShowWindow(hwnd(), state == forms::kMinimized   ? SW_SHOWMINIMIZED
                       : state == forms::kMaximized ? SW_SHOWMAXIMIZED
                                                    : SW_SHOWNORMAL);
    if (state == forms::kMinimized) return;  // raising it would restore it
    // Raised first: a window shown already is not raised by SetForegroundWindow under Wine,
    // whose window manager hears only of the restack.
    SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd());
    if (!std::exchange(shown_before_, true)) input_.focus_first();
}

void Win32Form::hide() {
    if (!hwnd()) return;
    // A button under the pointer tracks it until the pointer leaves (its hot look; comctl32
    // under Wine asks the system every millisecond). A window hidden under a pointer at rest
    // is never left, so the tracking ends here, as leaving would end it.
    TRACKMOUSEEVENT tracking{.cbSize = sizeof(tracking), .dwFlags = TME_QUERY, .hwndTrack = nullptr, .dwHoverTime = 0};
    if (TrackMouseEvent(&tracking) && tracking.hwndTrack &&
        (tracking.hwndTrack == hwnd() || IsChild(hwnd(), tracking.hwndTrack))) {
        tracking.dwFlags = (tracking.dwFlags & (TME_HOVER | TME_LEAVE)) | TME_CANCEL;
        TrackMouseEvent(&tracking);
        SendMessageW(tracking.hwndTrack, WM_MOUSELEAVE, 0, 0);
    }
    ShowWindow(hwnd(), SW_HIDE);
}

bool Win32Form::is_shown() const { return hwnd() && IsWindowVisible(hwnd()); }

void Win32Form::start_system_move(std::function<void()> ended) {
    input_.drop_press();
    // The system's move follows the left button; with it up, the move is over at once.
    if (alive() && GetKeyState(VK_LBUTTON) < 0) {
        ReleaseCapture();
        // Returns when the button is let go; timers tick meanwhile.
        SendMessageA(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
    if (alive() && ended) run_step(ended);
}

std::uint32_t Win32Form::window_handle() const {
    // Window handles are 32-bit values on 64-bit Windows too, so other processes can use them.
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd()));
}

std::uint32_t Win32Form::icon_handle() const {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(icon_));
}

}  // namespace platform_win32
