// The floor: what Qt Widgets and two 100 ms timers cost before any work of the countdown's
// own. The same window as the countdown's (257 x 145 pixels, frameless, black) and two
// timers with its interval whose ticks do nothing. The whole-process benchmark runs it beside
// the countdown and divides by its figures.

#include <QApplication>
#include <QPalette>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kWidth = 257;
constexpr int kHeight = 145;
constexpr int kInterval = 100;  // ms, as the clock run's and the countdown run's timers
// The benchmark finds the window by this title.
constexpr char kTitle[] = "velmora floor";

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QString::fromLatin1(kTitle));
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setFixedSize(kWidth, kHeight);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::black);
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    // Two independent timers, like Timer1 and Timer2: the event loop wakes for each.
    QTimer first, second;
    for (QTimer* timer : {&first, &second}) {
        timer->setInterval(kInterval);
        QObject::connect(timer, &QTimer::timeout, [] {});
        timer->start();
    }

    window.show();
    return app.exec();
}
