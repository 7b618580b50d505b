// The arrival window against the fake runtime: a new window per request, and its farewell.

#include <gtest/gtest.h>

#include <string>

#include "platform/fakes/fake_forms.h"
#include "secondary_windows/arrival_window.h"

namespace {

const std::string kFarewellLine =
    "This program will not work anymore, delete it from your computer and have a great time at the show!";

TEST(ArrivalWindow, EachRequestMakesANewWindowShownModeless) {
    fakes::FakeRuntime runtime;
    forms::Form& first = secondary::open_arrival_window(runtime, runtime);
    forms::Form& second = secondary::open_arrival_window(runtime, runtime);
    EXPECT_NE(&first, &second);
    const auto windows = runtime.windows("VEF2D");
    ASSERT_EQ(windows.size(), 2u);
    for (fakes::FakeForm* w : windows) {
        EXPECT_TRUE(w->is_shown());
        EXPECT_EQ(w->shows(), 1);
        EXPECT_EQ(w->caption(), "YEAH!");
    }
    EXPECT_TRUE(runtime.boxes().empty()) << "opening shows no box";
}

TEST(ArrivalWindow, TheButtonShowsTheFarewellEachTimeAndNothingCloses) {
    fakes::FakeRuntime runtime;
    secondary::open_arrival_window(runtime, runtime);
    fakes::FakeForm& window = runtime.window("VEF2D");
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(window.click("Command1"));

    ASSERT_EQ(runtime.boxes().size(), 3u);
    for (const fakes::ShownBox& box : runtime.boxes()) {
        EXPECT_EQ(box.prompt, kFarewellLine + "\r\n   -Ardo");
        EXPECT_EQ(box.style, 27);
        EXPECT_EQ(box.title, "Just so you know...");
    }
    EXPECT_EQ(runtime.windows("VEF2D").size(), 1u);
    EXPECT_TRUE(window.is_shown());
}

TEST(ArrivalWindow, TheFarewellIsExactlyTwoLines) {
    fakes::FakeRuntime runtime;
    secondary::open_arrival_window(runtime, runtime);
    runtime.window("VEF2D").click("Command1");
    const std::string prompt = runtime.boxes().at(0).prompt;
    const auto cr_lf = prompt.find("\r\n");
    ASSERT_NE(cr_lf, std::string::npos);
    EXPECT_EQ(prompt.find('\n', cr_lf + 2), std::string::npos) << "one line break only";
    EXPECT_EQ(prompt.find('\r', cr_lf + 1), std::string::npos);
    EXPECT_EQ(prompt.substr(0, cr_lf), kFarewellLine);
    EXPECT_EQ(prompt.substr(cr_lf + 2), "   -Ardo") << "three leading blanks, a hyphen, the name";
}

TEST(ArrivalWindow, ClosingOneLeavesTheOthersAsTheyWere) {
    fakes::FakeRuntime runtime;
    secondary::open_arrival_window(runtime, runtime);
    secondary::open_arrival_window(runtime, runtime);
    runtime.windows("VEF2D").front()->unload();
    ASSERT_EQ(runtime.windows("VEF2D").size(), 1u);
    fakes::FakeForm& left = runtime.window("VEF2D");
    EXPECT_TRUE(left.is_shown());
    EXPECT_TRUE(left.click("Command1"));
    EXPECT_EQ(runtime.boxes().size(), 1u);
}

}  // namespace
