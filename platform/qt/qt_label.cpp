// A label's caption laid out once per change, drawn as a plain word-wrapped QLabel draws it,
// and painted again only where its glyphs changed.

#include "platform/qt/qt_label.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace platform_qt {

FormLabel::FormLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFocusPolicy(Qt::NoFocus);
    setMargin(0);
    setIndent(0);
    setAttribute(Qt::WA_NoMousePropagation);
}

FormLabel::~FormLabel() = default;

// The caption laid out as the toolkit lays out a plain label's text for drawing: lines as
// wide as the label, each on a whole pixel below the last by the font's leading, none laid
// out past the label's bottom, each placed by the label's alignment.
struct FormLabel::Laid {
    struct Line {
        int from = 0, length = 0;
        QPointF origin;  // where the line is drawn, in the label's pixels
        qreal height = 0, width = 0;
        QRectF box() const { return {origin.x(), origin.y(), width, height}; }
    };
    QTextLayout layout;
    std::vector<Line> lines;
};

std::unique_ptr<FormLabel::Laid> FormLabel::lay_out() const {
    // Line breaks as the toolkit draws them; a label breaks nothing else, and tabs are blanks.
    QString shown = text_;
    for (QChar& c : shown) {
        if (c == u'\n')
            c = QChar::LineSeparator;
        else if (c == u'\r' || c == u'\t')
            c = u' ';
    }
    auto laid = std::make_unique<Laid>();
    QTextLayout& layout = laid->layout;
    const QFont device_font(font(), this);
    layout.setText(shown);
    layout.setFont(device_font);
    layout.setCacheEnabled(true);
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft);
    layout.setTextOption(option);

    const QRect r = contentsRect();
    const qreal line_width = wordWrap() ? qMax<qreal>(0, r.width()) : 0x01000000;
    const qreal leading = QFontMetricsF(device_font).leading();
    qreal height = -leading, width = 0;
    if (!shown.isEmpty()) {
        layout.beginLayout();
        for (;;) {
            QTextLine l = layout.createLine();
            if (!l.isValid()) break;
            l.setLineWidth(line_width);
            height = std::ceil(height + leading);
            l.setPosition(QPointF(0, height));
            height += l.ascent() + l.descent();
            width = qMax(width, l.naturalTextWidth());
            if (height >= r.height()) break;
        }
        layout.endLayout();
    }
    const Qt::Alignment align = alignment();
    qreal y_off = 0;
    if (align & Qt::AlignBottom)
        y_off = r.height() - height;
    else if (align & Qt::AlignVCenter)
        y_off = (r.height() - height) / 2;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine l = layout.lineAt(i);
        const qreal advance = l.horizontalAdvance();
        qreal x_off = 0;
        if (align & Qt::AlignRight)
            x_off = r.width() - advance;
        else if (align & Qt::AlignHCenter)
            x_off = (r.width() - advance) / 2;
        laid->lines.push_back({.from = l.textStart(),
                               .length = l.textLength(),
                               .origin = QPointF(r.x() + x_off, r.y() + y_off),
                               .height = l.ascent() + l.descent(),
                               .width = l.naturalTextWidth()});
    }
    return laid;
}

