#include "platform/qt/qt_fixed_frame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>

#ifdef VELMORA_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace platform_qt {

namespace {

void write_hints(QWidget* window) {
#ifdef VELMORA_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    static const char kName[] = "_MOTIF_WM_HINTS";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr),
        &std::free);
    if (!atom) return;
    const std::array<std::uint32_t, 5> hints{FixedFrame::kFlags, FixedFrame::kFunctions, FixedFrame::kDecorations, 0,
                                             0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()), atom->atom,
                        atom->atom, 32, hints.size(), hints.data());
    xcb_flush(connection);
#else
    (void)window;
#endif
}

}  // namespace

FixedFrame::FixedFrame(QWidget* window) : QObject(window) { window->installEventFilter(this); }

void FixedFrame::keep(QWidget* window) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) new FixedFrame(window);
}

bool FixedFrame::eventFilter(QObject* watched, QEvent* event) {
    // The show event comes before the window is mapped, and after Qt has written its own
    // hints when it made the native window.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->isWindow()) write_hints(window);
    }
    return false;
}

}  // namespace platform_qt
