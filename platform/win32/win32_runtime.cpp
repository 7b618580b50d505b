#include "platform/win32/win32_runtime.h"

#include <cstdio>
#include <utility>

#include "platform/win32/win32_form.h"
#include "platform/win32/win32_text.h"

namespace platform_win32 {

namespace {

UINT icon_style(platform::BoxIcon icon) {
    switch (icon) {
        case platform::BoxIcon::Critical: return MB_ICONHAND;
        case platform::BoxIcon::Question: return MB_ICONQUESTION;
        case platform::BoxIcon::Exclamation: return MB_ICONEXCLAMATION;
        case platform::BoxIcon::Information: return MB_ICONASTERISK;
        case platform::BoxIcon::None: break;
    }
    return 0;
}

}  // namespace

Win32Runtime::Win32Runtime(std::string application_title) : application_title_(std::move(application_title)) {
    // The windows answer screen readers with COM objects.
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

Win32Runtime::~Win32Runtime() {
    windows_.close_all();
    if (com_) CoUninitialize();
}

forms::Form& Win32Runtime::load(const forms::WindowModel& model, std::vector<forms::Binding> bindings) {
    return windows_.load(std::make_unique<Win32Form>(*this, model, std::move(bindings)));
}

void Win32Runtime::end_program() {
    if (!windows_.end()) return;
    if (!std::exchange(quit_posted_, true)) PostQuitMessage(0);
}

double Win32Runtime::twips_per_pixel_x() const {
    // Asked for every notification of the tray icon, the pointer passing over it included:
    // the system's density is a value user32 keeps, where the screen's device context would
    // be taken and given back each time.
    const UINT dpi = GetDpiForSystem();
    return 1440.0 / (dpi > 0 ? dpi : 96);
}

void Win32Runtime::reset_pointer() { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }

Win32Runtime::BoxCall Win32Runtime::box_call(const std::string& prompt, int style,
                                             const std::optional<std::string>& title) const {
    // The box belongs to the window of ours that is active, if any, so it opens over it.
    HWND active = GetActiveWindow();
    HWND owner = nullptr;
    for (const Win32Form* f : forms())
        if (f->hwnd() == active) owner = active;
    // Only a button set and an icon the system defines reach it, as the other platforms show
    // them: a code that names no set (the farewell box's 11) is OK, where Windows could refuse
    // the box and show nothing. The box is modal to the whole program.
    const UINT system_style =
        static_cast<UINT>(platform::button_set(style)) | icon_style(platform::box_layout(style).icon) | MB_TASKMODAL;
    return {.owner = owner,
            .text = to_wide(std::string_view(prompt).substr(0, prompt.find('\0'))),
            .title = to_wide(title ? *title : application_title_),
            .style = system_style};
}

void Win32Runtime::show(const std::string& prompt, int style, const std::optional<std::string>& title) {
    if (ending()) return;
    const BoxCall call = box_call(prompt, style, title);
    // A task-modal box with an owner disables only the owner: the others are disabled here
    // for the time the box is up.
    std::vector<HWND> disabled;
    for (const Win32Form* f : forms())
        if (f->hwnd() && f->hwnd() != call.owner && IsWindowEnabled(f->hwnd())) {
            EnableWindow(f->hwnd(), FALSE);
            disabled.push_back(f->hwnd());
        }
    MessageBoxW(call.owner, call.text.c_str(), call.title.c_str(), call.style);  // the answer is never read
    for (HWND w : disabled)
        if (IsWindow(w)) EnableWindow(w, TRUE);
}

void Win32Runtime::deliver(MSG& msg) {
    // Keys go through the dialog manager of the window they are typed in; the timers' ticks
    // and every other message go straight to their window.
    const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
    HWND root = key && msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root)
        for (Win32Form* f : forms()) {
            if (f->hwnd() != root) continue;
            // Tab follows the tab indexes across frames, which the dialog manager, going by
            // each container's own children, would not.
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && f->step_focus(GetKeyState(VK_SHIFT) < 0)) return;
            if (msg.message == WM_CHAR && msg.wParam == L'\t') return;
            if (IsDialogMessageW(root, &msg)) return;
        }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int Win32Runtime::run() {
    if (!ending() && forms().empty()) return 0;
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got < 0) return 1;
        deliver(msg);
        reap();
    }
}

bool Win32Runtime::pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        deliver(msg);
        reap();
    }
    return !ending();
}

std::vector<Win32Form*> Win32Runtime::forms() const { return windows_.loaded(); }

Win32Form* Win32Runtime::find(std::string_view model_name) const { return windows_.find(model_name); }

void Win32Runtime::form_gone(Win32Form&) {
    if (windows_.last_gone() && !std::exchange(quit_posted_, true)) PostQuitMessage(0);
}

void Win32Runtime::reap() { windows_.reap(); }

void Win32Runtime::report_failure(std::string_view control, std::string_view what) { windows_.report(control, what); }

}  // namespace platform_win32
