#pragma once
// What the forms runtime's tests share: taking messages for a while, reading a window's
// pixels back as a Picture.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/forms/forms.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_runtime.h"
#include "tests/platform/forms_driver.h"

namespace win32_test {

inline constexpr char kAppTitle[] = "Velmora test";

// Takes messages until `done` holds or the time is up; returns whether it held.
inline bool pump_until(platform_win32::Win32Runtime& runtime, const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        runtime.pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

inline void pump_for(platform_win32::Win32Runtime& runtime, std::chrono::milliseconds time) {
    const auto never = [] { return false; };
    pump_until(runtime, never, time);
}

// A system colour as 0xRRGGBB, as a Picture holds it.
inline std::uint32_t rgb_of(COLORREF c) { return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c); }

// The client area as it is on the screen, painted whole first, or with `as_painted` as the
// paints so far left it.
inline contract::Picture capture(HWND hwnd, bool as_painted = false) {
    if (!as_painted) RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client;
    GetClientRect(hwnd, &client);
    contract::Picture out{.width = client.right, .height = client.bottom, .pixels = {}};
    BITMAPINFO info{};
    info.bmiHeader = {.biSize = sizeof(BITMAPINFOHEADER),
                      .biWidth = out.width,
                      .biHeight = -out.height,  // top row first
                      .biPlanes = 1,
                      .biBitCount = 32,
                      .biCompression = BI_RGB,
                      .biSizeImage = 0,
                      .biXPelsPerMeter = 0,
                      .biYPelsPerMeter = 0,
                      .biClrUsed = 0,
                      .biClrImportant = 0};
    void* bits = nullptr;
    HDC window_dc = GetDC(hwnd);
    HDC dc = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, out.width, out.height, window_dc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    out.pixels.assign(p, p + static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (auto& px : out.pixels) px &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(hwnd, window_dc);
    return out;
}

}  // namespace win32_test
