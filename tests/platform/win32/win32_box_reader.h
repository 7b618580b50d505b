#pragma once
// Reads the message box the runtime shows, from a hook on this thread: once it is up (the
// system sets its buttons and icon after it is activated) its title, buttons and icon, its
// owner and whether a watched window took input meanwhile; then answers it with its first
// button.

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_text.h"

namespace win32_test {

struct SeenBox {
    std::string title;
    std::string text;                  // the prompt's static control's, as it holds it
    std::vector<std::string> buttons;  // without their "&", from left to right
    HICON icon = nullptr;
    HWND owner = nullptr;
    bool watched_enabled = true;  // whether g_watched could be used while the box was up
};

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

// The hook is per thread and the box's loop runs on this one: statics are the only way in.
inline std::vector<SeenBox>* g_seen = nullptr;
inline HWND g_box = nullptr;
inline HWND g_watched = nullptr;
inline UINT g_answer_after_ms = 50;

// Answers the box with its first button, whichever it is.
inline void answer(HWND box) {
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (is_class(c, L"Button") && IsWindowVisible(c)) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), BN_CLICKED), reinterpret_cast<LPARAM>(c));
            return;
        }
}

// Reads the box once it is up (the system sets its buttons and icon after it is activated),
// then answers it.
inline void CALLBACK read_and_answer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND box = g_box;
    SeenBox seen{.title = text_of(box),
                 .text = {},
                 .buttons = {},
                 .icon = nullptr,
                 .owner = GetWindow(box, GW_OWNER),
                 .watched_enabled = !g_watched || IsWindowEnabled(g_watched)};
    std::vector<std::pair<LONG, std::string>> buttons;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        RECT r;
        GetWindowRect(c, &r);
        if (is_class(c, L"Button")) buttons.emplace_back(r.left, text_of(c));
        if (is_class(c, L"Static") && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            seen.icon = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0));
        else if (is_class(c, L"Static"))
            seen.text = text_of(c, true);
    }
    std::sort(buttons.begin(), buttons.end());
    for (auto& [x, text] : buttons) seen.buttons.push_back(std::move(text));
    if (g_seen) g_seen->push_back(seen);
    answer(box);
}

inline LRESULT CALLBACK on_cbt(int code, WPARAM wparam, LPARAM lparam) {
    HWND box = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && g_seen && is_class(box, L"#32770") && !g_box) {
        g_box = box;
        SetTimer(nullptr, 0, g_answer_after_ms, read_and_answer);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

// Shows a box through the runtime and returns it as it was up ("(no box)" if none came).
inline SeenBox read_box(platform_win32::Win32Runtime& runtime, const std::string& prompt, int style,
                        const std::optional<std::string>& title, UINT answer_after_ms = 50) {
    std::vector<SeenBox> seen;
    g_seen = &seen;
    g_box = nullptr;  // one box a show; a later one may reuse the handle
    g_answer_after_ms = answer_after_ms;
    HHOOK hook = SetWindowsHookExW(WH_CBT, on_cbt, nullptr, GetCurrentThreadId());
    runtime.show(prompt, style, title);
    UnhookWindowsHookEx(hook);
    g_seen = nullptr;
    return seen.empty() || !hook
               ? SeenBox{.title = "(no box)", .text = {}, .buttons = {}, .icon = nullptr, .owner = nullptr}
               : seen.front();
}

}  // namespace win32_test
