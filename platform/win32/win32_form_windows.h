#pragma once
// The windows one form is made of: the window itself, its frames (the surfaces its labels,
// lines and shape are painted on), the controls that are windows of their own, and the
// density they are laid out at. The form builds it and owns it; its painter, its input and its
// accessibility read it.

#include <windows.h>

#include <string_view>
#include <utility>
#include <vector>

#include "platform/forms/form_geometry.h"

namespace platform_win32 {

// Child controls and timers are numbered from here by their place in the model, clear of the
// dialog manager's IDOK and IDCANCEL.
inline constexpr int kFirstControlId = 100;

inline RECT to_rect(const forms::PixelRect& r) { return {r.left, r.top, r.right(), r.bottom()}; }

// A window's client area, in its own pixels.
inline forms::PixelRect client_area(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {0, 0, client.right, client.bottom};
}

struct FormWindows {
    HWND top = nullptr;                                       // nullptr once the window has gone
    std::vector<std::pair<HWND, std::string_view>> surfaces;  // the window (""), then its frames by name
    std::vector<HWND> controls;  // per control in the model: buttons, frames, pictures; nullptr for the rest
    unsigned dpi = 96;

    forms::Density density() const { return {static_cast<double>(dpi), static_cast<double>(dpi)}; }

    HWND surface_of(std::string_view container) const {
        for (const auto& [hwnd, name] : surfaces)
            if (name == container) return hwnd;
        return nullptr;
    }
    std::string_view container_of(HWND surface) const {
        for (const auto& [hwnd, name] : surfaces)
            if (hwnd == surface) return name;
        return "";
    }
};

}  // namespace platform_win32
