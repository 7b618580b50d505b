#pragma once
// The program's icon in the desktop's notification area.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Notification codes, numbered like the mouse messages they stand for.
inline constexpr int kTrayMouseMove = 0x200;
inline constexpr int kTrayLeftDown = 0x201;
inline constexpr int kTrayLeftUp = 0x202;
inline constexpr int kTrayLeftDoubleClick = 0x203;
inline constexpr int kTrayRightDown = 0x204;
inline constexpr int kTrayRightUp = 0x205;

struct TrayMenuItem {
    std::string text;
    std::function<void()> run;
};

class Tray {
public:
    virtual ~Tray() = default;

    // Places the icon with the tooltip; from then on every mouse event on it is passed to
    // notify as a notification code (a left click gives kTrayLeftUp). Returns whether the
    // icon could be placed (false when there is no notification area).
    virtual bool add(const std::string& tooltip, std::function<void(int code)> notify) = 0;
    virtual void remove() = 0;

    // Whether the icon is in a notification area now.
    virtual bool shown() const = 0;
    // Called when a notification area appears or goes away while the icon exists (the desktop
    // shell restarts); the icon is placed again by itself when one appears.
    virtual void on_availability(std::function<void(bool available)> changed) = 0;

    // A context menu that opens on the right button.
    virtual void set_menu(std::vector<TrayMenuItem> items) = 0;
};

}  // namespace platform
