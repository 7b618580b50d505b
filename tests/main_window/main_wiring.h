#pragma once
// Main wired as the program wires it, on whichever runtime and tray a test brings, with fakes
// for the shell and the clock (3 April 2013, 14:25:07, a day of full countdown work) and
// counters for what Main asks of the rest of the program.

#include <sstream>

#include "main_window/main_window.h"
#include "platform/fakes/fake_clock.h"
#include "platform/fakes/fake_platform.h"

namespace main_test {

struct MainWiring {
    fakes::FakeShell shell;
    fakes::FakeClock clock{{2013, 4, 3, 14, 25, 7}};
    std::ostringstream log;  // the runs' failure lines
    int about_requests = 0;
    int arrival_windows = 0;

    main_window::Services services(forms::Runtime& runtime, platform::MessageBox& boxes, platform::Tray& tray) {
        return {
            .runtime = runtime,
            .boxes = boxes,
            .shell = shell,
            .tray = tray,
            .clock = clock,
            .log = engine::line_sink(log),
            .open_about = [this] { ++about_requests; },
            .open_arrival_window = [this] { ++arrival_windows; },
        };
    }
};

}  // namespace main_test
