// Without a window system the program says so in one line; while it looks for one, Qt's own
// messages are held back and handed on in order once a platform has started.

#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QtGlobal>

#include <map>
#include <string>
#include <vector>

#include "platform/qt/qt_window_system_guard.h"
#include "platform/window_system_failure.h"

namespace {

using Level = platform::HeldMessage::Level;

// What Qt 6.4 says, in order, before it gives up.
const platform::HeldMessage kXcbRefused = {Level::Warning, "qt.qpa.xcb", "could not connect to display :99"};
const platform::HeldMessage kXcbUnnamed = {Level::Warning, "qt.qpa.xcb", "could not connect to display "};
const platform::HeldMessage kWaylandRefused = {Level::Warning, "default",
                                               "Failed to create wl_display (No such file or directory)"};
const platform::HeldMessage kXcbNotLoaded = {
    Level::Warning, "qt.qpa.plugin", "Could not load the Qt platform plugin \"xcb\" in \"\" even though it was found."};
const platform::HeldMessage kNoSuchPlugin = {Level::Warning, "qt.qpa.plugin",
                                             "Could not find the Qt platform plugin \"bogus\" in \"\""};
const platform::HeldMessage kRuntimeDir = {Level::Info, "default", "QStandardPaths: runtime directory created"};
const std::string kGaveUp =
    "This application failed to start because no Qt platform plugin could be initialized. Reinstalling the "
    "application may fix this problem.\n\nAvailable platform plugins are: xcb, wayland, offscreen.";

TEST(WindowSystemFailure, NamesTheDisplayAndWhatEachPluginSaidInOneLine) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> env;
        std::vector<platform::HeldMessage> held;
        std::string final_message;
        std::string line;
    };
    // clang-format off
    const Case kCases[] = {
        {"no display named", {}, {kXcbUnnamed, kXcbNotLoaded}, kGaveUp,
         "velmora3-c: cannot open a display (DISPLAY not set, WAYLAND_DISPLAY not set): "
         "could not connect to display"},
        {"an X server that is not there", {{"DISPLAY", ":99"}}, {kXcbRefused, kXcbNotLoaded}, kGaveUp,
         "velmora3-c: cannot open a display (DISPLAY=:99, WAYLAND_DISPLAY not set): could not connect to display :99"},
        {"an empty DISPLAY is not set", {{"DISPLAY", ""}}, {kXcbUnnamed}, kGaveUp,
         "velmora3-c: cannot open a display (DISPLAY not set, WAYLAND_DISPLAY not set): "
         "could not connect to display"},
        {"Wayland tried before X, info left out", {{"WAYLAND_DISPLAY", "wayland-9"}},
         {kRuntimeDir, kWaylandRefused, kXcbUnnamed, kXcbNotLoaded}, kGaveUp,
         "velmora3-c: cannot open a display (DISPLAY not set, WAYLAND_DISPLAY=wayland-9): "
         "Failed to create wl_display (No such file or directory); could not connect to display"},
        {"a platform chosen by hand", {{"QT_QPA_PLATFORM", "bogus"}, {"DISPLAY", ":0"}}, {kNoSuchPlugin}, kGaveUp,
         "velmora3-c: cannot open a display (DISPLAY=:0, WAYLAND_DISPLAY not set, QT_QPA_PLATFORM=bogus): "
         "Could not find the Qt platform plugin \"bogus\" in \"\""},
        {"nothing said before giving up", {}, {}, kGaveUp,
         "velmora3-c: cannot open a display (DISPLAY not set, WAYLAND_DISPLAY not set): This application failed to "
         "start because no Qt platform plugin could be initialized. Reinstalling the application may fix this "
         "problem."},
        {"nothing said at all", {}, {}, "", "velmora3-c: cannot open a display (DISPLAY not set, WAYLAND_DISPLAY not set)"},
        {"a warning of several lines keeps its first",
         {{"DISPLAY", ":5"}},
         {{Level::Warning, "qt.qpa.xcb", "  could not connect\nsecond line\n"}},
         kGaveUp,
         "velmora3-c: cannot open a display (DISPLAY=:5, WAYLAND_DISPLAY not set): could not connect"},
    };
    // clang-format on
    for (const Case& c : kCases) {
        const auto env = [&](std::string_view name) -> std::optional<std::string> {
            const auto it = c.env.find(std::string(name));
            if (it == c.env.end()) return std::nullopt;
            return it->second;
        };
        const std::string line = platform::window_system_failure_line("velmora3-c", env, c.held, c.final_message);
        EXPECT_EQ(line, c.line) << c.what;
        EXPECT_EQ(line.find('\n'), std::string::npos) << c.what;
    }
}

// Every message that reaches the handler in place before the guard.
std::vector<std::string> seen;
void remember(QtMsgType, const QMessageLogContext& context, const QString& text) {
    seen.push_back(std::string(context.category ? context.category : "?") + ": " + text.toStdString());
}

Q_LOGGING_CATEGORY(kProbeCategory, "velmora.probe")

TEST(WindowSystemGuard, HoldsMessagesBackUntilReleasedThenHandsThemOnInOrder) {
    seen.clear();
    const QtMessageHandler before = qInstallMessageHandler(remember);
    {
        platform_qt::WindowSystemGuard guard("velmora3-c");
        qWarning("first");
        qCWarning(kProbeCategory) << "second";
        qInfo("third");
        EXPECT_TRUE(seen.empty()) << "handed on while the platform was still starting: " << seen.front();
        guard.release();
        EXPECT_EQ(seen, (std::vector<std::string>{"default: first", "velmora.probe: second", "default: third"}));
        qWarning("after");
        EXPECT_EQ(seen.back(), "default: after") << "the guard kept a message after it was released";
        guard.release();  // a second release hands nothing on twice
        EXPECT_EQ(seen.size(), 4u);
    }
    qWarning("outside");
    EXPECT_EQ(seen.back(), "default: outside");
    qInstallMessageHandler(before);
}

TEST(WindowSystemGuard, ReleasesWhenItGoesOutOfScope) {
    seen.clear();
    const QtMessageHandler before = qInstallMessageHandler(remember);
    {
        platform_qt::WindowSystemGuard guard("velmora3-c");
        qWarning("held");
        EXPECT_TRUE(seen.empty());
    }
    EXPECT_EQ(seen, std::vector<std::string>{"default: held"});
    qInstallMessageHandler(before);
}

}  // namespace
