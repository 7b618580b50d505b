#include "platform/qt/qt_controls.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <utility>

namespace platform_qt {

// ---- the window -------------------------------------------------------------------------

FormWindow::FormWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

void FormWindow::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) left_down_ = true;
}

void FormWindow::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    const bool was_down = std::exchange(left_down_, false);
    if (was_down && rect().contains(event->position().toPoint()) && on_click) on_click(event);
}

void FormWindow::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (on_move) on_move(event);
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // The close is never refused: the window's unload step runs and the window goes.
    event->accept();
    if (on_close) on_close();
}

void FormWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!std::exchange(shown_before_, true) && on_first_show) on_first_show();
}

void FormWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && on_state_change) on_state_change();
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    if (on_key && on_key(event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- buttons ----------------------------------------------------------------------------

FormButton::FormButton(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // Enter presses the focused button, as on the platform the design comes from.
    setAutoDefault(true);
    setAttribute(Qt::WA_NoMousePropagation);
}

void FormButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);  // bevel and focus frame

    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (isDown() || isChecked())
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, palette(), isEnabled(),
                         caption, QPalette::ButtonText);
}

// ---- frames and pictures ----------------------------------------------------------------

FormFrame::FormFrame(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoMousePropagation);
}

void FormFrame::mousePressEvent(QMouseEvent* event) { event->accept(); }
void FormFrame::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

FormPicture::FormPicture(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoMousePropagation);
}

void FormPicture::mousePressEvent(QMouseEvent* event) { event->accept(); }
void FormPicture::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

// ---- lines and the shape ----------------------------------------------------------------

namespace {

QRect to_qrect(const forms::PixelRect& r) { return {r.left, r.top, r.width, r.height}; }

// What a line can touch, for any direction.
QRect bounds(const forms::LineBand& band) {
    if (band.horizontal() || band.vertical()) return to_qrect(band.straight_pixels());
    const QRect box(QPoint(std::min(band.x1, band.x2), std::min(band.y1, band.y2)),
                    QPoint(std::max(band.x1, band.x2), std::max(band.y1, band.y2)));
    return box.adjusted(-band.width, -band.width, band.width, band.width);
}

}  // namespace

LineWidget::LineWidget(QWidget* parent, forms::LineBand band, QColor colour)
    : QWidget(parent), band_(band), colour_(colour) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(bounds(band_));
}

void LineWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.translate(-geometry().topLeft());
    if (band_.horizontal() || band_.vertical()) {
        painter.fillRect(to_qrect(band_.straight_pixels()), colour_);
        return;
    }
    // A slanted line: the same band, centred where a straight one would lie.
    const double shift = band_.width / 2.0 - band_.before();
    QPen pen(colour_, band_.width, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(QPointF(band_.x1 + shift, band_.y1 + shift), QPointF(band_.x2 + shift, band_.y2 + shift));
}

ShapeWidget::ShapeWidget(QWidget* parent, QColor outline, int width)
    : QWidget(parent), outline_(outline), width_(std::max(1, width)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    // The outline lies inside the rectangle; what is within shows through.
    QPainter painter(this);
    for (const forms::PixelRect& band : forms::outline_bands({0, 0, width(), height()}, width_))
        painter.fillRect(to_qrect(band), outline_);
}

}  // namespace platform_qt
