#pragma once
// The program's icon in the notification area, by Shell_NotifyIconA.
//
// The shell tells a window of the tray's own about the icon: its callback message is
// WM_MOUSEMOVE, so every notification arrives as a mouse move whose lParam is the mouse
// message it stands for, and that code is what notify gets. When the shell starts again it
// broadcasts "TaskbarCreated", and the icon is placed again (or, where the shell still holds
// it, brought up to date), at the size of the shell's density then.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/tray.h"

namespace platform_win32 {

class Win32Runtime;

struct IconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using unique_icon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

class Win32Tray final : public platform::Tray {
public:
    // Every change of the icon goes through this call (Shell_NotifyIconA; tests watch it).
    using NotifyCall = std::function<BOOL(DWORD message, NOTIFYICONDATAA& data)>;

    explicit Win32Tray(Win32Runtime& runtime);
    Win32Tray(Win32Runtime& runtime, NotifyCall call);
    ~Win32Tray() override;
    Win32Tray(const Win32Tray&) = delete;
    Win32Tray& operator=(const Win32Tray&) = delete;

    bool add(const std::string& tooltip, std::function<void(int code)> notify) override;
    void remove() override;
    bool shown() const override { return shown_; }
    void on_availability(std::function<void(bool available)> changed) override;
    void set_menu(std::vector<platform::TrayMenuItem> items) override;

    // The window the shell's notifications come to.
    HWND window() const { return window_; }
    // The record the shell is given for the icon.
    NOTIFYICONDATAA record() const;
    static UINT taskbar_created();

    LRESULT handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

private:
    bool place();
    void open_menu();

    Win32Runtime& runtime_;
    NotifyCall call_;
    HWND window_ = nullptr;
    unique_icon icon_;  // nullptr: the system's own icon stands in
    std::string tooltip_;
    std::function<void(int)> notify_;
    std::function<void(bool)> changed_;
    std::vector<platform::TrayMenuItem> items_;
    bool wanted_ = false;  // added and not removed
    bool shown_ = false;
};

}  // namespace platform_win32
