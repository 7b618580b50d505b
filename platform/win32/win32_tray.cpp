#include "platform/win32/win32_tray.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/win32/win32_owner_procedure.h"
#include "platform/win32/win32_runtime.h"

namespace platform_win32 {

namespace {

constexpr wchar_t kTrayClass[] = L"VelmoraTray";
constexpr UINT kIconId = 1;
constexpr UINT kCallbackMessage = WM_MOUSEMOVE;  // the notification arrives as a mouse move

// The program's icon at the small-icon size of the density the notification area runs at
// (the main screen's, where the tray's hidden window lies).
unique_icon tray_icon(HWND window) {
    UINT dpi = window ? GetDpiForWindow(window) : 0;
    if (dpi == 0) dpi = GetDpiForSystem();
    const int width = GetSystemMetricsForDpi(SM_CXSMICON, dpi), height = GetSystemMetricsForDpi(SM_CYSMICON, dpi);
    // Not shared: a shared image keeps the size it was first loaded at. Without an icon of
    // the program's own, the system's stands in, at the same size.
    if (auto* own = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, width, height, 0)))
        return unique_icon(own);
    return unique_icon(
        static_cast<HICON>(CopyImage(LoadIconW(nullptr, IDI_APPLICATION), IMAGE_ICON, width, height, 0)));
}

}  // namespace

Win32Tray::Win32Tray(Win32Runtime& runtime)
    : Win32Tray(runtime, [](DWORD message, NOTIFYICONDATAA& data) { return Shell_NotifyIconA(message, &data); }) {}

Win32Tray::Win32Tray(Win32Runtime& runtime, NotifyCall call) : runtime_(runtime), call_(std::move(call)) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = owner_procedure<Win32Tray>;
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
    icon_ = tray_icon(window_);
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
    data.hIcon = icon_ ? icon_.get() : LoadIconW(nullptr, IDI_APPLICATION);
    // The tip field holds 64 characters; the record's own field has room for them and a NUL.
    const std::size_t length = std::min(tooltip_.size(), sizeof(data.szTip) - 1);
    tooltip_.copy(data.szTip, length);
    data.szTip[length] = '\0';
    return data;
}

bool Win32Tray::place() {
    NOTIFYICONDATAA data = record();
    // The shell may announce itself again while it still holds the icon (seen after changes
    // of scale or of a remote session): then the add fails and the icon is brought up to date.
    shown_ = call_(NIM_ADD, data) != FALSE || call_(NIM_MODIFY, data) != FALSE;
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
        // The shell started again, or changed its scale: the icon is placed again, at the size
        // the shell now draws it.
        if (wanted_) {
            if (unique_icon icon = tray_icon(window_)) icon_ = std::move(icon);
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
