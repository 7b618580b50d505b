#pragma once
// Reads every message box shown on this thread while a BoxReader lives, from a hook: once a box
// is up (the system sets its buttons and icon after it is activated) as a person reads it, its
// owner and whether a watched window took input meanwhile; then answers it with its first button.

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_text.h"
#include "tests/platform/forms_driver.h"

namespace win32_test {

// A window's text; a button's without the "&" that marks its access key.
inline std::string text_of(HWND hwnd, bool keep_ampersands = false) {
    wchar_t buffer[256] = {};
    const int n = GetWindowTextW(hwnd, buffer, 256);
    std::string text = platform_win32::to_utf8(std::wstring_view(buffer, static_cast<std::size_t>(n)));
    if (!keep_ampersands) std::erase(text, '&');
    return text;
}

inline bool is_class(HWND hwnd, std::wstring_view name) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    return name == cls;
}

inline platform::BoxIcon icon_of(HICON icon) {
    using enum platform::BoxIcon;
    return !icon                                         ? None
           : icon == LoadIconW(nullptr, IDI_HAND)        ? Critical
           : icon == LoadIconW(nullptr, IDI_QUESTION)    ? Question
           : icon == LoadIconW(nullptr, IDI_EXCLAMATION) ? Exclamation
           : icon == LoadIconW(nullptr, IDI_ASTERISK)    ? Information
                                                         : None;
}

// The box as a person reads it once it is up.
inline contract::Box read(HWND box) {
    contract::Box seen{.title = text_of(box), .buttons = {}};
    std::vector<std::pair<LONG, std::string>> buttons;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        RECT r;
        GetWindowRect(c, &r);
        if (is_class(c, L"Button")) buttons.emplace_back(r.left, text_of(c));
        if (is_class(c, L"Static") && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            seen.icon = icon_of(reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0)));
        else if (is_class(c, L"Static"))
            seen.lines = contract::lines_of(text_of(c, true));
    }
    std::sort(buttons.begin(), buttons.end());
    for (auto& [x, text] : buttons) seen.buttons.push_back(std::move(text));
    return seen;
}

// Answers the box with its first button, whichever it is.
inline void answer(HWND box) {
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (is_class(c, L"Button") && IsWindowVisible(c)) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), BN_CLICKED), reinterpret_cast<LPARAM>(c));
            return;
        }
}

class BoxReader {
public:
    UINT answer_after_ms = 50;
    std::vector<contract::Box> seen;
    // The last box's owner, and whether `watched` could be used while it was up.
    HWND owner = nullptr, watched = nullptr;
    bool watched_enabled = true;

    BoxReader() : hook_(SetWindowsHookExW(WH_CBT, on_cbt, nullptr, GetCurrentThreadId())) { current() = this; }
    ~BoxReader() {
        UnhookWindowsHookEx(hook_);
        current() = nullptr;
    }
    BoxReader(const BoxReader&) = delete;
    BoxReader& operator=(const BoxReader&) = delete;
    bool reading() const { return hook_ != nullptr; }

private:
    // The hook is per thread and the box's loop runs on this one: a static is the only way in.
    static BoxReader*& current() {
        static BoxReader* reader = nullptr;
        return reader;
    }
    // The mark lives on the box itself: a later box may take the handle of one gone.
    static constexpr wchar_t kMark[] = L"velmora_test_read";

    static void CALLBACK read_and_answer(HWND box, UINT, UINT_PTR id, DWORD) {
        KillTimer(box, id);
        if (BoxReader* reader = current()) {
            reader->seen.push_back(read(box));
            reader->owner = GetWindow(box, GW_OWNER);
            reader->watched_enabled = !reader->watched || IsWindowEnabled(reader->watched);
        }
        answer(box);
    }
    static LRESULT CALLBACK on_cbt(int code, WPARAM wparam, LPARAM lparam) {
        HWND box = reinterpret_cast<HWND>(wparam);
        if (code == HCBT_ACTIVATE && current() && is_class(box, L"#32770") && !GetPropW(box, kMark)) {
            SetPropW(box, kMark, box);
            SetTimer(box, 1, current()->answer_after_ms, read_and_answer);
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }

    HHOOK hook_;
};

}  // namespace win32_test
