// How the program ends on Qt at once, leaving its loop; and the interactive move where the
// platform has none. (The loop's end when the last window has gone, the close box, unload()
// from a handler or a load step: forms_contract.h.)

#include <QApplication>
#include <QCursor>
#include <QTimer>

#include "tests/platform/qt/qt_harness.h"

namespace {

using namespace qt_test;
using platform_qt::QtForm;
using platform_qt::QtRuntime;

// Runs the program's loop until it ends by itself or `limit_ms` passes (then 99).
int run_program_loop(int limit_ms = 5000) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(limit_ms);
    return QApplication::exec();
}

// (Its closing steps, timers and late writes: forms_contract.h.)
TEST(Lifetime, EndProgramLeavesTheLoopAndHidesEveryWindowAtOnce) {
    QtRuntime runtime{qt_test::kAppTitle};
    auto& main = static_cast<QtForm&>(runtime.load(kProbe, {}));
    auto& other = static_cast<QtForm&>(runtime.load(kDialog, {}));
    show_and_wait(main);
    show_and_wait(other);
    QTimer::singleShot(0, [&] { runtime.end_program(); });
    EXPECT_EQ(run_program_loop(), 0);
    EXPECT_FALSE(main.window()->isVisible());
    EXPECT_FALSE(other.window()->isVisible());
    runtime.show("no box once the program ends", 0);  // returns at once
}

TEST(SystemMoveOffscreen, APlatformWithoutMovesEndsTheMoveAtOnceAndOnce) {
    QtRuntime runtime{qt_test::kAppTitle};
    int ended = 0;
    auto& form = static_cast<QtForm&>(
        runtime.load(kProbe, {{"Strip", Event::MouseDown,
                               [&](forms::Form& f, const forms::Mouse&) { f.start_system_move([&] { ++ended; }); }}}));
    show_and_wait(form);
    QTest::mousePress(form.window()->windowHandle(), Qt::LeftButton, {}, {50, 30});
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(form.moving());
    QTest::mouseRelease(form.window()->windowHandle(), Qt::LeftButton, {}, {50, 30});
    settle();
    EXPECT_EQ(ended, 1);

    form.start_system_move([&] { ++ended; });  // from code, no button held
    EXPECT_EQ(ended, 2);
}

TEST(Runtime, ResetPointerRestoresEveryOverrideCursor) {
    QtRuntime runtime{qt_test::kAppTitle};
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);
    runtime.reset_pointer();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    runtime.reset_pointer();  // nothing to restore
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
