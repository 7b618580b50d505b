// Every text a person can see in Main, VEF2D and frmAbout, laid out as its control lays it
// out (its own font and flags, on this machine's faces), lies whole inside the control and
// no other control covers its ink. CTest runs it at scale 1 and at QT_SCALE_FACTOR=2.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>

#include <algorithm>
#include <string>
#include <vector>

#include "identity/identity.h"
#include "main_window/main_model.h"
#include "platform/fakes/fake_platform.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_runtime.h"
#include "secondary_windows/about_box.h"
#include "secondary_windows/arrival_model.h"
#include "tests/secondary_windows/text_fit_check.h"

namespace {

using platform_qt::QtForm;

// Where a text goes: its lines' box, the part of its control that shows, its flags.
struct Layout {
    QRectF box;  // in the window's pixels
    QRect room;  // the control's rectangle as far as it lies inside its containers
    int flags = 0;
    QString text;
    QFont font;
    double line_spacing = 0;
};

QRect in_window(const QWidget* w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }

QRect visible_room(const QWidget* w) {
    QRect room = in_window(w);
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) room &= in_window(p);
    return room;
}

// A label's caption: the window's labels keep it themselves, other labels in QLabel.
QString caption_of(const QLabel* label) {
    if (const auto* own = dynamic_cast<const platform_qt::FormLabel*>(label)) return own->text();
    return label->text();
}

// The same rectangle and flags the widgets draw with (QLabel: its contents; FormButton: the
// style's contents area, centred and wrapped).
Layout layout_of(const QWidget* w) {
    Layout l;
    l.font = w->font();
    l.room = visible_room(w);
    QRectF area;
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        l.text = caption_of(label);
        l.flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        area = label->contentsRect();
    } else if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        l.text = button->text();
        l.flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        area = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    const QFontMetricsF metrics(l.font, w);
    l.line_spacing = metrics.lineSpacing();
    l.box = metrics.boundingRect(area, l.flags, l.text).translated(in_window(w).topLeft());
    return l;
}

// The pixels the text inks, drawn alone at the screen's density on a canvas that holds the
// window and every line, wherever they fall.
struct Ink {
    QImage image;
    QPoint origin;  // the canvas's top-left corner, in the window's pixels

