#include "platform/win32/win32_tray.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/win32/win32_runtime.h"

namespace platform_win32 {

namespace {

constexpr wchar_t kTrayClass[] = L"VelmoraTray";
constexpr UINT kIconId = 1;
constexpr UINT kCallbackMessage = WM_MOUSEMOVE;  // the notification arrives as a mouse move

LRESULT CALLBACK tray_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* tray = reinterpret_cast<Win32Tray*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!tray) return DefWindowProcW(hwnd, message, wparam, lparam);
    return tray->handle(hwnd, message, wparam, lparam);
}

HICON tray_icon() {
    auto* icon =
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    return icon ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

}  // namespace

Win32Tray::Win32Tray(Win32Runtime& runtime)
    : Win32Tray(runtime, [](DWORD message, NOTIFYICONDATAA& data) { return Shell_NotifyIconA(message, &data); }) {}

Win32Tray::Win32Tray(Win32Runtime& runtime, NotifyCall call)
    : runtime_(runtime), call_(std::move(call)), icon_(tray_icon()) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = tray_procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kTrayClass;
        return RegisterClassExW(&wc) != 0;
    }();
    // A top-level window that is never shown: a message-only one would miss the shell's
    // broadcast of TaskbarCreated.
    if (registered)
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kTrayClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), this);
    if (!window_) throw std::runtime_error("cannot create the tray's window");
}

Win32Tray::~Win32Tray() {
    remove();
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

UINT Win32Tray::taskbar_created() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

NOTIFYICONDATAA Win32Tray::record() const {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof(data);
    data.hWnd = window_;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = icon_;
    // The tip field holds 64 characters; the record's own field has room for them and a NUL.
    const std::size_t length = std::min(tooltip_.size(), sizeof(data.szTip) - 1);
    tooltip_.copy(data.szTip, length);
    data.szTip[length] = '\0';
    return data;
}

bool Win32Tray::place() {
    NOTIFYICONDATAA data = record();
    shown_ = call_(NIM_ADD, data) != FALSE;
    return shown_;
}

bool Win32Tray::add(const std::string& tooltip, std::function<void(int code)> notify) {
    if (wanted_) remove();
    tooltip_ = tooltip.substr(0, tooltip.find('\0'));
    notify_ = std::move(notify);
    wanted_ = true;
    return place();
}

void Win32Tray::remove() {
    if (!wanted_) return;
    wanted_ = false;
    if (shown_) {
        NOTIFYICONDATAA data = record();
        call_(NIM_DELETE, data);  // an icon the shell has already lost is no failure
    }
    shown_ = false;
}

void Win32Tray::on_availability(std::function<void(bool available)> changed) { changed_ = std::move(changed); }

void Win32Tray::set_menu(std::vector<platform::TrayMenuItem> items) { items_ = std::move(items); }

LRESULT Win32Tray::handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kCallbackMessage && wparam == kIconId) {
        if (runtime_.ending()) return 0;
        const int code = static_cast<int>(lparam);
        if (notify_) notify_(code);
        if (code == WM_RBUTTONUP && !items_.empty()) open_menu();
        return 0;
    }
    if (message == taskbar_created() && taskbar_created() != 0) {
        // The shell started again and knows no icon of ours.
        if (wanted_) {
            place();
            if (changed_) changed_(shown_);
        }
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);  // window_ is not set while it is made
}

void Win32Tray::open_menu() {
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    for (std::size_t i = 0; i < items_.size(); ++i) AppendMenuA(menu, MF_STRING, i + 1, items_[i].text.c_str());
    POINT at;
    GetCursorPos(&at);
    // Without the foreground the menu would not close when the person clicks elsewhere.
    SetForegroundWindow(window_);
    const auto chosen = static_cast<std::size_t>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr));
    PostMessageW(window_, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (chosen >= 1 && chosen <= items_.size()) {
        const auto run = items_[chosen - 1].run;  // the item may replace the menu
        if (run) run();
    }
}

}  // namespace platform_win32
