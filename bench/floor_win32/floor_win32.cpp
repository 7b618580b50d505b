// The Windows floor: what a Win32 window and two 100 ms timers cost before any work of the
// countdown's own. The same window as the countdown's Main (257 x 145 pixels, borderless,
// black) and two timers with its interval whose ticks do nothing. The Wine benchmark
// (bench/process/measure_wine.py) runs it beside Velmora3-C.exe and divides by its figures.

#include <windows.h>

namespace {

constexpr int kWidth = 257;
constexpr int kHeight = 145;
constexpr UINT kInterval = 100;  // ms, as Timer1 and Timer2 of Main
// The benchmark finds the window by this title.
constexpr wchar_t kTitle[] = L"velmora floor";
constexpr wchar_t kClass[] = L"VelmoraFloor";
constexpr UINT_PTR kFirstTimer = 1;
constexpr UINT_PTR kSecondTimer = 2;

LRESULT CALLBACK floor_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER: return 0;  // the ticks do nothing: that is the floor
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
