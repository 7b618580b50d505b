// How long one full paint of Main takes on the Win32 runtime: the window with all its
// controls invalidated and drawn again at once (RedrawWindow ... RDW_UPDATENOW), the sentence
// at its longest, on the faces the program carries. Google Benchmark has no sources for the
// cross build, so this is a loop of our own around QueryPerformanceCounter: after a warm-up
// it times each of --paints paints and prints the fastest, the median and the slowest in
// microseconds, then one line "paint_main_us median=..." for scripts.
//
//   velmora_paint_win32.exe [--paints N]

#include <windows.h>
// windows.h names MessageBoxW "MessageBox", which would rename the program's interface.
#undef MessageBox

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "app/win32/resource_ids.h"
#include "main_window/main_window.h"
#include "platform/fakes/fake_clock.h"
#include "platform/fakes/fake_platform.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_look.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_tray.h"

namespace {

constexpr int kWarmUp = 20;

double microseconds(LONGLONG ticks, LONGLONG per_second) { return 1e6 * static_cast<double>(ticks) / per_second; }

}  // namespace

int main(int argc, char** argv) {
    int paints = 500;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--paints") == 0) paints = std::max(1, std::atoi(argv[i + 1]));

    platform_win32::add_carried_fonts(GetModuleHandleW(nullptr), kVelmoraCarriedFonts);
    platform_win32::Win32Runtime runtime{"Velmora paint benchmark"};
    // The icon is not placed: the shell's answer is ours, and no notification area is needed.
    platform_win32::Win32Tray tray{runtime, [](DWORD, NOTIFYICONDATAA&) { return TRUE; }};
    fakes::FakeShell shell;
    // 3 April 2013, 14:25:07: the sentence reads "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds".
    fakes::FakeClock clock{{2013, 4, 3, 14, 25, 7}};
    std::ostringstream log;
    main_window::MainWindow main{{
        .runtime = runtime,
        .boxes = runtime,
        .shell = shell,
        .tray = tray,
        .clock = clock,
        .log = engine::line_sink(log),
        .open_about = [] {},
        .open_arrival_window = [] {},
    }};
    main.start();
    platform_win32::Win32Form* form = runtime.find("Main");
    if (!form) {
        std::fprintf(stderr, "velmora_paint_win32: Main did not load\n");
        return 1;
    }
    for (int i = 0; i < 20; ++i) {  // the first runs write the sentence
        runtime.pump();
        Sleep(10);
    }
    if (form->fields().get("Final") == "Label2") {
        std::fprintf(stderr, "velmora_paint_win32: the sentence was never written: %s\n", log.str().c_str());
        return 1;
    }

    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(paints));
    for (int i = 0; i < kWarmUp + paints; ++i) {
        QueryPerformanceCounter(&before);
        RedrawWindow(form->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        QueryPerformanceCounter(&after);
        if (i >= kWarmUp) times.push_back(microseconds(after.QuadPart - before.QuadPart, frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    std::printf("one full paint of Main, %d paints: fastest %.1f us, median %.1f us, slowest %.1f us\n", paints,
                times.front(), times[times.size() / 2], times.back());
    std::printf("paint_main_us median=%.1f\n", times[times.size() / 2]);
    return 0;
}
