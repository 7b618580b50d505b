#pragma once
// The window procedure of a class whose windows each belong to one object of ours: the object
// comes as the window's creation parameter, is kept in its user data, and takes every message
// from then on through its handle(); a window whose object has let it go (user data 0) answers
// as any window does.

#include <windows.h>

namespace platform_win32 {

template <class Owner>
LRESULT CALLBACK owner_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!owner) return DefWindowProcW(hwnd, message, wparam, lparam);
    return owner->handle(hwnd, message, wparam, lparam);
}

}  // namespace platform_win32
