// How long Main takes to paint on the Win32 runtime, two ways: one full paint (the window with
// all its controls invalidated and drawn again at once, RedrawWindow ... RDW_UPDATENOW, the
// sentence at its longest), and the paint of a changed second (the sentence written as the
// countdown writes it a second later, and what that invalidated painted), on the faces the
// program carries. Google Benchmark has no sources for the cross build, so this is a loop of
// our own around QueryPerformanceCounter: after a warm-up it times --paints of each and prints
// the fastest, the median and the slowest in microseconds, the area the changed second
// invalidates, then one line "paint_main_us median=... second_median=..." for scripts.
//
//   velmora_paint_win32.exe [--paints N]

#include <windows.h>
// windows.h names MessageBoxW "MessageBox", which would rename the program's interface.
#undef MessageBox

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/win32/carried_families.h"
#include "main_window/main_window.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_look.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_tray.h"
#include "tests/main_window/main_wiring.h"

namespace {

constexpr int kWarmUp = 20;

double microseconds(LONGLONG ticks, LONGLONG per_second) { return 1e6 * static_cast<double>(ticks) / per_second; }

}  // namespace

int main(int argc, char** argv) {
    int paints = 500;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--paints") == 0) paints = std::max(1, std::atoi(argv[i + 1]));

    platform_win32::carry_families(GetModuleHandleW(nullptr), kVelmoraCarriedFamilies);
    platform_win32::Win32Runtime runtime{"Velmora paint benchmark"};
    // The icon is not placed: the shell's answer is ours, and no notification area is needed.
    platform_win32::Win32Tray tray{runtime, [](DWORD, NOTIFYICONDATAA&) { return TRUE; }};
    // At 3 April 2013, 14:25:07: the sentence reads "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds".
    main_test::MainWiring wiring;
    main_window::MainWindow main{wiring.services(runtime, runtime, tray)};
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
        std::fprintf(stderr, "velmora_paint_win32: the sentence was never written: %s\n", wiring.log.str().c_str());
        return 1;
    }

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const auto timed = [&](const auto& paint) {
        std::vector<double> times;
        times.reserve(static_cast<std::size_t>(paints));
        LARGE_INTEGER before, after;
        for (int i = 0; i < kWarmUp + paints; ++i) {
            QueryPerformanceCounter(&before);
            paint(i);
            QueryPerformanceCounter(&after);
            if (i >= kWarmUp) times.push_back(microseconds(after.QuadPart - before.QuadPart, frequency.QuadPart));
        }
        std::sort(times.begin(), times.end());
        return times;
    };
    const std::vector<double> full = timed([&](int) {
        RedrawWindow(form->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    });

    // A second later the seconds read 52: the sentence written as the countdown writes it,
    // then what that invalidated painted, back and forth.
    const std::string seconds[2] = {form->fields().get("Final"), [&] {
                                        std::string s = form->fields().get("Final");
                                        const std::size_t at = s.find("53 Seconds");
                                        return at == s.npos ? s + "." : s.replace(at, 2, "52");
                                    }()};
    RECT dirty{};
    form->fields().set("Final", seconds[1]);
    GetUpdateRect(form->hwnd(), &dirty, FALSE);
    UpdateWindow(form->hwnd());
    const std::vector<double> second = timed([&](int i) {
        form->fields().set("Final", seconds[i % 2]);
        UpdateWindow(form->hwnd());
    });

    const auto print = [](const char* what, const std::vector<double>& t) {
        std::printf("%s, %zu paints: fastest %.1f us, median %.1f us, slowest %.1f us\n", what, t.size(), t.front(),
                    t[t.size() / 2], t.back());
    };
    print("one full paint of Main", full);
    print("the paint of a changed second", second);
    std::printf("a changed second invalidates %ld x %ld pixels at (%ld, %ld)\n", dirty.right - dirty.left,
                dirty.bottom - dirty.top, dirty.left, dirty.top);
    std::printf("paint_main_us median=%.1f second_median=%.1f\n", full[full.size() / 2], second[second.size() / 2]);
    return 0;
}
