// The Windows floor: what a Win32 window and two 100 ms timers cost before any work of the
// countdown's own. The same window as the countdown's Main (257 x 145 pixels, borderless,
// black) and two timers with its interval whose ticks do nothing. The Wine benchmark
// (bench/process/measure_wine.py) runs it beside Velmora3-C.exe and divides by its figures.
//
// Built with VELMORA_FLOOR_PAINTS it is the paint floor: the same, and once a second (every
// tenth tick of the first timer) the area a changed second of Main invalidates is painted
// again with two digits, in one ExtTextOutW: what a window whose text changes once a second
// costs the system at the least.

#include <windows.h>

namespace {

constexpr int kWidth = 257;
constexpr int kHeight = 145;
constexpr UINT kInterval = 100;  // ms, as Timer1 and Timer2 of Main
// The benchmark finds the window by this title.
#ifdef VELMORA_FLOOR_PAINTS
constexpr bool kPaints = true;
constexpr wchar_t kTitle[] = L"velmora paint floor";
#else
constexpr bool kPaints = false;
constexpr wchar_t kTitle[] = L"velmora floor";
#endif
constexpr wchar_t kClass[] = L"VelmoraFloor";
constexpr RECT kSecond{127, 59, 212, 94};  // where a changed second of Main is painted, 96 dpi
constexpr UINT_PTR kFirstTimer = 1;
constexpr UINT_PTR kSecondTimer = 2;

int ticks = 0;

void paint_second(HWND hwnd) {
    static const HFONT font = CreateFontW(-35, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                                          L"Roadgeek 2014 Series C");
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const HGDIOBJ old = SelectObject(dc, font);
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextColor(dc, RGB(120, 120, 255));
    const wchar_t digits[2] = {static_cast<wchar_t>(L'0' + ticks / 100 % 6),
                               static_cast<wchar_t>(L'0' + ticks / 10 % 10)};
    ExtTextOutW(dc, kSecond.left, kSecond.top, ETO_OPAQUE, &kSecond, digits, 2, nullptr);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK floor_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER:
            // The floor's ticks do nothing; the paint floor's mark a second once a second.
            if (kPaints && wparam == kFirstTimer && ++ticks % 10 == 0) InvalidateRect(hwnd, &kSecond, FALSE);
            return 0;
        case WM_PAINT:
            if (!kPaints) return DefWindowProcW(hwnd, message, wparam, lparam);
            paint_second(hwnd);
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = floor_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = kClass;
    if (!RegisterClassW(&window_class)) return 1;

    HWND hwnd = CreateWindowExW(0, kClass, kTitle, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, nullptr,
                                nullptr, instance, nullptr);
    if (!hwnd) return 1;
    // Two independent timers, like Timer1 and Timer2: the message loop wakes for each.
    if (!SetTimer(hwnd, kFirstTimer, kInterval, nullptr) || !SetTimer(hwnd, kSecondTimer, kInterval, nullptr)) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
