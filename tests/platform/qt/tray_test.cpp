// The tray icon: activations as mouse-message codes, an area that comes and goes, the
// tooltip kept without one, the context menu, removal.

#include <QAction>
#include <QMenu>

#include "platform/qt/qt_tray.h"
#include "tests/platform/qt/qt_harness.h"

namespace {

using platform_qt::QtTray;
using platform_qt::tray_codes;
using qt_test::settle;
using qt_test::wait_for;

TEST(Tray, ActivationsAreToldAsTheMouseMessagesTheyStandFor) {
    struct Case {
        QSystemTrayIcon::ActivationReason reason;
        std::vector<int> codes;
    };
    const Case kCases[] = {
        {QSystemTrayIcon::Trigger, {0x202}},
        {QSystemTrayIcon::Context, {0x205}},
        {QSystemTrayIcon::DoubleClick, {0x203, 0x202}},
        {QSystemTrayIcon::MiddleClick, {0x208}},
        {QSystemTrayIcon::Unknown, {}},
    };
    for (const Case& c : kCases) EXPECT_EQ(tray_codes(c.reason), c.codes) << c.reason;
}

struct TrayFixture : ::testing::Test {
    bool area = true;
    QtTray tray{QIcon(), [this] { return area; }, std::chrono::milliseconds(10)};
    std::vector<int> codes;
    std::vector<bool> changes;

    bool add() {
        tray.on_availability([this](bool a) { changes.push_back(a); });
        return tray.add("Time until Tarnwick 11", [this](int code) { codes.push_back(code); });
    }
};

TEST_F(TrayFixture, AClickAndADoubleClickArriveAsCodes) {
    ASSERT_TRUE(add());
    emit tray.icon()->activated(QSystemTrayIcon::Trigger);  // a double-click, as Qt reports it
    emit tray.icon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(codes, (std::vector<int>{0x202, 0x203, 0x202}));  // two releases in all
}

TEST_F(TrayFixture, TheIconCarriesTheTooltipAndAnImage) {
    ASSERT_TRUE(add());
    EXPECT_TRUE(tray.shown());
    EXPECT_EQ(tray.icon()->toolTip(), "Time until Tarnwick 11");
    EXPECT_FALSE(tray.icon()->icon().isNull());  // a stand-in when the program has none
    EXPECT_TRUE(tray.icon()->isVisible());
}

TEST_F(TrayFixture, WithoutAnAreaAddFailsButTheIconIsPlacedWhenOneAppears) {
    area = false;
    EXPECT_FALSE(add());
    EXPECT_FALSE(tray.shown());
    ASSERT_NE(tray.icon(), nullptr);
    EXPECT_EQ(tray.icon()->toolTip(), "Time until Tarnwick 11");  // kept for a later area

    area = true;
    ASSERT_TRUE(wait_for([&] { return !changes.empty(); }));
    EXPECT_TRUE(tray.shown());
    EXPECT_TRUE(tray.icon()->isVisible());

    area = false;
    ASSERT_TRUE(wait_for([&] { return changes.size() == 2; }));
    EXPECT_FALSE(tray.shown());
    settle(50);
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));  // once per change, not per check
}

TEST_F(TrayFixture, RemoveTakesTheIconAwayAndStopsWatchingTheArea) {
    ASSERT_TRUE(add());
    tray.remove();
    EXPECT_EQ(tray.icon(), nullptr);
    EXPECT_FALSE(tray.shown());
    EXPECT_FALSE(tray.area_check().isActive());
    area = false;
    settle(50);
    EXPECT_TRUE(changes.empty());
    tray.remove();  // a second removal changes nothing
}

TEST_F(TrayFixture, TheContextMenuOffersItsItemsOnTheIcon) {
    int shown = 0, closed = 0;
    tray.set_menu({{"Show", [&] { ++shown; }}, {"Close", [&] { ++closed; }}});
    ASSERT_TRUE(add());
    ASSERT_NE(tray.menu(), nullptr);
    EXPECT_EQ(tray.icon()->contextMenu(), tray.menu());
    const QList<QAction*> actions = tray.menu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), "Show");
    EXPECT_EQ(actions[1]->text(), "Close");
    actions[1]->trigger();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(shown, 0);

    tray.set_menu({});  // no items: no menu
    EXPECT_EQ(tray.icon()->contextMenu(), nullptr);
}

}  // namespace
