#pragma once
// What the About box and the arrival window do for a person, written once: the fake, Qt
// offscreen and Win32 under Wine each run these tests through their runtime's one driver
// (tests/platform/forms_driver.h).

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "identity/identity.h"
#include "platform/fakes/fake_launcher.h"
#include "platform/fakes/fake_registry.h"
#include "secondary_windows/about_box.h"
#include "secondary_windows/about_model.h"
#include "secondary_windows/arrival_model.h"
#include "secondary_windows/arrival_window.h"
#include "tests/platform/forms_driver.h"

namespace secondary_contract {

using contract::Box;
using contract::Key;

// The program's name, which the About box shows.
inline const std::string kAppTitle{identity::kProductName};
inline const std::string kAboutTitle = "About " + kAppTitle;
inline const std::string kMadeWith = "C++ and the Win32 API";
// A box of one line with an OK button and no icon, under the title the test's runtime was given.
inline Box plain_box(std::string line) { return {.title = probe::kAppTitle, .lines = {std::move(line)}}; }
inline const Box kFarewell{
    .title = "Just so you know...",
    .lines = {"This program will not work anymore, delete it from your computer and have a great time at the show!",
              "   -Ardo"},
    .icon = platform::BoxIcon::Critical};

template <contract::FormsDriver D>
class SecondaryWindows : public ::testing::Test {
protected:
    D driver;
    secondary::AboutBox about{driver.runtime, driver.runtime, driver.shell, kMadeWith};

