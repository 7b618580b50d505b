#pragma once
// The Win32 API's driver under Wine (forms_driver.h): the loop is the runtime's own pump, the
// window's state is what the system says of it, Tab takes the buttons in the order the window
// steps the focus through them, and every message box that comes up is read and answered.

#include "tests/platform/win32/win32_box_reader.h"
#include "tests/platform/win32/win32_forms_fixture.h"

#include <oleacc.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/fakes/fake_platform.h"
#include "tests/platform/forms_driver.h"

namespace win32_test {

// A window's client object, as a screen reader asks for it, or nullptr.
inline IAccessible* client_object(HWND window) {
    IAccessible* client = nullptr;
    return AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                      reinterpret_cast<void**>(&client)) == S_OK
               ? client
               : nullptr;
}
inline VARIANT child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}
// get_accName, get_accDescription or get_accDefaultAction of a child; "(none)" where it has none.
inline std::string accessible_text(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*),
                                   long id) {
    BSTR text = nullptr;
    if ((object->*get)(child(id), &text) != S_OK || !text) return "(none)";
    std::string out = platform_win32::to_utf8(std::wstring_view(text, SysStringLen(text)));
    SysFreeString(text);
    return out;
}

struct Win32Driver {
    platform_win32::Win32Runtime runtime{probe::kAppTitle};
    fakes::FakeShell shell;
    win32_test::BoxReader box_reader;

    // A runtime before it left its last window's quit on the thread's queue, where it would end
    // this one's first message box at once.
    Win32Driver() {
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    void settle(int ms) {
        runtime.pump();
        win32_test::pump_for(runtime, std::chrono::milliseconds(ms));
    }
    bool wait_until(const std::function<bool()>& done) { return win32_test::pump_until(runtime, done); }
    void show(forms::Form& form) {
        form.show();
        const auto in_front = [&] { return GetForegroundWindow() == hwnd(form); };
        win32_test::pump_until(runtime, in_front, std::chrono::seconds(2));
        settle(30);
    }
    int native_state(forms::Form& form) {
        return IsIconic(hwnd(form)) ? forms::kMinimized : IsZoomed(hwnd(form)) ? forms::kMaximized : forms::kNormal;
    }
    void change_state_by_hand(forms::Form& form, int state) {
        ShowWindow(hwnd(form), state == forms::kMinimized   ? SW_MINIMIZE
                               : state == forms::kMaximized ? SW_MAXIMIZE
                                                            : SW_RESTORE);
        settle(20);
    }
    bool native_visible(forms::Form& form, std::string_view control) {
        return IsWindowVisible(win32(form).control_window(control));
    }
    std::vector<std::string> tab_stops(forms::Form& form) {
        std::vector<std::string> out;
        for (HWND button : win32(form).focus_order())
            for (const forms::Control& c : win32(form).model().controls)
                if (win32(form).control_window(c.name) == button) out.emplace_back(c.name);
        return out;
    }
    bool loaded(std::string_view model_name) { return runtime.find(model_name) != nullptr; }
    void close_box(forms::Form& form) { SendMessageW(hwnd(form), WM_CLOSE, 0, 0); }
    bool loop_ends_within(int ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        do {
            if (!runtime.pump()) return true;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        } while (std::chrono::steady_clock::now() < until);
        return false;
    }

    // The pointer's messages go where the system sends them: to the window under the point
    // (WindowFromPoint skips what is transparent to the pointer), or to the one that
    // captured it.
    void press(forms::Form& form, int x, int y, int button, int shift) {
        const UINT message = button == 2 ? WM_RBUTTONDOWN : button == 4 ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
        send_at(form, x, y, message, held(button) | keys(shift), false);
    }
    void release(forms::Form& form, int x, int y, int button, int shift) {
        const UINT message = button == 2 ? WM_RBUTTONUP : button == 4 ? WM_MBUTTONUP : WM_LBUTTONUP;
        send_at(form, x, y, message, keys(shift), true);
    }
    void move(forms::Form& form, int x, int y) { send_at(form, x, y, WM_MOUSEMOVE, 0, true); }
    // Keys go through the runtime's loop to the window with the focus, as typed.
    void key(forms::Form& form, contract::Key key) {
        using contract::Key;
        BYTE state[256];
        GetKeyboardState(state);
        if (key == Key::Backtab) {
            BYTE shifted[256];
            std::copy(std::begin(state), std::end(state), shifted);
            shifted[VK_SHIFT] = 0x80;
            SetKeyboardState(shifted);
        }
        const WPARAM vk = key == Key::Tab || key == Key::Backtab    ? VK_TAB
                          : key == Key::Return || key == Key::Enter ? VK_RETURN
                          : key == Key::Escape                      ? VK_ESCAPE
                                                                    : VK_SPACE;
        for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
            MSG msg{.hwnd = GetFocus() ? GetFocus() : hwnd(form),
                    .message = message,
                    .wParam = vk,
                    .lParam = 1,
                    .time = 0,
                    .pt = {}};
            runtime.deliver(msg);
        }
        SetKeyboardState(state);
        settle(20);
    }
    std::string focused(forms::Form& form) {
        const HWND focus = GetFocus();
        for (const forms::Control& c : win32(form).model().controls)
            if (focus && win32(form).control_window(c.name) == focus) return std::string(c.name);
        return "(none)";
    }
    void focus_window(forms::Form& form) { SetFocus(hwnd(form)); }
    // The colour a point of the window shows after a whole paint, as 0xRRGGBB, and a system
    // colour as drawn.
    std::uint32_t pixel(forms::Form& form, int x, int y) { return win32_test::capture(hwnd(form)).at(x, y); }
    contract::Picture picture(forms::Form& form) { return win32_test::capture(hwnd(form)); }
    std::uint32_t system_rgb(forms::Form&, int index) { return win32_test::rgb_of(GetSysColor(index)); }

