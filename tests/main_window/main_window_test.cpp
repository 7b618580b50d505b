// Main's handlers against the fake runtime: start-up, the panel's roads, the tray toggle,
// the runs on their timers, and the clean-up.

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "main_window/main_model.h"
#include "platform/fakes/fake_forms.h"
#include "tests/main_window/main_wiring.h"

namespace {

using forms::Event;

struct MainFixture : ::testing::Test, main_test::MainWiring {
    fakes::FakeRuntime runtime;
    fakes::FakeTray tray;
    std::unique_ptr<main_window::MainWindow> main;

    void start() {
        main = std::make_unique<main_window::MainWindow>(services(runtime, runtime, tray));
        main->start();
    }
    fakes::FakeForm& form() { return runtime.window("Main"); }
    bool panel() { return form().is_visible("Frame1"); }
};

TEST_F(MainFixture, StartUpHidesThePanelAddsTheIconAndShowsTheWindow) {
    start();
    EXPECT_FALSE(panel());
    EXPECT_EQ(tray.adds, 1);
    EXPECT_EQ(tray.tooltip, "Time until Tarnwick 11");
    EXPECT_TRUE(form().is_shown());
    EXPECT_EQ(form().window_state(), forms::kNormal);
    EXPECT_TRUE(form().timer_enabled("Timer1"));
    EXPECT_TRUE(form().timer_enabled("Timer2"));
    EXPECT_EQ(form().fields().get("Final"), "Label2");
    EXPECT_TRUE(runtime.boxes().empty());
}

TEST_F(MainFixture, TimersDriveTheClockAndTheCountdown) {
    start();
    form().tick("Timer1");
    form().tick("Timer2");
    EXPECT_EQ(form().fields().get("Final"), "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds");
    EXPECT_EQ(form().fields().get("CurYearVal"), "365");
}

TEST_F(MainFixture, TheCountdownStopsOnceAndAsksForOneArrivalWindow) {
    clock.set({2013, 4, 12, 9, 0, 0});
    start();
    form().tick("Timer1");
    for (int i = 0; i < 5; ++i) form().tick("Timer2");
    EXPECT_EQ(arrival_windows, 1);
    EXPECT_FALSE(form().timer_enabled("Timer2"));
    EXPECT_EQ(form().fields().get("Final"), "It is 0 Days, 15 Hours, 60 Minutes, and 60 Seconds");
    clock.set({2013, 4, 12, 9, 0, 5});
    form().tick("Timer1");
    EXPECT_EQ(form().fields().get("CurSec"), "5");
    EXPECT_EQ(form().fields().get("Final"), "It is 0 Days, 15 Hours, 60 Minutes, and 60 Seconds");
}

TEST_F(MainFixture, AFailedRunIsReportedOnceOnTheLogAndNeverInABox) {
    start();
    for (int i = 0; i < 10; ++i) form().tick("Timer2");  // before any clock run
    EXPECT_EQ(form().fields().get("Final"), "Label2");
    const std::string text = log.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("CurMon"), std::string::npos);
    EXPECT_TRUE(runtime.boxes().empty());
    EXPECT_TRUE(form().timer_enabled("Timer2"));  // the program goes on
}

TEST_F(MainFixture, ManualButtonsMakeTheManualRuns) {
    start();
    form().click("Command1");
    EXPECT_EQ(form().fields().get("CurDay"), "3");
    EXPECT_EQ(form().fields().get("CurYear"), "Label9");
    form().click("Command2");
    EXPECT_EQ(form().fields().get("EndDays"), "23");
    EXPECT_EQ(form().fields().get("Final"), "Label2");
}

TEST_F(MainFixture, OnlyTheMenuButtonShowsThePanel) {
    start();
    struct Road {
        const char* control;
        Event event;
        bool panel_after;
    };
    const Road roads[] = {
        {"Title_Menu", Event::Click, true}, {"Title_Menu", Event::Click, true}, {"Final", Event::Click, false},
        {"Title_Menu", Event::Click, true}, {"Label12", Event::Click, false},   {"Title_Menu", Event::Click, true},
        {"Main", Event::Click, false},      {"Main", Event::Click, false},
    };
    for (const auto& r : roads) {
        form().fire(r.control, r.event);
        EXPECT_EQ(panel(), r.panel_after) << r.control;
    }
}

TEST_F(MainFixture, TheCaptionStripMovesTheWindowAndHidesThePanelAfterwards) {
    start();
    for (int button : {1, 2, 4}) {
        form().click("Title_Menu");
        form().fire("Label2", Event::MouseDown, {.button = button});
        EXPECT_TRUE(form().moving());
        EXPECT_TRUE(panel()) << "the panel stays up during the drag";
        form().tick("Timer1");  // ticks go on during the move
        form().end_move();
        EXPECT_FALSE(panel()) << "button " << button;
    }
    EXPECT_EQ(form().moves(), 3);
}

TEST_F(MainFixture, PanelButtonsOpenTheirAddressesAndTheAboutBox) {
    start();
    form().click("Title_Menu");
    form().click("menu_website");
    EXPECT_FALSE(panel());
    form().click("Title_Menu");
    form().click("menu_wrenhollow");
    form().click("Title_Menu");
    form().click("menu_about");
    form().click("Title_Menu");
    form().click("menu_about");
    EXPECT_FALSE(panel());
    EXPECT_EQ(shell.opened, (std::vector<std::string>{std::string(main_window::kFestivalPage),
                                                      std::string(main_window::kMakerSite)}));
    EXPECT_EQ(about_requests, 2);
}

