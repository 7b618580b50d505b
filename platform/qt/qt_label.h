#pragma once
// The label widget: a model's label on Qt, with its own layout and partial repaint.

#include <QLabel>
#include <QRegion>
#include <QString>

#include <functional>
#include <memory>

class QMouseEvent;

namespace platform_qt {

// What a widget reports of a press or a release.
using MouseHook = std::function<void(QMouseEvent* event)>;

// A label: plain text, wrapped at word boundaries, never focused; takes every press on its
// rectangle. It looks exactly as a plain word-wrapped QLabel, but keeps its caption and the
// caption's layout itself: a new caption is laid out once, and only the glyphs that changed
// are repainted. A label that no part of its window shows is neither laid out nor repainted
// until it comes into view. The accessible name follows the caption.
class FormLabel final : public QLabel {
public:
    explicit FormLabel(QWidget* parent);
    ~FormLabel() override;

    void set_text(const QString& text);
    const QString& text() const { return text_; }
    // Whether any of the label lies inside its window's area (and every container's).
    bool in_view() const;

    MouseHook on_press;  // any button
    MouseHook on_click;  // left button pressed and let go inside

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Laid;
    std::unique_ptr<Laid> lay_out() const;
    QRegion changed(const Laid& before, const Laid& after) const;

    QString text_;
    std::unique_ptr<Laid> laid_;  // nullptr until needed, and after a change of size or font
    bool left_down_ = false;
};

}  // namespace platform_qt