    forms::Form& open_about() {
        about.open();
        driver.settle(20);
        if (!about.form()) throw std::logic_error("the About box did not open");
        return *about.form();
    }
    // The texts the load step gives; the rest keep their design texts.
    void expect_loaded_texts(forms::Form& form) {
        EXPECT_EQ(form.caption(), kAboutTitle);
        EXPECT_EQ(driver.text(form, "lblVersion"), "Version " + std::string(identity::kVersion));
        EXPECT_EQ(driver.text(form, "lblTitle"), kAppTitle);
        EXPECT_EQ(driver.text(form, "Label1"), secondary::credit_line(kMadeWith))
            << "the credit names what the build it was given is made with";
        EXPECT_EQ(driver.text(form, "Label3"), "DISCLAIMER:");
    }
};

TYPED_TEST_SUITE_P(SecondaryWindows);

// ---- the About box ----------------------------------------------------------------------

TYPED_TEST_P(SecondaryWindows, AboutIsOneWindowHoweverOftenItIsAskedFor) {
    auto& d = this->driver;
    forms::Form& first = this->open_about();
    this->expect_loaded_texts(first);
    first.fields().set("lblTitle", "changed while open");
    this->about.open();
    this->about.open();
    d.settle(20);
    EXPECT_EQ(this->about.form(), &first);
    EXPECT_EQ(d.windows("frmAbout"), std::vector<forms::Form*>{&first});
    EXPECT_EQ(d.on_screen(kAboutTitle), 1);
    EXPECT_EQ(d.text(first, "lblTitle"), "changed while open") << "no second load step";
    EXPECT_TRUE(d.boxes().empty());
}

// However the window goes, the Unload event alone resets the instance.
TYPED_TEST_P(SecondaryWindows, AboutOkEnterEscAndTheCloseBoxEachUnloadAndTheNextOpenReloads) {
    struct Way {
        const char* what;
        std::function<void(TypeParam&, forms::Form&)> close;
    };
    const Way kWays[] = {
        {"OK clicked", [](TypeParam& d, forms::Form& f) { d.click(f, "cmdOK"); }},
        {"Enter", [](TypeParam& d, forms::Form& f) { d.key(f, Key::Return); }},
        {"Esc", [](TypeParam& d, forms::Form& f) { d.key(f, Key::Escape); }},
        {"the close box", [](TypeParam& d, forms::Form& f) { d.close_box(f); }},
    };
    auto& d = this->driver;
    for (const Way& way : kWays) {
        SCOPED_TRACE(way.what);
        forms::Form& form = this->open_about();
        form.fields().set("lblTitle", "scribbled over");
        form.set_caption("scribbled over");
        way.close(d, form);
        d.settle(20);
        EXPECT_FALSE(this->about.is_open());
        EXPECT_TRUE(d.windows("frmAbout").empty());
        EXPECT_EQ(d.on_screen("scribbled over"), 0);

        forms::Form& again = this->open_about();
        EXPECT_EQ(d.windows("frmAbout"), std::vector<forms::Form*>{&again});
        EXPECT_TRUE(again.is_shown());
        this->expect_loaded_texts(again);
        again.unload();
        d.settle(20);
    }
}

TYPED_TEST_P(SecondaryWindows, AboutMailButtonAndLabel6AnswerEachClickAndTheWindowStays) {
    auto& d = this->driver;
    forms::Form& form = this->open_about();
    d.click(form, "Command1");
    d.click(form, "Command1");
    EXPECT_EQ(d.shell.opened, std::vector<std::string>(2, "mailto:ardo@example.org"));
    EXPECT_TRUE(d.boxes().empty()) << "the mail button reports nothing";
    d.click(form, "Label6");
    d.click(form, "Label6");
    std::vector<Box> expected;
    for (int click = 0; click < 2; ++click)
        for (const char* line : {"here's a hint, it's not.", "but maybe it is",
                                 "it all depends on wether I decide to learn how to make one or not."})
            expected.push_back(plain_box(line));
    EXPECT_EQ(d.boxes(), expected);
    EXPECT_TRUE(this->about.is_open());
    EXPECT_TRUE(form.is_shown());
}

// StartSysInfo, which nothing in the program calls, starts the tool the registry it was given
// names, through the launcher it was given; without a registry it says the tool is unavailable.
TYPED_TEST_P(SecondaryWindows, AboutStartSysInfoStartsTheToolOrSaysItIsUnavailable) {
    auto& d = this->driver;
    fakes::FakeRegistry registry;
    fakes::FakeLauncher launcher;
    const std::string key = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", tool = "C:\\Windows\\msinfo32.exe";
    registry.add_key(platform::kLocalMachine, key);
    registry.set_text(platform::kLocalMachine, key, "PATH", tool);
    launcher.files = {tool};
    secondary::AboutBox with_tool(d.runtime, d.runtime, d.shell, kMadeWith, registry, launcher);
    with_tool.StartSysInfo();
    EXPECT_EQ(launcher.started, std::vector<std::string>{tool});
    EXPECT_FALSE(with_tool.is_open()) << "starting the tool does not open the window";

    this->open_about();
    this->about.StartSysInfo();
    EXPECT_EQ(d.boxes(), std::vector<Box>{plain_box("System Information Is Unavailable At This Time")});
    EXPECT_TRUE(this->about.is_open()) << "the About window stays as it was";
}

// The window may outlive its AboutBox at the end of the program; its events then do nothing.
TYPED_TEST_P(SecondaryWindows, AboutAWindowThatOutlivesItsBoxIgnoresItsEvents) {
    auto& d = this->driver;
    auto about = std::make_unique<secondary::AboutBox>(d.runtime, d.runtime, d.shell, kMadeWith);
    about->open();
    d.settle(20);
    forms::Form& form = *about->form();
    about.reset();
    d.click(form, "Label6");
    d.click(form, "Command1");
    EXPECT_TRUE(d.boxes().empty());
    EXPECT_TRUE(d.shell.opened.empty());
    d.close_box(form);
    d.settle(20);
    EXPECT_TRUE(d.windows("frmAbout").empty());
}

// ---- the arrival window -------------------------------------------------------------------

TYPED_TEST_P(SecondaryWindows, ArrivalEachRequestMakesANewWindowAndClosingOneLeavesTheOthers) {
    auto& d = this->driver;
    forms::Form& first = secondary::open_arrival_window(d.runtime, d.runtime);
    forms::Form& second = secondary::open_arrival_window(d.runtime, d.runtime);
    d.settle(20);
    EXPECT_EQ(d.windows("VEF2D"), (std::vector<forms::Form*>{&first, &second}));
    EXPECT_EQ(d.on_screen("YEAH!"), 2);
    EXPECT_TRUE(d.boxes().empty()) << "opening shows no box";
    d.close_box(first);
    d.settle(20);
    EXPECT_EQ(d.windows("VEF2D"), std::vector<forms::Form*>{&second});
    EXPECT_EQ(d.on_screen("YEAH!"), 1);
    d.click(second, "Command1");
    EXPECT_EQ(d.boxes(), std::vector<Box>{kFarewell});
}

TYPED_TEST_P(SecondaryWindows, ArrivalButtonShowsTheFarewellEachTimeAndNothingCloses) {
    auto& d = this->driver;
    forms::Form& form = secondary::open_arrival_window(d.runtime, d.runtime);
    for (int i = 0; i < 3; ++i) d.click(form, "Command1");
    EXPECT_EQ(d.boxes(), std::vector<Box>(3, kFarewell));
    EXPECT_EQ(d.windows("VEF2D"), std::vector<forms::Form*>{&form});
    EXPECT_TRUE(form.is_shown());
}

REGISTER_TYPED_TEST_SUITE_P(SecondaryWindows, AboutIsOneWindowHoweverOftenItIsAskedFor,
                            AboutOkEnterEscAndTheCloseBoxEachUnloadAndTheNextOpenReloads,
                            AboutMailButtonAndLabel6AnswerEachClickAndTheWindowStays,
                            AboutStartSysInfoStartsTheToolOrSaysItIsUnavailable,
                            AboutAWindowThatOutlivesItsBoxIgnoresItsEvents,
                            ArrivalEachRequestMakesANewWindowAndClosingOneLeavesTheOthers,
                            ArrivalButtonShowsTheFarewellEachTimeAndNothingCloses);

// ---- what a screen reader reads (the real runtimes) ---------------------------------------

template <contract::RealDriver D>
using SecondaryReaderNames = SecondaryWindows<D>;
TYPED_TEST_SUITE_P(SecondaryReaderNames);
// The fake has no screen reader.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SecondaryReaderNames);

TYPED_TEST_P(SecondaryReaderNames, EveryLabelAndButtonOfEachWindowIsReadByItsText) {
    auto& d = this->driver;
    forms::Form& about = this->open_about();
    forms::Form& arrival = secondary::open_arrival_window(d.runtime, d.runtime);
    d.settle(20);
    contract::expect_read_as_shown(d, about, secondary::kAbout);
    contract::expect_read_as_shown(d, arrival, secondary::kArrival);
    // The load step's texts are read as they are now, not as designed.
    EXPECT_EQ(d.reader_name(about, "lblVersion"), "Version " + std::string(identity::kVersion));
}

REGISTER_TYPED_TEST_SUITE_P(SecondaryReaderNames, EveryLabelAndButtonOfEachWindowIsReadByItsText);

}  // namespace secondary_contract
