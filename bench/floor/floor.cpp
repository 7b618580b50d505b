// The floor: what Qt Widgets and two 100 ms timers cost before any work of the countdown's
// own. The same window as the countdown's (257 x 145 pixels, frameless, black) and two
// timers with its interval whose ticks do nothing. The whole-process benchmark runs it beside
// the countdown and divides by its figures.
//
// With --digit it is the yardstick instead: the floor plus the least a Qt Widgets program
// can do to show a clock's seconds digit. One plain QLabel just the size of a digit, in the
// countdown's face and size, in which the second timer's tick puts the wall clock's last
// digit of the seconds when it changed: once a second one glyph's rectangle is laid out and
// repainted, and nothing else. What it costs over the floor is the least any Widgets
// program pays to show the countdown's changing digit.

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QTimer>
#include <QWidget>

#include <cstring>
#include <ctime>

namespace {

constexpr int kWidth = 257;
constexpr int kHeight = 145;
constexpr int kInterval = 100;  // ms, as the clock run's and the countdown run's timers
// The benchmark finds the window by this title.
constexpr char kTitle[] = "velmora floor";
constexpr char kYardstickTitle[] = "velmora yardstick";
// The countdown's sentence: its face, size and colour.
constexpr char kFace[] = "Roadgeek 2014 Series B";
constexpr double kPoints = 26.25;

bool has_flag(int argc, char* argv[], const char* flag) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool digit = has_flag(argc, argv, "--digit");

    QWidget window;
    window.setWindowTitle(QString::fromLatin1(digit ? kYardstickTitle : kTitle));
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setFixedSize(kWidth, kHeight);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::black);
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    QLabel* seconds = nullptr;
    if (digit) {
        seconds = new QLabel(&window);
        QFont font{QString::fromLatin1(kFace)};
        font.setPointSizeF(kPoints);
        seconds->setFont(font);
        QPalette p = seconds->palette();
        p.setColor(QPalette::WindowText, QColor(128, 128, 255));
        seconds->setPalette(p);
        // Just one digit's box: a new digit repaints that rectangle only.
        const QFontMetrics metrics(font);
        int widest = 0;
        for (char c = '0'; c <= '9'; ++c) widest = std::max(widest, metrics.horizontalAdvance(QChar::fromLatin1(c)));
        seconds->setGeometry(8, 24, widest, metrics.height());
    }

    // Two independent timers, like Timer1 and Timer2: the event loop wakes for each.
    QTimer first, second;
    for (QTimer* timer : {&first, &second}) {
        timer->setInterval(kInterval);
        timer->start();
    }
    QObject::connect(&first, &QTimer::timeout, [] {});
    char shown = 0;
    QObject::connect(&second, &QTimer::timeout, [seconds, &shown] {
        if (!seconds) return;
        const char now = static_cast<char>('0' + std::time(nullptr) % 10);
        if (now == shown) return;
        shown = now;
        seconds->setText(QString(QChar::fromLatin1(now)));
    });

    window.show();
    return app.exec();
}
