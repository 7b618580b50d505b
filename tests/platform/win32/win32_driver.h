#pragma once
// The forms contract's driver for the Win32 API under Wine: the loop is the runtime's own
// pump, the window's state is what the system says of it, and Tab takes the buttons in the
// order the window steps the focus through them. (forms_contract.h says what a driver has.)

#include "tests/platform/win32/win32_box_reader.h"
#include "tests/platform/win32/win32_forms_fixture.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
// After windows.h: the contract's headers name no Windows type.
#include "tests/platform/forms_contract.h"

namespace win32_test {

struct Win32Driver {
    platform_win32::Win32Runtime runtime{probe::kAppTitle};

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
    contract::Picture picture(forms::Form& form) {
        win32_test::Capture c = win32_test::capture(hwnd(form));
        return {.width = c.width, .height = c.height, .pixels = std::move(c.pixels)};
    }
    std::uint32_t system_rgb(forms::Form&, int index) { return win32_test::Capture::rgb(GetSysColor(index)); }

    contract::Box read_box(const std::string& prompt, int style, const std::optional<std::string>& title,
                           int answer_after_ms) {
        const win32_test::SeenBox seen =
            win32_test::read_box(runtime, prompt, style, title, static_cast<UINT>(answer_after_ms));
        using enum platform::BoxIcon;
        const platform::BoxIcon icon = !seen.icon                                         ? None
                                       : seen.icon == LoadIconW(nullptr, IDI_HAND)        ? Critical
                                       : seen.icon == LoadIconW(nullptr, IDI_QUESTION)    ? Question
                                       : seen.icon == LoadIconW(nullptr, IDI_EXCLAMATION) ? Exclamation
                                       : seen.icon == LoadIconW(nullptr, IDI_ASTERISK)    ? Information
                                                                                          : None;
        return {.title = seen.title, .text = seen.text, .buttons = seen.buttons, .icon = icon};
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
