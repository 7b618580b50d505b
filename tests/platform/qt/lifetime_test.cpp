// How the program ends on Qt at once, leaving its loop; and the interactive move where the
// platform has none. (The loop's end when the last window has gone, the close box, unload()
// from a handler or a load step: forms_contract.h.)

#include <QCursor>
#include <QTimer>

#include "tests/platform/qt/qt_driver.h"

namespace {

using namespace qt_test;
using platform_qt::QtForm;
using platform_qt::QtRuntime;

// (Its closing steps, timers and late writes: forms_contract.h.)
TEST(Lifetime, EndProgramLeavesTheLoopAndHidesEveryWindowAtOnce) {
    QtDriver d;
    auto& main = static_cast<QtForm&>(d.runtime.load(kProbe, {}));
    auto& other = static_cast<QtForm&>(d.runtime.load(kDialog, {}));
    d.show(main);
    d.show(other);
    QTimer::singleShot(0, [&] { d.runtime.end_program(); });
    EXPECT_TRUE(d.loop_ends_within(5000));
    EXPECT_FALSE(main.window()->isVisible());
    EXPECT_FALSE(other.window()->isVisible());
    d.runtime.show("no box once the program ends", 0);  // returns at once
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