    int inside(const QRect& area) const {
        const double dpr = image.devicePixelRatio();
        const QRect a = area.translated(-origin);
        const QRect device = QRect(QPoint(qFloor(a.left() * dpr), qFloor(a.top() * dpr)),
                                   QSize(qCeil(a.width() * dpr), qCeil(a.height() * dpr)))
                                 .intersected(image.rect());
        int n = 0;
        for (int y = device.top(); y <= device.bottom(); ++y)
            for (int x = device.left(); x <= device.right(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
        return n;
    }
    int all() const { return inside(QRect(origin, image.deviceIndependentSize().toSize())); }
};

Ink ink_of(const Layout& l, const QWidget* window) {
    const QRect canvas = window->rect().united(l.box.toAlignedRect()).adjusted(-2, -2, 2, 2);
    const double dpr = window->devicePixelRatioF();
    Ink ink{QImage((QSizeF(canvas.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied), canvas.topLeft()};
    ink.image.setDevicePixelRatio(dpr);
    ink.image.setDotsPerMeterX(qRound(window->logicalDpiX() / 0.0254));
    ink.image.setDotsPerMeterY(qRound(window->logicalDpiY() / 0.0254));
    ink.image.fill(Qt::transparent);
    QPainter painter(&ink.image);
    painter.translate(-canvas.topLeft());
    painter.setFont(l.font);
    painter.setPen(Qt::black);
    painter.drawText(l.box, l.flags, l.text);
    return ink;
}

// What a control hides of whatever lies below it: its whole rectangle, or only its own
// text when it draws no background.
QRect cover_of(const QWidget* w) {
    const auto* label = qobject_cast<const QLabel*>(w);
    if (label && !label->autoFillBackground() && !dynamic_cast<const platform_qt::FormPicture*>(w))
        return layout_of(w).box.toAlignedRect() & visible_room(w);
    return visible_room(w);
}

// How the Qt runtime lays out and draws a control's text, for the shared check.
struct QtMeasurer {
    using Form = QtForm;

    bool shows_text(const QtForm& form, const forms::Control& c) const {
        const QWidget* w = form.widget(c.name);
        if (!w || !w->isVisibleTo(w->window()) || visible_room(w).isEmpty()) return false;
        if (dynamic_cast<const platform_qt::FormPicture*>(w)) return false;
        if (const auto* l = qobject_cast<const QLabel*>(w)) return !caption_of(l).trimmed().isEmpty();
        if (const auto* b = qobject_cast<const QPushButton*>(w)) return !b->text().trimmed().isEmpty();
        return false;
    }

    text_fit::Measure measure(const QtForm& form, const forms::Control& c) const {
        const QWidget* w = form.widget(c.name);
        const Layout l = layout_of(w);
        const Ink ink = ink_of(l, form.window());
        text_fit::Measure m{.text = l.text.toStdString(),
                            .inked = ink.all(),
                            .inked_inside = ink.inside(l.room),
                            .room_width = l.room.width(),
                            .room_height = l.room.height(),
                            .width = l.box.width(),
                            .height = l.box.height(),
                            .line_height = l.line_spacing,
                            .face = l.font.family().toStdString(),
                            .points = l.font.pointSizeF()};
        // Whatever is painted after the control or after one of its containers lies above it.
        for (const QWidget* below = w; below != form.window(); below = below->parentWidget()) {
            const QObjectList& siblings = below->parentWidget()->children();
            for (qsizetype i = siblings.indexOf(below) + 1; i < siblings.size(); ++i) {
                const auto* upper = qobject_cast<const QWidget*>(siblings[i]);
                if (!upper || !upper->isVisibleTo(form.window())) continue;
                if (dynamic_cast<const platform_qt::ShapeWidget*>(upper)) continue;  // an outline at the edges
                m.covers.push_back({upper->objectName().toStdString(), ink.inside(cover_of(upper))});
            }
        }
        return m;
    }
};

TEST(TextFit, EveryTextOfEveryWindowIsWholeAndUncovered) {
    platform_qt::QtRuntime runtime{std::string(identity::kProductName)};
    const text_fit::OpenWindows open(runtime, runtime);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    QtMeasurer measurer;
    text_fit::check_every_text(runtime, measurer);
    for (QtForm* f : runtime.forms()) f->unload();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// The About box's picture keeps its 32 x 32 size at every scale and has a pixel of its own for
// each pixel of the screen: at twice the density it is drawn from the 64-pixel twin, not
// from the 32-pixel image blown up.
TEST(TextFit, TheAboutPictureHasAPixelForEveryScreenPixel) {
    platform_qt::QtRuntime runtime{std::string(identity::kProductName)};
    fakes::FakeShell shell;
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt");
    about.open();
    ASSERT_NE(runtime.find("frmAbout"), nullptr);
    const auto* picture = qobject_cast<const QLabel*>(runtime.find("frmAbout")->widget("picIcon"));
    ASSERT_NE(picture, nullptr);
    const QPixmap pixmap = picture->pixmap();
    const double dpr = picture->devicePixelRatioF();
    EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), QSize(32, 32));
    EXPECT_EQ(pixmap.size(), QSize(32, 32) * dpr) << "drawn from an image of " << pixmap.width() << " pixels";
    // A blown-up image repeats each pixel in blocks of dpr x dpr.
    const QImage image = pixmap.toImage();
    const int step = qRound(dpr);
    int odd = 0;
    for (int y = 0; step > 1 && y + 1 < image.height(); y += step)
        for (int x = 0; x + 1 < image.width(); x += step)
            odd += image.pixel(x, y) != image.pixel(x + 1, y) || image.pixel(x, y) != image.pixel(x, y + 1);
    if (step > 1) {
        EXPECT_GT(odd, 0) << "every " << step << " x " << step << " block is one colour";
    }
    std::printf("scale %.1f: the About picture is %d x %d pixels for %d x %d on screen\n", dpr, pixmap.width(),
                pixmap.height(), 32, 32);
    for (QtForm* f : runtime.forms()) f->unload();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

}  // namespace
