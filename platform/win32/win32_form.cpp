// A loaded window at work: its surfaces painted, its events delivered to the handlers bound
// to them, and its state (visibility, timers, caption, window state, showing, moves). It is
// built in win32_form_build.cpp.

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>

#include "platform/win32/win32_form.h"
#include "platform/win32/win32_label_text.h"
#include "platform/win32/win32_oleacc.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_text.h"

namespace platform_win32 {

using forms::Control;
using forms::Event;
using forms::Kind;

namespace {

RECT to_rect(const forms::PixelRect& r) { return {r.left, r.top, r.right(), r.bottom()}; }

void fill(HDC dc, const forms::PixelRect& r, COLORREF colour) {
    if (r.empty()) return;
    const RECT rect = to_rect(r);
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);  // a fill without a brush
}

int shift_bits(WPARAM keys) {
    return (keys & MK_SHIFT ? 1 : 0) | (keys & MK_CONTROL ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

int held_bits(WPARAM keys) {
    return (keys & MK_LBUTTON ? 1 : 0) | (keys & MK_RBUTTON ? 2 : 0) | (keys & MK_MBUTTON ? 4 : 0);
}

}  // namespace

// ---- the window procedure ---------------------------------------------------------------

LRESULT Win32Form::handle(HWND surface, UINT message, WPARAM wparam, LPARAM lparam) {
    const bool top = surface == hwnd_;
    switch (message) {
        case WM_PAINT: paint(surface); return 0;
        case WM_ERASEBKGND: return 1;  // the paint covers every pixel
        case WM_LBUTTONDOWN: press(surface, 1, wparam, lparam); return 0;
        case WM_RBUTTONDOWN: press(surface, 2, wparam, lparam); return 0;
        case WM_MBUTTONDOWN: press(surface, 4, wparam, lparam); return 0;
        case WM_LBUTTONUP: release(surface, wparam, lparam); return 0;
        case WM_MOUSEMOVE:
            // The window's own surface only: over a label the pointer is the label's.
            if (top &&
                !forms::label_at(model_, "", density(), own_visibility(), GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)))
                dispatch(model_.name, Event::MouseMove, mouse_at(surface, held_bits(wparam), wparam, lparam));
            return 0;
        case WM_CAPTURECHANGED: pressing_ = false; return 0;
        case WM_COMMAND: command(wparam); return 0;
        case DM_GETDEFID: {
            // Enter presses the default button while it can be seen.
            if (!default_id_) return 0;
            const HWND b = control_window(model_.controls[default_id_ - kFirstControlId].name);
            return b && IsWindowVisible(b) ? MAKELRESULT(default_id_, DC_HASDEFID) : 0;
        }
        case WM_TIMER: {
            const std::size_t index = wparam - kFirstControlId;
            if (index < model_.controls.size()) dispatch(model_.controls[index].name, Event::Tick);
            return 0;
        }
        case WM_ACTIVATE:
            // The focus leaves with the window and comes back to the button that had it.
            if (!top) break;
            if (LOWORD(wparam) == WA_INACTIVE) {
                saved_focus_ = GetFocus();
            } else if (saved_focus_ && IsChild(hwnd_, saved_focus_)) {
                SetFocus(saved_focus_);
            }
            return 0;
        case WM_CLOSE: unload(); return 0;
        case WM_QUERYENDSESSION: return TRUE;  // nothing here holds the session up
        case WM_ENDSESSION:
            // The session is ending and the process may end as soon as this returns: the
            // window's closing steps (Main's takes its tray icon away) run now.
            if (top && wparam) unload();
            return 0;
        case WM_SIZE:
            // While it is shown, a change of state comes from the user (the task bar).
            if (top)
                state_changed_by_user(wparam == SIZE_MINIMIZED   ? forms::kMinimized
                                      : wparam == SIZE_MAXIMIZED ? forms::kMaximized
                                                                 : forms::kNormal);
            break;
        case kApplyState: state_due(); return 0;
        case WM_GETOBJECT:
            if (top && static_cast<LONG>(lparam) == static_cast<LONG>(OBJID_CLIENT))
                return client_object(wparam, lparam);
            break;
        case WM_SYSCOLORCHANGE: InvalidateRect(surface, nullptr, FALSE); return 0;
        case WM_DPICHANGED:
            if (!top) break;
            dpi_ = LOWORD(wparam);
            lay_out(reinterpret_cast<const RECT*>(lparam));
            return 0;
        default: break;
    }
    return DefWindowProcW(surface, message, wparam, lparam);
}

// ---- accessibility ----------------------------------------------------------------------

LRESULT Win32Form::client_object(WPARAM wparam, LPARAM lparam) {
    // Without the system's oleacc.dll the window answers as any window does.
    const Oleacc* functions = oleacc();
    if (!functions) return DefWindowProcW(hwnd_, WM_GETOBJECT, wparam, lparam);
    // The object may outlive the form in a reader's hands: it asks through a token the form
    // clears when it goes.
    auto token = alive_token_;
    IAccessible* object = make_client_accessible(
        hwnd_, [token] { return *token ? (*token)->accessible_children() : std::vector<AccessibleChild>{}; });
    const LRESULT result = functions->lresult_from_object(__uuidof(IAccessible), wparam, object);
    object->Release();
    return result;
}

std::vector<AccessibleChild> Win32Form::accessible_children() const {
    std::vector<AccessibleChild> out;
    const forms::Density d = density();
    const HWND focus = GetFocus();
    for (std::size_t i = 0; i < model_.controls.size(); ++i) {
        const Control& c = model_.controls[i];
        if (c.kind != Kind::Label && c.kind != Kind::Button) continue;
        // Seen when shown and not wholly outside its container's client area, as the
        // window's manual buttons and its notes on the design surface are.
        HWND surface = surface_of(c.container);
        RECT client;
        GetClientRect(surface, &client);
        const forms::PixelRect r = d.rect(c.rect);
        const bool inside = !r.intersected({0, 0, client.right, client.bottom}).empty();
        RECT screen = to_rect(r);
        MapWindowPoints(surface, nullptr, reinterpret_cast<POINT*>(&screen), 2);
        if (c.kind == Kind::Label) {
            out.push_back({.name = fields_.text(fields_.index_of(c.name)),
                           .screen = screen,
                           .invisible = !(shown(i) && IsWindowVisible(surface) && inside)});
            continue;
        }
        // A real window: the system knows its text and whether it and its frame are shown.
        // Its tip says what it does.
        const HWND button = windows_[i];
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

void Win32Form::announce_name(std::size_t index) {
    // A screen reader hears of a new text only where a person could read it: the sentence
    // once a second, not the working fields outside the window.
    const Control& c = model_.controls[index];
    if (!alive() || !shown(index) || !IsWindowVisible(hwnd_)) return;
    HWND surface = surface_of(c.container);
    RECT client;
    if (!IsWindowVisible(surface) || !GetClientRect(surface, &client)) return;
    if (density().rect(c.rect).intersected({0, 0, client.right, client.bottom}).empty()) return;
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd_, OBJID_CLIENT, child_id_[index]);
}

// ---- painting ---------------------------------------------------------------------------

void Win32Form::paint(HWND surface) {
    PAINTSTRUCT ps;
    HDC target = BeginPaint(surface, &ps);
    RECT client;
    GetClientRect(surface, &client);
    const RECT& dirty = ps.rcPaint;
    // Painted in the surface's own buffer first, then copied to the screen in one go. What the
    // buffer holds outside the dirty part is never copied, so nothing there needs cutting.
    BackBuffer& buffer = buffers_[surface];
    HDC dc = buffer.prepare(target, client.right, client.bottom);
    paint_surface(dc ? dc : target, dc ? &buffer : nullptr, surface, client, dirty);
    if (dc)
        BitBlt(target, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, dc, dirty.left,
               dirty.top, SRCCOPY);
    EndPaint(surface, &ps);
}

void Win32Form::paint_surface(HDC dc, BackBuffer* buffer, HWND surface, const RECT& client, const RECT& dirty_rect) {
    const std::string_view container = container_of(surface);
    const forms::PixelRect whole{0, 0, client.right, client.bottom};
    const forms::PixelRect dirty{dirty_rect.left, dirty_rect.top, dirty_rect.right - dirty_rect.left,
                                 dirty_rect.bottom - dirty_rect.top};
    if (surface == hwnd_) {
        fill(dc, dirty.intersected(whole), resolve(model_.back, system_colour(forms::kButtonFace)));
    } else {
        const Control& frame = model_.controls[index_of(container)];
        fill(dc, dirty.intersected(whole), resolve(frame.back, system_colour(forms::kButtonFace)));
        RECT edge = client;
        DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    }
    const forms::Density d = density();
    for (const std::size_t i : forms::paint_order(model_, container)) {
        if (!shown(i)) continue;
        const Control& c = model_.controls[i];
        switch (c.kind) {
            case Kind::Label: {
                const forms::PixelRect part = d.rect(c.rect).intersected(dirty);
                if (!part.empty()) draw_label(dc, buffer, i, part);
                break;
            }
            case Kind::Line: {
                const forms::LineBand band = forms::LineBand::of(c, d);
                const COLORREF colour = resolve(c.fore, system_colour(COLOR_WINDOWTEXT));
                if (band.horizontal() || band.vertical()) {
                    fill(dc, band.straight_pixels().intersected(dirty), colour);
                    break;
                }
                // A slanted line: the same band, centred where a straight one would lie.
                const int shift = band.width / 2 - band.before();
                HPEN pen = CreatePen(PS_SOLID, band.width, colour);
                const HGDIOBJ old = SelectObject(dc, pen);
                MoveToEx(dc, band.x1 + shift, band.y1 + shift, nullptr);
                LineTo(dc, band.x2 + shift, band.y2 + shift);
                SelectObject(dc, old);
                DeleteObject(pen);
                break;
            }
            case Kind::Shape: {
                const COLORREF colour = resolve(c.fore, system_colour(COLOR_WINDOWTEXT));
                for (const forms::PixelRect& band : forms::outline_bands(d.rect(c.rect), c.line_width))
                    fill(dc, band.intersected(dirty), colour);
                break;
            }
            default: break;
        }
    }
}

const LabelLayout& Win32Form::layout_of(HDC dc, std::size_t index) {
    // Laid out again only for a new text or density; the label's font is selected into dc.
    if (laid_out_.size() != model_.controls.size()) laid_out_.resize(model_.controls.size());
    LaidOut& l = laid_out_[index];
    const Control& c = model_.controls[index];
    if (l.dpi == 0) l.field = fields_.index_of(c.name);
    if (l.dpi != dpi_) l.glyphs = GlyphMeasures{};  // the font of another density
    const std::uint64_t stamp = fields_.stamp(l.field);
    if (l.dpi != dpi_ || l.stamp != stamp) {
        l.layout = lay_out_label(dc, l.glyphs, to_wide(fields_.text(l.field)), density().rect(c.rect).width, c.align);
        l.stamp = stamp;
        l.dpi = dpi_;
    }
    return l.layout;
}

void Win32Form::draw_label(HDC dc, BackBuffer* buffer, std::size_t index, const forms::PixelRect& part) {
    const Control& c = model_.controls[index];
    if (!c.transparent) fill(dc, part, resolve(c.back, system_colour(forms::kButtonFace)));
    // The buffer keeps the font selected from paint to paint; straight on the screen it is
    // selected for this label only.
    const HFONT label_font = font(c.font);
    const HGDIOBJ old_font = buffer ? nullptr : SelectObject(dc, label_font);
    if (buffer) buffer->select_font(label_font);
    const LabelLayout& layout = layout_of(dc, index);
    if (!layout.lines.empty()) {
        const forms::PixelRect r = density().rect(c.rect);
        const RECT cut = to_rect(part);
        SetTextColor(dc, resolve(c.fore, system_colour(forms::kButtonText)));
        const int mode = buffer ? TRANSPARENT : SetBkMode(dc, TRANSPARENT);
        draw_label_text(dc, layout, r.left, r.top, &cut);
        if (mode != TRANSPARENT) SetBkMode(dc, mode);
    }
    if (old_font) SelectObject(dc, old_font);
}

forms::PixelRect Win32Form::seen_part(std::size_t index, HWND surface, bool shown_or_not) const {
    // A surface nobody sees is painted whole when it is shown: nothing to mark until then.
    if (!alive() || !(shown_or_not || shown(index)) || !IsWindowVisible(surface)) return {};
    RECT client;
    GetClientRect(surface, &client);
    return density().rect(model_.controls[index].rect).intersected({0, 0, client.right, client.bottom});
}

void Win32Form::invalidate_box(std::size_t index, bool shown_or_not) {
    HWND surface = surface_of(model_.controls[index].container);
    const forms::PixelRect seen = seen_part(index, surface, shown_or_not);
    if (seen.empty()) return;
    const RECT r = to_rect(seen);
    InvalidateRect(surface, &r, FALSE);
}

void Win32Form::invalidate_label(std::size_t index) {
    HWND surface = surface_of(model_.controls[index].container);
    const forms::PixelRect seen = seen_part(index, surface);
    if (seen.empty()) return;  // nothing of it can be seen now
    // What was drawn is known when the label has been laid out at this density, in its
    // surface's buffer; a first text is painted whole.
    const auto buffer = buffers_.find(surface);
    HDC dc = buffer == buffers_.end() ? nullptr : buffer->second.dc();
    if (!dc || index >= laid_out_.size() || laid_out_[index].dpi != dpi_) {
        invalidate_box(index);
        return;
    }
    LaidOut& drawn = laid_out_[index];
    if (drawn.stamp == fields_.stamp(drawn.field)) return;  // the text that is drawn
    // Only the lines, and in a line only the characters, that differ from what was drawn,
    // measured in the buffer with the label's font, which its paint then finds selected.
    buffer->second.select_font(font(model_.controls[index].font));
    const LabelLayout was = std::move(drawn.layout);
    const LabelLayout& now = layout_of(dc, index);
    const forms::PixelRect box = density().rect(model_.controls[index].rect);
    for (const forms::PixelRect& part : changed_parts(dc, drawn.glyphs, was, now)) {
        const forms::PixelRect moved{box.left + part.left, box.top + part.top, part.width, part.height};
        const forms::PixelRect dirty = moved.intersected(seen);
        if (dirty.empty()) continue;
        const RECT r = to_rect(dirty);
        InvalidateRect(surface, &r, FALSE);
    }
}

// ---- events -----------------------------------------------------------------------------

forms::Mouse Win32Form::mouse_at(HWND surface, int button, WPARAM keys, LPARAM at) const {
    POINT p{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (surface != hwnd_) MapWindowPoints(surface, hwnd_, &p, 1);  // from the window's client corner
    const forms::Density d = density();
    return {.button = button,
            .shift = shift_bits(keys),
            .x = static_cast<float>(p.x * d.twips_per_pixel_x()),
            .y = static_cast<float>(p.y * d.twips_per_pixel_y())};
}

void Win32Form::press(HWND surface, int button, WPARAM keys, LPARAM at) {
    const std::optional<std::size_t> label =
        forms::label_at(model_, container_of(surface), density(), own_visibility(), GET_X_LPARAM(at), GET_Y_LPARAM(at));
    if (button == 1) {
        press_ = {.surface = surface, .label = label};
        pressing_ = true;
        SetCapture(surface);  // the release comes here wherever the pointer is then
    }
    if (label) dispatch(model_.controls[*label].name, Event::MouseDown, mouse_at(surface, button, keys, at));
}

void Win32Form::release(HWND surface, WPARAM keys, LPARAM at) {
    if (!pressing_ || press_.surface != surface) return;
    pressing_ = false;
    ReleaseCapture();
    const int x = GET_X_LPARAM(at), y = GET_Y_LPARAM(at);
    const forms::Mouse mouse = mouse_at(surface, 1, keys, at);
    if (press_.label) {
        const Control& c = model_.controls[*press_.label];
        if (density().rect(c.rect).contains(x, y)) dispatch(c.name, Event::Click, mouse);
        return;
    }
    RECT client;
    GetClientRect(surface, &client);
    if (surface == hwnd_ && PtInRect(&client, POINT{x, y})) dispatch(model_.name, Event::Click, mouse);
}

void Win32Form::command(WPARAM wparam) {
    int id = LOWORD(wparam);
    if (id == IDCANCEL) id = cancel_id_;  // Esc
    if (id == IDOK) id = default_id_;     // Enter with no button focused and none default
    const std::size_t index = static_cast<std::size_t>(id - kFirstControlId);
    if (id < kFirstControlId || index >= model_.controls.size()) return;
    const Control& c = model_.controls[index];
    if (c.kind != Kind::Button) return;
    HWND button = windows_[index];
    if (!IsWindowVisible(button) || !IsWindowEnabled(button)) return;
    dispatch(c.name, Event::Click);
}

void Win32Form::focus_first() {
    for (HWND b : focus_order_)
        if (IsWindowVisible(b) && IsWindowEnabled(b)) {
            focus_button(b);
            return;
        }
}

void Win32Form::focus_button(HWND button) {
    SetFocus(button);
    // The dialog manager's Enter presses the focused button only while it bears the default
    // style, as the dialog manager's own Tab would give it.
    for (HWND b : focus_order_) SendMessageW(b, BM_SETSTYLE, b == button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool Win32Form::step_focus(bool backwards) {
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
    *alive_token_ = nullptr;
    // The window goes now; the form itself stays until no handler of it is on the stack.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    for (const auto& [surface, name] : surfaces_) SetWindowLongPtrW(surface, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

// ---- the window's operations ------------------------------------------------------------

HWND Win32Form::control_window(std::string_view control) const {
    const std::optional<std::size_t> at = find_control(control);
    return at ? windows_[*at] : nullptr;
}

void Win32Form::show_control(std::size_t index, bool visible) {
    if (windows_[index]) {
        ShowWindow(windows_[index], visible ? SW_SHOWNA : SW_HIDE);
        return;
    }
    // Drawn or not, a label's area is painted again; a line or the shape, its surface.
    if (model_.controls[index].kind == Kind::Label) {
        invalidate_box(index, true);
        return;
    }
    InvalidateRect(surface_of(model_.controls[index].container), nullptr, FALSE);
}

bool Win32Form::start_timer(std::size_t index, int interval_ms) {
    return SetTimer(hwnd_, kFirstControlId + index, static_cast<UINT>(interval_ms), nullptr) != 0;
}

void Win32Form::stop_timer(std::size_t index) {
    if (hwnd_) KillTimer(hwnd_, kFirstControlId + index);
}

void Win32Form::set_caption(std::string caption) {
    if (hwnd_) SetWindowTextW(hwnd_, to_wide(caption).c_str());
}

std::string Win32Form::caption() const { return hwnd_ ? window_text(hwnd_) : std::string{}; }

bool Win32Form::window_shown() const { return hwnd_ && IsWindowVisible(hwnd_); }

void Win32Form::defer_state() { PostMessageW(hwnd_, kApplyState, 0, 0); }

void Win32Form::apply_state(int state) {
    const int now = IsIconic(hwnd_) ? forms::kMinimized : IsZoomed(hwnd_) ? forms::kMaximized : forms::kNormal;
    if (now == state) return;
    ShowWindow(hwnd_, state == forms::kMinimized ? SW_MINIMIZE : state == forms::kMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

void Win32Form::show() {
    if (!alive()) return;
    const int state = window_state();
    ShowWindow(hwnd_, state == forms::kMinimized   ? SW_SHOWMINIMIZED
                      : state == forms::kMaximized ? SW_SHOWMAXIMIZED
                                                   : SW_SHOWNORMAL);
    if (state == forms::kMinimized) return;  // raising it would restore it
    // Raised first: a window shown already is not raised by SetForegroundWindow under Wine,
    // whose window manager hears only of the restack.
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd_);
    if (!std::exchange(shown_before_, true)) focus_first();
}

void Win32Form::hide() {
    if (!hwnd_) return;
    // A button under the pointer tracks it until the pointer leaves (its hot look; comctl32
    // under Wine asks the system every millisecond). A window hidden under a pointer at rest
    // is never left, so the tracking ends here, as leaving would end it.
    TRACKMOUSEEVENT tracking{.cbSize = sizeof(tracking), .dwFlags = TME_QUERY, .hwndTrack = nullptr, .dwHoverTime = 0};
    if (TrackMouseEvent(&tracking) && tracking.hwndTrack &&
        (tracking.hwndTrack == hwnd_ || IsChild(hwnd_, tracking.hwndTrack))) {
        tracking.dwFlags = (tracking.dwFlags & (TME_HOVER | TME_LEAVE)) | TME_CANCEL;
        TrackMouseEvent(&tracking);
        SendMessageW(tracking.hwndTrack, WM_MOUSELEAVE, 0, 0);
    }
    ShowWindow(hwnd_, SW_HIDE);
}

bool Win32Form::is_shown() const { return hwnd_ && IsWindowVisible(hwnd_); }

void Win32Form::start_system_move(std::function<void()> ended) {
    pressing_ = false;
    // The system's move follows the left button; with it up, the move is over at once.
    if (alive() && GetKeyState(VK_LBUTTON) < 0) {
        ReleaseCapture();
        // Returns when the button is let go; timers tick meanwhile.
        SendMessageA(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
    if (alive() && ended) run_step(ended);
}

std::uint32_t Win32Form::window_handle() const {
    // Window handles are 32-bit values on 64-bit Windows too, so other processes can use them.
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd_));
}

std::uint32_t Win32Form::icon_handle() const {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(icon_));
}

}  // namespace platform_win32
