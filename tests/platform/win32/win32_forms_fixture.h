#pragma once
// What the forms runtime's tests share: taking messages for a while, reading a window's
// pixels back, and recording which handlers ran.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/form_bindings.h"
#include "platform/forms.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_runtime.h"

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

// The client area as it is on the screen, 0x00RRGGBB per pixel.
struct Capture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels.at(static_cast<std::size_t>(y * width + x)); }
    static std::uint32_t rgb(COLORREF c) { return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c); }
};

// Painted whole first, or with `as_painted` as the paints so far left it.
inline Capture capture(HWND hwnd, bool as_painted = false) {
    if (!as_painted) RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client;
    GetClientRect(hwnd, &client);
    Capture out{.width = client.right, .height = client.bottom, .pixels = {}};
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

// Handlers that write what reached them into a log: "Label1 MouseDown 1 0 150 300".
struct EventLog {
    std::vector<std::string> lines;

    forms::Binding on(std::string_view control, forms::Event event) {
        return {control, event, [this, control, event](forms::Form&, const forms::Mouse& m) {
                    std::string line = std::string(control) + " " + std::string(forms::event_name(event));
                    if (event == forms::Event::MouseDown || event == forms::Event::Click)
                        line += " " + std::to_string(m.button) + " " + std::to_string(m.shift) + " " +
                                std::to_string(static_cast<int>(m.x)) + " " + std::to_string(static_cast<int>(m.y));
                    lines.push_back(line);
                }};
    }
    std::size_t count(const std::string& prefix) const {
        std::size_t n = 0;
        for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
        return n;
    }
};

}  // namespace win32_test
