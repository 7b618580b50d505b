#pragma once
// Main on each real runtime, one table for both, driven by a person's pointer and keys. A
// driver is a forms driver (tests/platform/forms_driver.h) that also brings Main's `tray`
// and has `click_tray_icon()` (a left click, as the notification area passes it on),
// `tray_tip()`, `tray_icon_shown()`, `client_size(form)`, `place(form, control)` (a windowed
// control's place in its container, in pixels), `tip(form, control)` (its tooltip) and
// `ended()` (the program has ended).

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "main_window/main_model.h"
#include "platform/forms/form_geometry.h"
#include "tests/main_window/main_wiring.h"
#include "tests/platform/forms_contract.h"

namespace main_test {

template <class D>
class MainOnRuntime : public ::testing::Test, public MainWiring {
protected:
    D driver;
    main_window::MainWindow main{services(driver.runtime, driver.runtime, driver.tray)};
    decltype(driver.runtime.find("Main")) form = nullptr;  // the runtime's own form type

    void SetUp() override {
        main.start();
        form = driver.runtime.find("Main");
        ASSERT_NE(form, nullptr);
        driver.show(*form);
        driver.settle(100);
    }
    void click(int x, int y) {
        driver.press(*form, x, y, 1, contract::kNoShift);
        driver.release(*form, x, y, 1, contract::kNoShift);
        driver.settle(5);
    }
    void click(std::string_view control) {
        const forms::PixelRect at = driver.place(*form, control);
        click(at.left + at.width / 2, at.top + at.height / 2);
    }
};

TYPED_TEST_SUITE_P(MainOnRuntime);

TYPED_TEST_P(MainOnRuntime, LoadsAt257By145WithTheSentenceAndItsButtonsPlacedAndTipped) {
    EXPECT_TRUE(this->form->is_shown());
    ASSERT_TRUE(this->driver.wait_until([&] { return this->form->fields().get("Final") != "Label2"; }));
    EXPECT_EQ(this->form->fields().get("Final"), "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds");
    EXPECT_TRUE(this->log.str().empty()) << this->log.str();
    EXPECT_EQ(this->driver.client_size(*this->form), std::make_pair(257, 145));
    const std::tuple<const char*, forms::PixelRect, const char*> kButtons[] = {
        {"Title_Close", {238, 2, 17, 17}, "Close"}, {"Title_MinTray", {221, 2, 17, 17}, "Minimize to Tray"},
        {"Title_Menu", {181, 2, 40, 17}, "Menu"},   {"Frame1", {72, 19, 153, 68}, ""},
        {"menu_website", {8, 8, 137, 17}, ""},      {"menu_wrenhollow", {8, 28, 137, 17}, ""},
        {"menu_about", {8, 48, 137, 17}, ""},
    };
    for (const auto& [control, pixels, tip] : kButtons) {
        EXPECT_EQ(this->driver.place(*this->form, control), pixels) << control;
        EXPECT_EQ(this->driver.tip(*this->form, control), tip) << control;
    }
}

TYPED_TEST_P(MainOnRuntime, TheCaptionStripLiesUnderLine3AndShape1InTheCaptionColour) {
    const std::uint32_t caption = this->driver.system_rgb(*this->form, forms::kActiveCaption);
    const std::uint32_t border = this->driver.system_rgb(*this->form, forms::kActiveBorder);
    ASSERT_NE(caption, border);
    const std::tuple<const char*, int, int, std::uint32_t> kPoints[] = {
        {"the black band above it all", 150, 0, 0x000000},
        {"Shape1's top side", 150, 1, border},
        {"the strip's first row", 150, 2, caption},
        {"the strip below its text", 150, 19, caption},
        {"Line3, on the strip's last row", 100, 20, border},
        {"Line3's lower row", 100, 21, border},
        {"Shape1's left side, across the strip", 1, 10, border},
    };
    for (const auto& [what, x, y, rgb] : kPoints) EXPECT_EQ(this->driver.pixel(*this->form, x, y), rgb) << what;
}

TYPED_TEST_P(MainOnRuntime, FocusStartsOnCommand1WhereSpaceRunsTheClockAndTabGoesRound) {
    auto& d = this->driver;
    EXPECT_EQ(d.focused(*this->form), "Command1");
    // With the timers off and the fields emptied, only the button's own run fills them.
    for (const char* timer : {"Timer1", "Timer2"}) this->form->set_timer_enabled(timer, false);
    for (const char* field : {"CurSec", "MonName"}) this->form->fields().set(field, "");
    d.key(*this->form, contract::Key::Space);
    d.settle(5);
    EXPECT_EQ(this->form->fields().get("CurSec"), "7");
    EXPECT_EQ(this->form->fields().get("MonName"), "April");
    // The panel is hidden: its buttons take no turn.
    for (const char* next : {"Command2", "Title_Menu", "Title_Close", "Title_MinTray", "Command1"}) {
        d.key(*this->form, contract::Key::Tab);
        EXPECT_EQ(d.focused(*this->form), next);
    }
}

TYPED_TEST_P(MainOnRuntime, ThePanelIsShownByTheMenuButtonAndGoesWithTheNextClick) {
    const char* kPanel[] = {"Frame1", "menu_website", "menu_wrenhollow", "menu_about"};
    for (const char* c : kPanel) EXPECT_FALSE(this->driver.native_visible(*this->form, c)) << "at load: " << c;
    const struct {
        const char* what;
        int x, y;
        std::vector<std::string> opened;  // by the shell
        int about_requests;
    } kClicks[] = {
        {"the festival's button", 148, 35, {std::string(main_window::kFestivalPage)}, 0},
        {"the maker's button, over Final", 100, 60, {std::string(main_window::kMakerSite)}, 0},
        {"the About button", 148, 75, {}, 1},
        {"the black margin left of Final", 4, 60, {}, 0},
        {"Final beside the panel", 240, 60, {}, 0},
        {"Label12", 30, 130, {}, 0},
    };
    for (const auto& c : kClicks) {
        SCOPED_TRACE(c.what);
        this->shell.opened.clear();
        this->about_requests = 0;
        this->click("Title_Menu");
        for (const char* p : kPanel) EXPECT_TRUE(this->driver.native_visible(*this->form, p)) << p;
        this->click(c.x, c.y);
        EXPECT_EQ(this->shell.opened, c.opened);
        EXPECT_EQ(this->about_requests, c.about_requests);
        EXPECT_FALSE(this->form->is_visible("Frame1"));
        EXPECT_FALSE(this->driver.native_visible(*this->form, "menu_about"));
        EXPECT_TRUE(this->driver.native_visible(*this->form, "Title_Close"));
    }
}

TYPED_TEST_P(MainOnRuntime, TheTButtonAndTheTrayIconTakeTheWindowAwayAndBringItBack) {
    EXPECT_EQ(this->driver.tray_tip(), main_window::kTrayTip);
    this->click("Title_MinTray");
    EXPECT_FALSE(this->form->is_shown());
    EXPECT_EQ(this->form->window_state(), forms::kMinimized);
    for (const bool shown : {true, false, true}) {
        this->driver.click_tray_icon();
        EXPECT_EQ(this->form->is_shown(), shown);
        EXPECT_EQ(this->form->window_state(), shown ? forms::kNormal : forms::kMinimized);
    }
    EXPECT_TRUE(this->driver.tray_icon_shown());
}

TYPED_TEST_P(MainOnRuntime, TheCloseButtonEndsTheProgramAndTakesTheIconAway) {
    this->click("Title_Close");
    this->driver.settle(50);
    EXPECT_TRUE(this->driver.ended());
    EXPECT_FALSE(this->driver.loaded("Main"));
    EXPECT_FALSE(this->driver.tray_icon_shown());
}

REGISTER_TYPED_TEST_SUITE_P(MainOnRuntime, LoadsAt257By145WithTheSentenceAndItsButtonsPlacedAndTipped,
                            TheCaptionStripLiesUnderLine3AndShape1InTheCaptionColour,
                            FocusStartsOnCommand1WhereSpaceRunsTheClockAndTabGoesRound,
                            ThePanelIsShownByTheMenuButtonAndGoesWithTheNextClick,
                            TheTButtonAndTheTrayIconTakeTheWindowAwayAndBringItBack,
                            TheCloseButtonEndsTheProgramAndTakesTheIconAway);

}  // namespace main_test