    contract::Box read_box(const std::string& prompt, int style, const std::optional<std::string>& title,
                           int answer_after_ms) {
        const std::size_t before = box_reader.seen.size();
        const UINT usual = std::exchange(box_reader.answer_after_ms, static_cast<UINT>(answer_after_ms));
        runtime.show(prompt, style, title);
        box_reader.answer_after_ms = usual;
        const bool came = box_reader.reading() && box_reader.seen.size() > before;
        return came ? box_reader.seen.back() : contract::Box{.title = "(no box)", .buttons = {}};
    }
    const std::vector<contract::Box>& boxes() const { return box_reader.seen; }

    // A click in the middle of a control on the window's own surface.
    void click(forms::Form& form, std::string_view control) {
        const double dpi = win32(form).dpi();
        const forms::PixelRect r =
            forms::Density{dpi, dpi}.rect(win32(form).model().controls[win32(form).index_of(control)].rect);
        press(form, r.left + r.width / 2, r.top + r.height / 2, 1, contract::kNoShift);
        release(form, r.left + r.width / 2, r.top + r.height / 2, 1, contract::kNoShift);
        settle(5);
    }
    // A label's text as the window holds it to draw.
    std::string text(forms::Form& form, std::string_view label) { return form.fields().get(label); }
    std::vector<forms::Form*> windows(std::string_view name) const { return contract::windows_named(runtime, name); }
    int on_screen(const std::string& title) const {
        int n = 0;
        for (platform_win32::Win32Form* f : runtime.forms())
            n += IsWindowVisible(f->hwnd()) && win32_test::text_of(f->hwnd(), true) == title;
        return n;
    }
    // What a screen reader reads through AccessibleObjectFromWindow: a label's or a button's
    // name (children count the labels and buttons in the model's order from 1), or the window's.
    std::string reader_name(forms::Form& form, std::string_view control) {
        long id = 0;
        for (const forms::Control& c : win32(form).model().controls) {
            if (control.empty()) break;
            id += c.kind == forms::Kind::Label || c.kind == forms::Kind::Button;
            if (c.name == control) break;
        }
        IAccessible* client = client_object(hwnd(form));
        const std::string name = client ? accessible_text(client, &IAccessible::get_accName, id) : "(not read)";
        if (client) client->Release();
        return name;
    }

protected:
    static WPARAM held(int button) { return button == 2 ? MK_RBUTTON : button == 4 ? MK_MBUTTON : MK_LBUTTON; }
    static WPARAM keys(int shift) {
        return (shift & contract::kShift ? MK_SHIFT : 0) | (shift & contract::kControl ? MK_CONTROL : 0);
    }
    void send_at(forms::Form& form, int x, int y, UINT message, WPARAM wparam, bool to_capture) {
        POINT at{x, y};
        ClientToScreen(hwnd(form), &at);
        HWND target = to_capture && GetCapture() ? GetCapture() : WindowFromPoint(at);
        ASSERT_NE(target, nullptr);
        ScreenToClient(target, &at);
        SendMessageW(target, message, wparam, MAKELPARAM(at.x, at.y));
    }

    static platform_win32::Win32Form& win32(forms::Form& form) { return static_cast<platform_win32::Win32Form&>(form); }
    static HWND hwnd(forms::Form& form) { return win32(form).hwnd(); }
};

}  // namespace win32_test