TEST_F(MainFixture, TheToggleFollowsWindowStateAndSetsItBeforeVisibility) {
    start();
    form().click("Title_MinTray");
    EXPECT_EQ(form().window_state(), forms::kMinimized);
    EXPECT_FALSE(form().is_shown());
    tray.send(platform::kTrayLeftUp);
    EXPECT_EQ(form().window_state(), forms::kNormal);
    EXPECT_TRUE(form().is_shown());
    EXPECT_EQ(form().log(), (std::vector<std::string>{"show", "state 1", "hide", "state 0", "show"}));

    // Minimized some other way but still visible: WindowState alone decides, so it comes back.
    form().set_window_state(forms::kMinimized);
    form().click("Title_MinTray");
    EXPECT_EQ(form().window_state(), forms::kNormal);
    EXPECT_TRUE(form().is_shown());
}

TEST_F(MainFixture, TrayNotificationsToggleOnlyOnALeftButtonRelease) {
    start();
    struct Case {
        std::vector<int> codes;
        bool shown_after;
    };
    const Case cases[] = {
        {{0x200}, true},  // the pointer passing over the icon
        {{0x201, 0x204, 0x205, 0x206}, true},
        {{0x201, 0x202}, false},        // a click
        {{0x201, 0x202}, true},         // and back
        {{0x202, 0x203, 0x202}, true},  // a double-click toggles twice
        {{999, -1, 0}, true},
    };
    for (const auto& c : cases) {
        for (int code : c.codes) tray.send(code);
        EXPECT_EQ(form().is_shown(), c.shown_after) << c.codes.front();
    }
}

TEST_F(MainFixture, PointerMovesOverMainNeverToggleItAtAnyScaleWhileTheTrayStillDoes) {
    // 96, 144, 192, 240 and 288 dpi: Main is 3855 twips wide, past pixel 514 from 240 dpi on.
    for (const double twips_per_pixel : {15.0, 10.0, 7.5, 6.0, 5.0}) {
        runtime.set_twips_per_pixel(twips_per_pixel);
        start();
        for (int pixel = 0; pixel <= static_cast<int>(3855 / twips_per_pixel); ++pixel)
            form().fire("Main", Event::MouseMove, {.x = static_cast<float>(pixel * twips_per_pixel)});
        EXPECT_TRUE(form().is_shown()) << twips_per_pixel << " twips a pixel";
        tray.send(platform::kTrayLeftUp);
        EXPECT_FALSE(form().is_shown()) << "the tray's click still toggles at " << twips_per_pixel;
        form().unload();
    }
}

TEST_F(MainFixture, AnUndecodableNotificationGoesToTheFailureBox) {
    start();
    // The largest code, times 15 twips, comes back past the largest 32-bit number.
    tray.send(std::numeric_limits<int>::max());
    ASSERT_EQ(runtime.boxes().size(), 1u);
    EXPECT_EQ(runtime.boxes()[0].prompt, "Overflow");
    EXPECT_EQ(runtime.boxes()[0].style, 64);
    EXPECT_EQ(runtime.boxes()[0].title, "Velmora Fest Countdown - time until zindlefest");
    EXPECT_EQ(runtime.pointer_resets(), 1);
    EXPECT_TRUE(form().is_shown());
}

TEST_F(MainFixture, WithoutANotificationAreaTheToggleKeepsTheWindowOnTheTaskBar) {
    tray.area = false;
    start();
    form().click("Title_MinTray");
    EXPECT_EQ(form().window_state(), forms::kMinimized);
    EXPECT_TRUE(form().is_shown()) << "a hidden window could not be brought back";
    form().click("Title_MinTray");
    EXPECT_EQ(form().window_state(), forms::kNormal);
    EXPECT_TRUE(form().is_shown());
}

TEST_F(MainFixture, AWindowInTheTrayIsNotLostWhenTheNotificationAreaGoes) {
    start();
    form().click("Title_MinTray");
    ASSERT_FALSE(form().is_shown());
    tray.set_area(false);
    EXPECT_TRUE(form().is_shown());
    EXPECT_EQ(form().window_state(), forms::kMinimized);
    tray.set_area(true);
    EXPECT_TRUE(tray.shown());
    form().click("Title_MinTray");
    EXPECT_EQ(form().window_state(), forms::kNormal);
}

TEST_F(MainFixture, TheTrayMenuShowsTheWindowAndCloses) {
    start();
    ASSERT_EQ(tray.menu.size(), 2u);
    EXPECT_EQ(tray.menu[0].text, "Show");
    EXPECT_EQ(tray.menu[1].text, "Close");
    tray.menu[0].run();  // already shown: stays shown
    EXPECT_TRUE(form().is_shown());
    form().click("Title_MinTray");
    tray.menu[0].run();
    EXPECT_TRUE(form().is_shown());
    tray.menu[1].run();
    EXPECT_TRUE(runtime.ended());
    EXPECT_EQ(tray.removes, 1);
}

TEST_F(MainFixture, CloseRemovesTheIconOnceAndEndsTheProgram) {
    start();
    form().click("Title_Close");
    EXPECT_TRUE(runtime.ended());
    EXPECT_EQ(tray.removes, 1);
    EXPECT_FALSE(tray.shown());
    // The end takes the window without its closing steps: nothing removes the icon twice.
    EXPECT_TRUE(runtime.windows("Main").empty());
    EXPECT_EQ(tray.removes, 1);
}

TEST_F(MainFixture, ACloseByTheWindowManagerRemovesTheIconAndLetsTheWindowGo) {
    start();
    form().unload();
    EXPECT_EQ(tray.removes, 1);
    EXPECT_TRUE(runtime.windows("Main").empty());
    EXPECT_FALSE(runtime.ended()) << "other windows may still be open";
    EXPECT_EQ(main->form(), nullptr);
    tray.send(platform::kTrayLeftUp);  // a late notification finds no window and does nothing
    main->toggle();
}

}  // namespace
