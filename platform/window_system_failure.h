#pragma once
// The one line the program prints when it cannot reach a window system (no X server or
// Wayland compositor answers), in place of the toolkit's several lines and its abort.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A message the toolkit gave while it looked for a window system, held back until it is
// known whether one was found.
struct HeldMessage {
    enum class Level { Debug, Info, Warning } level = Level::Warning;
    std::string category;  // "qt.qpa.xcb", "default", ...
    std::string text;
};

using Environment = std::function<std::optional<std::string>(std::string_view name)>;

// "velmora3-c: cannot open a display (DISPLAY=:99, WAYLAND_DISPLAY not set): could not
// connect to display :99". The reasons are the warnings of the platform plugins that were
// tried, in order; the toolkit's generic "could not load the plugin" lines stand in only when
// no plugin said more, and its final message only when nothing was said before it.
std::string window_system_failure_line(std::string_view program, const Environment& env,
                                       const std::vector<HeldMessage>& held, std::string_view final_message);

}  // namespace platform
