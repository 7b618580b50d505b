#include "platform/qt/qt_system_move.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWindow>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

#ifdef VELMORA_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace platform_qt {

SystemMove::SystemMove(QObject* parent, std::function<void()> ended, ButtonsHeld held, Timing timing)
    : QObject(parent), ended_(std::move(ended)), held_(std::move(held)) {
    QCoreApplication::instance()->installEventFilter(this);
    // Whether the server answers is known at once: the pointer's leave can follow the move
    // request within a millisecond, before the first poll.
    server_answers_ = held_ && held_().has_value();
    if (server_answers_) {
        poll_timer_.setInterval(timing.poll);
        QObject::connect(&poll_timer_, &QTimer::timeout, this, [this] { poll(); });
        poll_timer_.start();
    }
    limit_timer_.setSingleShot(true);
    limit_timer_.setInterval(timing.limit);
    QObject::connect(&limit_timer_, &QTimer::timeout, this, [this] { end_now(); });
    limit_timer_.start();
}

SystemMove::~SystemMove() { cancel(); }

void SystemMove::cancel() {
    ended_ = nullptr;
    poll_timer_.stop();
    limit_timer_.stop();
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

void SystemMove::poll() {
    const std::optional<bool> held = held_();
    if (!held) {
        server_answers_ = false;
        poll_timer_.stop();  // no answer from the platform: the events and the limit decide
        return;
    }
    if (!*held) end_now();
}

bool SystemMove::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonRelease: end_now(); break;
        case QEvent::MouseMove:
            // Without an answer from the server, the pointer moving with no button held is
            // the first sign that the window manager has let go.
            if (!server_answers_ && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) end_now();
            break;
        case QEvent::Leave:
            if (!server_answers_) left_ = true;
            break;
        case QEvent::Enter:
            if (!server_answers_ && left_) end_now();
            break;
        default: break;
    }
    return QObject::eventFilter(watched, event);
}

void SystemMove::end_now() {
    auto ended = std::exchange(ended_, nullptr);
    cancel();
    if (ended) ended();  // may destroy this object's owner; nothing here is touched after
}

std::optional<bool> SystemMove::x11_buttons_held() {
#ifdef VELMORA_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) return std::nullopt;
    const std::unique_ptr<xcb_query_pointer_reply_t, decltype(&std::free)> reply(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, screen->root), nullptr), &std::free);
    if (!reply) return std::nullopt;
    constexpr unsigned kAnyButton =
        XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3 | XCB_BUTTON_MASK_4 | XCB_BUTTON_MASK_5;
    return (reply->mask & kAnyButton) != 0;
#else
    return std::nullopt;
#endif
}

void SystemMove::x11_cancel_move(const QWindow* window) {
#ifdef VELMORA_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !window || !window->handle()) return;
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    static const char kName[] = "_NET_WM_MOVERESIZE";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr),
        &std::free);
    if (!screen || !atom) return;
    constexpr std::uint32_t kMoveResizeCancel = 11;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window->winId());
    message.type = atom->atom;
    message.data.data32[2] = kMoveResizeCancel;
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
#else
    (void)window;
#endif
}

}  // namespace platform_qt
