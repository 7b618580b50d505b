// Velmora Fest Countdown: wires the real platform to the windows and shows Main.

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>

#include <chrono>
#include <cstdio>
#include <string>

#include "identity/identity.h"
#include "main_window/main_window.h"
#include "platform/posix/exit_deadline.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_launcher.h"
#include "platform/qt/qt_runtime.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_tray.h"
#include "platform/qt/qt_window_system_guard.h"
#include "secondary_windows/about_box.h"
#include "secondary_windows/arrival_window.h"

namespace {

// The largest size a window manager, a task bar and a notification area draw the icon at (a
// 32-pixel window icon at scale 2).
constexpr int kLargestDrawnIcon = 64;

// How long the windows, the tray and the toolkit may take to go once the event loop has
// returned; an orderly end takes a few milliseconds.
constexpr std::chrono::seconds kTeardownLimit{2};

// Each picture up to that size is decoded once, as PNG by name, so no image-format plugin is
// loaded to guess the format, and the larger pictures compiled in for the About box's and the
// desktop's use stay unread.
QIcon program_icon() {
    QIcon icon;
    for (int size : identity::kIconSizes) {
        if (size > kLargestDrawnIcon) continue;
        QImageReader png(QStringLiteral(":/velmora/icons/%1.png").arg(size), "png");
        png.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(png.read()));
    }
    return icon;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Without a display Qt would abort; the guard says so in one line and ends instead.
    platform_qt::WindowSystemGuard no_display_guard("velmora3-c");
    // Outlives the application object, whose Wayland teardown can hang in Qt 6.4.
    platform::ExitDeadline teardown_deadline(kTeardownLimit);
    QApplication app(argc, argv);
    no_display_guard.release();
    QApplication::setApplicationName(QStringLiteral("velmora3-c"));
    QApplication::setApplicationVersion(QString::fromUtf8(identity::kVersion));
    QApplication::setDesktopFileName(QStringLiteral("velmora3-c"));
    QApplication::setWindowIcon(program_icon());

    platform_qt::QtRuntime runtime{std::string(identity::kProductName)};
    platform_qt::QtShell shell;
    platform_qt::QtTray tray(QApplication::windowIcon());
    platform::PosixClock clock;
    // Linux keeps no registry to find the system-information tool by; were it found, it
    // would be started as any program is here.
    platform::AbsentRegistry registry;
    platform::PosixLauncher launcher;
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt", registry, launcher);

    main_window::MainWindow main({
        .runtime = runtime,
        .boxes = runtime,
        .shell = shell,
        .tray = tray,
        .clock = clock,
        .log =
            [](const std::string& line) {
                std::fwrite(line.data(), 1, line.size(), stderr);
                std::fflush(stderr);
            },
        .open_about = [&] { about.open(); },
        .open_arrival_window = [&] { secondary::open_arrival_window(runtime, runtime); },
    });
    main.start();
    const int status = runtime.run();
    teardown_deadline.arm(status);
    return status;
}
