// Velmora Fest Countdown on Windows: wires the Win32 platform to the windows and shows Main.

#include <windows.h>
// windows.h names MessageBoxW "MessageBox", which would rename the program's interface.
#undef MessageBox

#include <string>

#include "app/win32/carried_families.h"
#include "identity/identity.h"
#include "main_window/main_window.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_launcher.h"
#include "platform/win32/win32_look.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_tray.h"
#include "secondary_windows/about_box.h"
#include "secondary_windows/arrival_window.h"

namespace {

// A program of the Windows subsystem started from Explorer has no standard error: then the
// line goes nowhere. Started from a console or under Wine it has one, and the line shows.
void write_to_standard_error(const std::string& line) {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    // Ignored on purpose: a report that cannot be written is not reported again.
    (void)WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Every DLL loaded from here on comes from System32 alone, never from the exe's folder
    // or the current one, where anyone may have put a file of the same name. Ignored on
    // purpose: it fails only on a Windows that predates it, which searches as it always did.
    (void)SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Before any window asks for a face; a family is added when a face falls through to it.
    platform_win32::carry_families(instance, kVelmoraCarriedFamilies);
    platform_win32::Win32Runtime runtime{std::string(identity::kProductName)};
    platform_win32::Win32Shell shell;
    platform_win32::Win32Tray tray(runtime);
    platform_win32::Win32Clock clock;
    platform_win32::Win32Registry registry;
    platform_win32::Win32Launcher launcher;
    secondary::AboutBox about(runtime, runtime, shell, "C++ and the Win32 API", registry, launcher);

    main_window::MainWindow main({
        .runtime = runtime,
        .boxes = runtime,
        .shell = shell,
        .tray = tray,
        .clock = clock,
        .log = write_to_standard_error,
        .open_about = [&] { about.open(); },
        .open_arrival_window = [&] { secondary::open_arrival_window(runtime, runtime); },
    });
    main.start();
    return runtime.run();
}
