// The About box and the arrival window on Qt offscreen: the behaviours every runtime shares
// (secondary_contract.h), and what only Qt shows: the About window's place and icon, and the
// fixed arrival window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>

#include "tests/platform/qt/qt_driver.h"
#include "tests/secondary_windows/secondary_contract.h"

namespace {

using platform_qt::QtForm;
using namespace secondary_contract;

class QtWindows : public ::testing::Test, protected qt_test::QtDriver {};

TEST_F(QtWindows, AboutStandsAtItsOwnPlaceWithItsIcon) {
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt");
    about.open();
    settle(20);
    QtForm& form = qt(*about.form());
    const double tpp = runtime.twips_per_pixel_x();
    EXPECT_EQ(form.window()->geometry().topLeft(), QPoint(qRound(2340 / tpp), qRound(1935 / tpp)));
    EXPECT_EQ(form.window()->size(), QSize(qRound(5760 / tpp), qRound(3765 / tpp)));
    auto* picture = qobject_cast<QLabel*>(form.widget("picIcon"));
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull()) << "the icon resource is found";
    EXPECT_EQ(picture->pixmap().size(), QSize(32, 32));
}

TEST_F(QtWindows, ArrivalWindowIsFixedAndModeless) {
    QWidget* window = qt(secondary::open_arrival_window(runtime, runtime)).window();
    settle(20);
    const double tpp = runtime.twips_per_pixel_x();
    EXPECT_EQ(window->size(), QSize(qRound(7575 / tpp), qRound(5715 / tpp)));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "shown modeless";
}

}  // namespace

namespace secondary_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, SecondaryWindows, qt_test::QtDriver);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, SecondaryReaderNames, qt_test::QtDriver);
}  // namespace secondary_contract
