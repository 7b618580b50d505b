#pragma once
// The widgets that stand for a model's controls. They know nothing of bindings: each reports
// what happened to it through a plain callback, and the form turns that into an event. The
// label, with its own layout and repaint, is in qt_label.h.

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <functional>

#include "platform/forms/form_geometry.h"
#include "platform/qt/qt_label.h"

class QKeyEvent;
class QMouseEvent;

namespace platform_qt {

// The top-level window. Its own surface is whatever no label, button, frame or picture
// covers: presses there, pointer movement over it and the close request are reported.
class FormWindow final : public QWidget {
public:
    explicit FormWindow(Qt::WindowFlags flags);

    MouseHook on_click;  // left button pressed and let go on the surface
    MouseHook on_move;   // pointer movement over the surface (mouse tracking is on)
    std::function<void()> on_close;
    std::function<void()> on_first_show;
    std::function<bool(QKeyEvent* event)> on_key;  // true when the key was used
    std::function<void()> on_state_change;         // minimized, maximized or normal by Qt's account

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool left_down_ = false;
    bool shown_before_ = false;
};

// A push button whose caption is centred and wrapped over as many lines as it needs, as the
// design tool's buttons do.
class FormButton final : public QPushButton {
public:
    explicit FormButton(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A container without a title. Presses on its own surface stay with it.
class FormFrame final : public QFrame {
public:
    explicit FormFrame(QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A picture box: the image at its top-left corner, unscaled.
class FormPicture final : public QLabel {
public:
    explicit FormPicture(QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A line over its bounding box; the mouse passes through it.
class LineWidget final : public QWidget {
public:
    LineWidget(QWidget* parent, forms::LineBand band, QColor colour);
    const forms::LineBand& band() const { return band_; }
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    forms::LineBand band_;
    QColor colour_;
};

// A rectangle outline, never filled; the mouse passes through it.
class ShapeWidget final : public QWidget {
public:
    ShapeWidget(QWidget* parent, QColor outline, int width);
    QColor outline() const { return outline_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor outline_;
    int width_;
};

}  // namespace platform_qt
