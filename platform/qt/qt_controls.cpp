#include "platform/qt/qt_controls.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

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

// ---- labels -----------------------------------------------------------------------------

FormLabel::FormLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFocusPolicy(Qt::NoFocus);
    setMargin(0);
    setIndent(0);
    setAttribute(Qt::WA_NoMousePropagation);
}

void FormLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) left_down_ = true;
    if (on_press) on_press(event);
}

void FormLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    const bool was_down = std::exchange(left_down_, false);
    if (was_down && rect().contains(event->position().toPoint()) && on_click) on_click(event);
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
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, palette(),
                         isEnabled(), caption, QPalette::ButtonText);
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

QRect LineBand::straight_pixels() const {
    const QPoint a = line.p1(), b = line.p2();
    if (a == b) return {};
    if (horizontal()) {
        // From the start point up to, not including, the end point.
        const int first = a.x() < b.x() ? a.x() : b.x() + 1;
        const int last = a.x() < b.x() ? b.x() - 1 : a.x();
        return QRect(QPoint(first, a.y() - before()), QPoint(last, a.y() - before() + width - 1));
    }
    if (vertical()) {
        const int first = a.y() < b.y() ? a.y() : b.y() + 1;
        const int last = a.y() < b.y() ? b.y() - 1 : a.y();
        return QRect(QPoint(a.x() - before(), first), QPoint(a.x() - before() + width - 1, last));
    }
    return {};
}

QRect LineBand::bounds() const {
    if (horizontal() || vertical()) return straight_pixels();
    const QRect box(QPoint(std::min(line.x1(), line.x2()), std::min(line.y1(), line.y2())),
                    QPoint(std::max(line.x1(), line.x2()), std::max(line.y1(), line.y2())));
    return box.adjusted(-width, -width, width, width);
}

LineWidget::LineWidget(QWidget* parent, LineBand band, QColor colour)
    : QWidget(parent), band_(band), colour_(colour) {
    band_.width = std::max(1, band_.width);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(band_.bounds());
}

void LineWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.translate(-geometry().topLeft());
    if (band_.horizontal() || band_.vertical()) {
        painter.fillRect(band_.straight_pixels(), colour_);
        return;
    }
    // A slanted line: the same band, centred where a straight one would lie.
    const double shift = band_.width / 2.0 - band_.before();
    QPen pen(colour_, band_.width, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(QPointF(band_.line.p1()) + QPointF(shift, shift),
                     QPointF(band_.line.p2()) + QPointF(shift, shift));
}

ShapeWidget::ShapeWidget(QWidget* parent, QColor outline, int width)
    : QWidget(parent), outline_(outline), width_(std::max(1, width)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    // The outline lies inside the rectangle; what is within shows through.
    QPainter painter(this);
    const int w = std::min({width_, width(), height()});
    if (w <= 0) return;
    painter.fillRect(QRect(0, 0, width(), w), outline_);
    painter.fillRect(QRect(0, height() - w, width(), w), outline_);
    painter.fillRect(QRect(0, 0, w, height()), outline_);
    painter.fillRect(QRect(width() - w, 0, w, height()), outline_);
}

}  // namespace platform_qt
