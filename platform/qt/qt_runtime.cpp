#include "platform/qt/qt_runtime.h"

#include <QApplication>
#include <QGuiApplication>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <string>
#include <utility>

#include "platform/qt/qt_form.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_message_box.h"

namespace platform_qt {

QtRuntime::QtRuntime(std::string application_title) : application_title_(std::move(application_title)) {
    // The program decides when it ends (see form_gone), not the last visible window.
    QApplication::setQuitOnLastWindowClosed(false);
}

QtRuntime::~QtRuntime() { windows_.close_all(); }

forms::Form& QtRuntime::load(const forms::WindowModel& model, std::vector<forms::Binding> bindings) {
    return windows_.load(std::make_unique<QtForm>(*this, model, std::move(bindings), Scale::of_primary_screen()));
}

void QtRuntime::end_program() {
    if (!windows_.end()) return;
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();  // message boxes too
    leave_event_loop();
}

void QtRuntime::leave_event_loop() {
    // QCoreApplication::exit leaves every running loop, a message box's included. Called
    // while no loop runs it would make the next loop return at once, so then the exit waits
    // for the program's loop to start.
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(0);
        return;
    }
    QTimer::singleShot(0, &context_, [this] {
        if ((ending() || forms().empty()) && QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
    });
}

int QtRuntime::run() {
    // An end asked for before this loop ran may have been taken by a loop of the moment's own
    // (a wait for a window to show), which its exit left instead.
    if (ending() || forms().empty()) return 0;
    return QApplication::exec();
}

double QtRuntime::twips_per_pixel_x() const { return Scale::of_primary_screen().twips_per_pixel_x(); }

void QtRuntime::reset_pointer() {
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
}

void QtRuntime::show(const std::string& prompt, int style, const std::optional<std::string>& title) {
    if (ending()) return;
    const auto box = make_message_box(prompt, style, title, application_title_);
    box->exec();  // other events, timer ticks among them, are taken meanwhile
}

std::vector<QtForm*> QtRuntime::forms() const { return windows_.loaded(); }

QtForm* QtRuntime::find(std::string_view model_name) const { return windows_.find(model_name); }

void QtRuntime::form_gone(QtForm&) {
    if (windows_.last_gone()) leave_event_loop();
}

void QtRuntime::reap_later() {
    if (reap_queued_) return;
    reap_queued_ = true;
    QTimer::singleShot(0, &context_, [this] { reap(); });
}

void QtRuntime::reap() {
    reap_queued_ = false;
    windows_.reap();
}

void QtRuntime::report_failure(std::string_view control, std::string_view what) { windows_.report(control, what); }

}  // namespace platform_qt
