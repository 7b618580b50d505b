#pragma once
// Guards the making of the application object, which connects to the window system.
//
// When no platform plugin can start (no X server at DISPLAY, no compositor at
// WAYLAND_DISPLAY, or neither named), Qt warns in several lines and then aborts, leaving a
// core dump. While a guard is armed Qt's messages are held back; if Qt gives up, the program
// prints one line naming the display it could not open and ends with kNoWindowSystemStatus.
// Once the application object exists, release() hands the held messages on to the handler
// that was in place before, in their order, and the guard steps aside.
//
// Which platform Qt tries, and in what order, stays Qt's choice: QT_QPA_PLATFORM, -platform
// and the offscreen platform work as they always did.

#include <QString>
#include <QtGlobal>

#include <mutex>
#include <string>
#include <vector>

#include "platform/window_system_failure.h"

namespace platform_qt {

inline constexpr int kNoWindowSystemStatus = 1;

class WindowSystemGuard {
public:
    explicit WindowSystemGuard(std::string program);
    ~WindowSystemGuard();
    WindowSystemGuard(const WindowSystemGuard&) = delete;
    WindowSystemGuard& operator=(const WindowSystemGuard&) = delete;

    void release();

private:
    static void on_message(QtMsgType type, const QMessageLogContext& context, const QString& text);

    std::string program_;
    std::mutex mutex_;
    struct Held {
        QtMsgType type;
        std::string file, function, category;
        int line;
        QString text;
    };
    std::vector<Held> held_;
};

}  // namespace platform_qt
