#include "platform/window_system_failure.h"

namespace platform {
namespace {

// The category under which the toolkit reports, in general terms, that a plugin failed.
constexpr std::string_view kPluginLoaderCategory = "qt.qpa.plugin";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\n") - first + 1);
}

std::string first_line(std::string_view text) {
    text = trimmed(text);
    return std::string(trimmed(text.substr(0, text.find('\n'))));
}

void append_joined(std::string& out, std::string_view part, std::string_view separator) {
    if (part.empty()) return;
    if (!out.empty()) out += separator;
    out += part;
}

}  // namespace

std::string window_system_failure_line(std::string_view program, const Environment& env,
                                       const std::vector<HeldMessage>& held, std::string_view final_message) {
    std::string settings;
    for (std::string_view name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const auto value = env(name);
        append_joined(settings,
                      value && !value->empty() ? std::string(name) + "=" + *value : std::string(name) + " not set",
                      ", ");
    }
    // A platform chosen by hand is part of what the user asked for.
    if (const auto chosen = env("QT_QPA_PLATFORM"); chosen && !chosen->empty())
        append_joined(settings, "QT_QPA_PLATFORM=" + *chosen, ", ");

    std::string plugins, generic;
    for (const auto& message : held) {
        if (message.level != HeldMessage::Level::Warning) continue;
        append_joined(message.category == kPluginLoaderCategory ? generic : plugins, first_line(message.text), "; ");
    }
    std::string reasons = !plugins.empty() ? plugins : !generic.empty() ? generic : first_line(final_message);

    std::string line = std::string(program) + ": cannot open a display (" + settings + ")";
    if (!reasons.empty()) line += ": " + reasons;
    return line;
}

}  // namespace platform
