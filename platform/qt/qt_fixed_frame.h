#pragma once
// A window of fixed size says so to the X window manager: Qt's own _MOTIF_WM_HINTS always
// offer resizing and a resize handle, so each time the window is about to be mapped this
// writes hints that offer moving and closing only, with a title bar, border and window menu.
// Elsewhere (no X server, offscreen) it does nothing.

#include <QObject>

class QWidget;

namespace platform_qt {

class FixedFrame final : public QObject {
public:
    // Watches `window` (a top-level widget) and lives as its child.
    static void keep(QWidget* window);

    // The five values written: flags, functions, decorations, input mode, status.
    static constexpr unsigned kFlags = 1 | 2;             // functions and decorations are given
    static constexpr unsigned kFunctions = 4 | 32;        // move, close
    static constexpr unsigned kDecorations = 2 | 8 | 16;  // border, title, window menu

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FixedFrame(QWidget* window);
};

}  // namespace platform_qt
