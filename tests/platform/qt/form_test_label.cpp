// A label shows its field as a plain wrapped label would, and a rewrite repaints only the
// glyphs that changed.

#include <QAccessible>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QScreen>

#include "platform/qt/qt_controls.h"
#include "tests/platform/qt/qt_harness.h"

namespace {

using namespace qt_test;
using platform_qt::QtForm;
using platform_qt::QtRuntime;

// A label alone in a black window, and the regions its paint events were asked for.
struct LoneLabel : QObject {
    QWidget window;
    platform_qt::FormLabel* label = new platform_qt::FormLabel(&window);
    std::vector<QRegion> painted;
    int layout_requests = 0;

    explicit LoneLabel(Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop) {
        window.setFixedSize(300, 200);
        QPalette p = window.palette();
        p.setColor(QPalette::Window, Qt::black);
        p.setColor(QPalette::WindowText, QColor(128, 128, 255));
        window.setPalette(p);
        window.setAutoFillBackground(true);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(26);
        label->setFont(f);
        label->setAlignment(align);
        label->setGeometry(10, 10, 249, 81);
        label->installEventFilter(this);
        window.installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == label && e->type() == QEvent::Paint) painted.push_back(static_cast<QPaintEvent*>(e)->region());
        if (o == &window && e->type() == QEvent::LayoutRequest) ++layout_requests;
        return false;
    }
    // What the screen shows of the window now, against the window drawn afresh.
    QImage on_screen() const { return window.screen()->grabWindow(window.winId()).toImage(); }
    QImage afresh() { return window.grab().toImage(); }
};

// The same text in the same face and box as a plain word-wrapped QLabel draws it.
TEST(FormLabel, LooksExactlyAsAPlainWrappedLabel) {
    struct Case {
        QString text;
        Qt::Alignment align;
        QSize size;
    };
    const Case cases[] = {
        {"It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds", Qt::AlignLeft | Qt::AlignTop, {249, 81}},
        {"It is 554 Days, 24 Hours, 60 Minutes, and 60 Seconds", Qt::AlignLeft | Qt::AlignTop, {249, 200}},
        {"Until Velmora Fest !!!", Qt::AlignHCenter | Qt::AlignTop, {249, 41}},
        {"Version 4.03", Qt::AlignRight | Qt::AlignTop, {200, 30}},
        {"two\nlines", Qt::AlignLeft | Qt::AlignTop, {120, 80}},
        {"", Qt::AlignLeft | Qt::AlignTop, {60, 20}},
    };
    for (const Case& c : cases) {
        LoneLabel ours(c.align);
        QLabel plain(&ours.window);
        plain.setTextFormat(Qt::PlainText);
        plain.setWordWrap(true);
        plain.setFont(ours.label->font());
        plain.setAlignment(c.align);
        plain.setGeometry(QRect(QPoint(10, 10), c.size));
        plain.setText(c.text);
        ours.label->resize(c.size);
        ours.label->set_text(c.text);
        plain.hide();
        const QImage mine = ours.label->grab().toImage();
        ours.label->hide();
        plain.show();
        EXPECT_EQ(mine, plain.grab().toImage()) << c.text.toStdString();
    }
}

TEST(FormLabel, ARewriteRepaintsTheChangedGlyphsOnlyAndTheScreenStaysRight) {
    const QString sentence = "It is 9 Days, 10 Hours, 35 Minutes, and %1 Seconds";
    struct Step {
        QString text;
        int lines;       // how many lines' worth of height the repaint may cover (0: none)
        QString widest;  // the widest text the repaint may need, beside the glyphs' reach
    };
    const Step steps[] = {
        {sentence.arg(53), 0, ""},           // the same text: nothing
        {sentence.arg(52), 1, "2"},          // one digit
        {sentence.arg(49), 1, "49"},         // two digits
        {sentence.arg(9), 1, "49 Seconds"},  // narrower: the rest of the line moves
        {"It is 9 Days, 10 Hours, 35 Minutes, and 9 Seconds", 0, ""},
        {"It is 19 Days, 10 Hours, 35 Minutes, and 9 Seconds", 3, ""},  // the lines may break anew
    };
    LoneLabel lone;
    lone.label->set_text(sentence.arg(53));
    lone.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lone.window));
    settle(60);
    const QFontMetrics metrics(lone.label->font());
    const int reach = std::max({0, -metrics.minLeftBearing(), -metrics.minRightBearing()}) + 2;
    for (const Step& step : steps) {
        lone.painted.clear();
        lone.label->set_text(step.text);
        settle(60);
        EXPECT_EQ(lone.label->accessibleName(), step.text);
        QRegion all;
        for (const QRegion& r : lone.painted) all += r;
        const QRect box = all.boundingRect();
        if (step.lines == 0) {
            EXPECT_TRUE(all.isEmpty()) << step.text.toStdString();
        } else {
            EXPECT_FALSE(all.isEmpty()) << step.text.toStdString();
            EXPECT_LE(box.height(), step.lines * (metrics.height() + 2) + 2) << step.text.toStdString();
            if (!step.widest.isEmpty()) {
                EXPECT_LE(box.width(), metrics.horizontalAdvance(step.widest) + 2 * reach) << step.text.toStdString();
            }
        }
        EXPECT_EQ(lone.on_screen(), lone.afresh()) << "after " << step.text.toStdString();
    }
}

TEST(FormLabel, ALabelOutOfSightIsNeitherRepaintedNorLaidOutButIsRead) {
    LoneLabel lone;
    lone.label->move(400, 10);  // past the window's right edge
    lone.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lone.window));
    settle(60);
    lone.painted.clear();
    lone.layout_requests = 0;
    for (int second = 0; second < 5; ++second) lone.label->set_text(QString::number(second));
    settle(60);
    EXPECT_FALSE(lone.label->in_view());
    EXPECT_TRUE(lone.painted.empty());
    EXPECT_EQ(lone.layout_requests, 0);
    EXPECT_EQ(lone.label->text(), "4");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(lone.label)->text(QAccessible::Name), "4");
    // Brought into view, it shows what it holds.
    lone.label->move(10, 10);
    settle(60);
    EXPECT_TRUE(lone.label->in_view());
    EXPECT_EQ(lone.on_screen(), lone.afresh());
}

}  // namespace
