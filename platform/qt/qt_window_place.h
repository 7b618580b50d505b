#pragma once
// Where a window that the program hid comes back: where the person left it.
//
// On X11 the toolkit knows the window's place and a window shown again with a place of its
// own keeps it (without one, the window manager places it anew, as openbox does: centred).
// Wayland's xdg-shell tells a program nothing of its window's place and lets it ask for none;
// a window hidden and shown is a new window there, which the compositor places as it likes.
// sway answers on its own IPC socket (SWAYSOCK): where the window is, and a command to move it
// back once it is mapped again. On another compositor the window comes back where that puts it.

#include <QPoint>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace platform_qt {

class WindowPlace {
public:
    virtual ~WindowPlace() = default;
    // Where the shown window is now, in the desktop's coordinates; nullopt when unknown.
    virtual std::optional<QPoint> where(const QWidget& window) = 0;
    // The window is about to be shown again: put it back at `at`.
    virtual void put_back(QWidget& window, QPoint at) = 0;
};

// What the platform the program runs on allows.
std::unique_ptr<WindowPlace> window_place_for_platform();

// The toolkit's own place (X11, and any platform where a program places its windows).
class ToolkitPlace final : public WindowPlace {
public:
    std::optional<QPoint> where(const QWidget& window) override;
    void put_back(QWidget& window, QPoint at) override;
};

// A Wayland compositor that places windows itself and answers no questions.
class CompositorPlace final : public WindowPlace {
public:
    std::optional<QPoint> where(const QWidget&) override { return std::nullopt; }
    void put_back(QWidget&, QPoint) override {}
};

// sway, over its IPC socket. The window is found by this process's id and its title.
class SwayPlace final : public WindowPlace {
public:
    struct Timing {
        std::chrono::milliseconds retry{25};  // until sway has mapped the window again
        std::chrono::milliseconds give_up{1500};
    };
    SwayPlace(std::string socket_path, long pid, Timing timing);
    SwayPlace(std::string socket_path, long pid) : SwayPlace(std::move(socket_path), pid, Timing{}) {}

    std::optional<QPoint> where(const QWidget& window) override;
    void put_back(QWidget& window, QPoint at) override;
    bool putting_back() const { return retry_.isActive(); }

private:
    struct Found {
        long long id;
        QPoint at;
    };
    std::optional<Found> find(const QString& title) const;
    void try_put_back();

    std::string socket_;
    long pid_;
    Timing timing_;
    QTimer retry_;
    QString title_;
    QPoint target_;
    int tries_left_ = 0;
};

}  // namespace platform_qt
