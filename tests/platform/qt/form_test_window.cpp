// The window's own settings: its frame, size, place and colour, and its state as the
// program sets it and the window manager reports it.

#include "tests/platform/qt/form_test_fixture.h"

namespace {

using namespace qt_test;
using platform_qt::QtForm;
using platform_qt::QtRuntime;

// ---- window settings ----------------------------------------------------------------------

TEST_F(FormFixture, ABorderlessWindowHasNoFrameAndAFixedSize) {
    load();
    EXPECT_TRUE(window()->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(window()->minimumSize(), window()->maximumSize());
    EXPECT_EQ(window()->windowTitle(), "Probe window");
    EXPECT_EQ(window()->palette().color(QPalette::Window), QColor(0, 0, 0));
}

TEST_F(FormFixture, AFixedDialogHasACloseBoxOnlyAFixedSizeAndItsPlace) {
    auto& dialog = static_cast<QtForm&>(runtime.load(kDialog, {}));
    QWidget* win = dialog.window();
    const Qt::WindowFlags f = win->windowFlags();
    EXPECT_TRUE(f.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(f.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(win->minimumSize(), QSize(240, 100));
    EXPECT_EQ(win->maximumSize(), QSize(240, 100));
    EXPECT_EQ(win->geometry().topLeft(), QPoint(100, 50));  // the client area's corner
    EXPECT_EQ(win->palette().color(QPalette::Window), win->palette().color(QPalette::Active, QPalette::Button));
    show_and_wait(dialog);
    EXPECT_EQ(win->focusWidget(), dialog.widget("Accept"));
}

TEST_F(FormFixture, TheWindowManagersWithdrawalIsNoChangeOfState) {
    load();
    show_and_wait(*form);
    form->set_window_state(forms::kMinimized);
    QCoreApplication::processEvents();
    form->hide();
    window()->setWindowState(Qt::WindowNoState);  // what X11 reports once the window is withdrawn
    EXPECT_EQ(form->window_state(), forms::kMinimized);
    form->show();  // still minimized: only set_window_state(0) restores it
    EXPECT_TRUE(window()->windowState().testFlag(Qt::WindowMinimized));
    form->hide();
    form->set_window_state(forms::kNormal);
    form->show();
    EXPECT_EQ(window()->windowState() & Qt::WindowMinimized, Qt::WindowStates());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));

    window()->setWindowState(Qt::WindowMinimized);  // the user minimizes the shown window
    EXPECT_EQ(form->window_state(), forms::kMinimized);
    window()->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(form->window_state(), forms::kNormal);
}

}  // namespace
