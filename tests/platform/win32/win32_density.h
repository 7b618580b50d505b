#pragma once
// What the font and fit tests share: a window moved to another density the way the system
// moves it (WM_DPICHANGED, as when it is dragged onto a monitor of that density), and a
// control's place in its window's pixels.

#include <windows.h>

#include <string_view>

#include "platform/forms/form_geometry.h"
#include "platform/win32/win32_form.h"

namespace win32_test {

inline constexpr unsigned kDensities[] = {96, 144, 192};  // 100 %, 150 %, 200 %

inline void move_to_density(platform_win32::Win32Form& form, unsigned dpi) {
    RECT at;
    GetWindowRect(form.hwnd(), &at);
    SendMessageW(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&at));
}

inline const forms::Control& control_of(const forms::WindowModel& model, std::string_view name) {
    for (const forms::Control& c : model.controls)
        if (c.name == name) return c;
    throw std::invalid_argument("no control " + std::string(name));
}

// A control's rectangle in its window's pixels, and the part of it its containers let show,
// at the window's density or at another.
struct Place {
    forms::PixelRect rect, room;
};
inline Place place_of(const platform_win32::Win32Form& form, const forms::Control& c, const forms::Density& d) {
    Place p{d.rect(c.rect), d.rect(c.rect)};
    for (std::string_view in = c.container; !in.empty();) {
        const forms::Control& frame = control_of(form.model(), in);
        const forms::PixelRect f = d.rect(frame.rect);
        p.rect.left += f.left;
        p.rect.top += f.top;
        p.room.left += f.left;
        p.room.top += f.top;
        p.room = p.room.intersected(f);
        in = frame.container;
    }
    return {p.rect, p.room.intersected({0, 0, d.x(form.model().client_width), d.y(form.model().client_height)})};
}
inline Place place_of(const platform_win32::Win32Form& form, const forms::Control& c) {
    return place_of(form, c, form.density());
}

// Shown itself and in every container.
inline bool shows(const platform_win32::Win32Form& form, const forms::Control& c) {
    for (const forms::Control* k = &c;; k = &control_of(form.model(), k->container)) {
        if (!form.is_visible(k->name)) return false;
        if (k->container.empty()) return true;
    }
}

}  // namespace win32_test