QRegion FormLabel::changed(const Laid& before, const Laid& after) const {
    // A glyph's ink may reach past its advance by the font's bearings; a pixel more for the
    // smoothing of edges.
    const QFontMetricsF metrics(QFont(font(), this));
    const qreal reach = std::ceil(qMax<qreal>(0, qMax(-metrics.minLeftBearing(), -metrics.minRightBearing()))) + 1;
    QRegion region;
    auto whole = [&](const Laid& laid, std::size_t i) {
        const QTextLine l = laid.layout.lineAt(static_cast<int>(i));
        const Laid::Line& line = laid.lines[i];
        region += QRectF(line.origin.x() + l.x() - reach, line.origin.y() + l.y() - 1, line.width + 2 * reach,
                         line.height + 2)
                      .toAlignedRect();
    };
    const std::size_t common = std::min(before.lines.size(), after.lines.size());
    for (std::size_t i = common; i < before.lines.size(); ++i) whole(before, i);
    for (std::size_t i = common; i < after.lines.size(); ++i) whole(after, i);
    for (std::size_t i = 0; i < common; ++i) {
        const Laid::Line& a = before.lines[i];
        const Laid::Line& b = after.lines[i];
        const QTextLine la = before.layout.lineAt(static_cast<int>(i));
        const QTextLine lb = after.layout.lineAt(static_cast<int>(i));
        const QStringView ta = QStringView(before.layout.text()).mid(a.from, a.length);
        const QStringView tb = QStringView(after.layout.text()).mid(b.from, b.length);
        if (a.origin != b.origin || la.y() != lb.y() || a.height != b.height) {
            whole(before, i);
            whole(after, i);
            continue;
        }
        if (ta == tb) continue;
        // Only what lies between the unchanged beginning and the unchanged end; when the
        // end has moved, everything from the first change on.
        qsizetype prefix = 0;
        const qsizetype shorter = std::min(ta.size(), tb.size());
        while (prefix < shorter && ta[prefix] == tb[prefix]) ++prefix;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix && ta[ta.size() - 1 - suffix] == tb[tb.size() - 1 - suffix]) ++suffix;
        const qreal a_from = la.cursorToX(static_cast<int>(a.from + prefix));
        const qreal b_from = lb.cursorToX(static_cast<int>(b.from + prefix));
        const qreal a_to = la.cursorToX(static_cast<int>(a.from + ta.size() - suffix));
        const qreal b_to = lb.cursorToX(static_cast<int>(b.from + tb.size() - suffix));
        const qreal from_x = std::min(a_from, b_from);
        const qreal to_x = a_to == b_to ? std::max(a_to, b_to) : std::max(la.x() + a.width, lb.x() + b.width);
        region += QRectF(QPointF(a.origin.x() + from_x - reach, a.origin.y() + la.y() - 1),
                         QPointF(a.origin.x() + to_x + reach, a.origin.y() + la.y() + a.height + 1))
                      .toAlignedRect();
    }
    return region & rect();
}

bool FormLabel::in_view() const {
    QRect r = geometry();
    for (const QWidget* w = this; !w->isWindow(); w = w->parentWidget()) {
        const QWidget* parent = w->parentWidget();
        if (!parent) break;
        r &= parent->rect();
        if (r.isEmpty()) return false;
        if (!parent->isWindow()) r.translate(parent->pos());
    }
    return true;
}

void FormLabel::set_text(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(text);
    // Nothing of it can be seen now: it is laid out when it is painted next.
    if (!isVisible() || !in_view()) {
        laid_.reset();
        return;
    }
    std::unique_ptr<Laid> after = lay_out();
    if (laid_) {
        const QRegion region = changed(*laid_, *after);
        laid_ = std::move(after);
        if (!region.isEmpty()) update(region);
        return;
    }
    laid_ = std::move(after);
    update();
}

void FormLabel::paintEvent(QPaintEvent* event) {
    if (!laid_) laid_ = lay_out();
    QPainter painter(this);
    painter.setPen(QPen(palette().brush(foregroundRole()), painter.pen().widthF()));
    const QRect area = event->rect();
    for (std::size_t i = 0; i < laid_->lines.size(); ++i) {
        const QTextLine line = laid_->layout.lineAt(static_cast<int>(i));
        const Laid::Line& box = laid_->lines[i];
        const QRectF ink = QRectF(box.origin.x() + line.x(), box.origin.y() + line.y(), box.width, box.height)
                               .adjusted(-box.height, -1, box.height, 1);
        if (!ink.intersects(area)) continue;
        line.draw(&painter, box.origin);
    }
}

void FormLabel::resizeEvent(QResizeEvent* event) {
    laid_.reset();
    QLabel::resizeEvent(event);
}

void FormLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) laid_.reset();
    QLabel::changeEvent(event);
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

}  // namespace platform_qt
