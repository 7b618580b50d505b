#pragma once
// Watches one interactive move of a window by the window manager and reports its end once.
//
// What Qt 6.4's xcb plugin does (seen under openbox on Xvfb): startSystemMove() sends
// _NET_WM_MOVERESIZE naming button 1 and ungrabs the pointer; the window manager grabs it,
// so the button's real release goes to the manager. When the manager lets go, Qt sees the
// pointer again with no button held and delivers a release of button 1 to the pressed widget
// (after a move event that still shows the button held), at the pointer's final position and
// without further pointer motion. That release is one sign of the end; the other, which does
// not depend on the pointer coming back to this program, is the server's own button mask,
// polled at a modest rate while the move lasts. Where the server cannot be asked (Wayland), a
// release or a pointer movement without buttons ends it, and so does the pointer coming back:
// sway takes the pointer from the window when the move starts (a leave) and gives it back when
// the button is let go (an enter), without a release and without motion while the pointer
// rests. A time limit ends a move in any case.

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class QWindow;

namespace platform_qt {

class SystemMove final : public QObject {
public:
    // Whether any pointer button is held now; nullopt when the platform cannot tell.
    using ButtonsHeld = std::function<std::optional<bool>()>;

    struct Timing {
        std::chrono::milliseconds poll{40};
        std::chrono::milliseconds limit{std::chrono::minutes(2)};
    };

    // Starts watching; `ended` runs once when the move is over, from the event loop.
    SystemMove(QObject* parent, std::function<void()> ended, ButtonsHeld held, Timing timing);
    SystemMove(QObject* parent, std::function<void()> ended, ButtonsHeld held)
        : SystemMove(parent, std::move(ended), std::move(held), Timing{}) {}
    ~SystemMove() override;

    // Stops watching without running `ended` (the window is going away).
    void cancel();
    // The move is over now: `ended` runs, if it has not yet.
    void end_now();
    bool watching() const { return static_cast<bool>(ended_); }

    // The X server's answer, or nullopt when the program does not run on X11.
    static std::optional<bool> x11_buttons_held();
    // Tells an X11 window manager that the move of `window` is over. A manager that takes
    // the move request only after the button was let go (a quick click) would otherwise
    // start a move that waits for the next click; after a real move it changes nothing.
    static void x11_cancel_move(const QWindow* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void poll();

    std::function<void()> ended_;
    ButtonsHeld held_;
    bool server_answers_ = false;  // the pointer's buttons can be asked of the server
    bool left_ = false;            // the pointer left the program's windows during the move
    QTimer poll_timer_;
    QTimer limit_timer_;
};

}  // namespace platform_qt
