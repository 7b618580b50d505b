#pragma once
// What a message box shows on the real runtimes: the buttons and the icon its style chooses,
// its title, its prompt as plain text; and the loop goes on while it is up.

#include "tests/platform/forms_contract.h"

namespace contract {

template <RealDriver D>
using FormsBoxes = FormsContract<D>;
TYPED_TEST_SUITE_P(FormsBoxes);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FormsBoxes);

TYPED_TEST_P(FormsBoxes, TheStyleChoosesTheButtonsAndTheIcon) {
    using enum platform::BoxIcon;
    struct Case {
        int style;
        std::vector<std::string> buttons;
        platform::BoxIcon icon;
    };
    const Case kCases[] = {
        {0, {"OK"}, None},
        {1, {"OK", "Cancel"}, None},
        {2, {"Abort", "Retry", "Ignore"}, None},
        {3, {"Yes", "No", "Cancel"}, None},
        {4, {"Yes", "No"}, None},
        {5, {"Retry", "Cancel"}, None},
        {16, {"OK"}, Critical},
        {32 + 3, {"Yes", "No", "Cancel"}, Question},
        {48 + 4, {"Yes", "No"}, Exclamation},
        {64 + 1, {"OK", "Cancel"}, Information},
        {27, {"OK"}, Critical},    // the farewell box: set 11 names no buttons, so OK
        {6 + 4096, {"OK"}, None},  // neither an unknown set nor system modality gets through
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE("style " + std::to_string(c.style));
        const Box box = this->driver.read_box("Prompt", c.style, std::nullopt, 30);
        EXPECT_EQ(box.buttons, c.buttons);
        EXPECT_EQ(box.icon, c.icon);
    }
}

TYPED_TEST_P(FormsBoxes, TheBoxBearsItsOwnTitleOrTheApplications) {
    EXPECT_EQ(this->driver.read_box("p", 0, std::nullopt, 30).title, kAppTitle);
    EXPECT_EQ(this->driver.read_box("p", 0, "Just so you know...", 30).title, "Just so you know...");
    EXPECT_EQ(this->driver.read_box("p", 0, "\u00dcber Velmora", 30).title, "\u00dcber Velmora");
    EXPECT_EQ(this->driver.read_box("p", 0, "", 30).title, "") << "an empty title of its own";
}

TYPED_TEST_P(FormsBoxes, ThePromptIsShownAsPlainTextWithItsLineBreaksUpToANul) {
    struct Case {
        std::string prompt;
        std::vector<std::string> lines;
    };
    const Case kCases[] = {
        {"have a great time at the show!\r\n   -Ardo", {"have a great time at the show!", "   -Ardo"}},
        {"one\rtwo\nthree", {"one", "two", "three"}},
        {"<b>not bold</b> & more", {"<b>not bold</b> & more"}},
        {std::string("cut\0here", 8), {"cut"}},
        {"\u00dcber \u6771\u4eac", {"\u00dcber \u6771\u4eac"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.prompt);
        EXPECT_EQ(this->driver.read_box(c.prompt, 0, std::nullopt, 30).lines, c.lines);
    }
}

TYPED_TEST_P(FormsBoxes, ShowReturnsOnceTheBoxIsAnsweredAndTimersTickMeanwhile) {
    int ticks = 0;
    forms::Form& form = this->load({{"Ticker", Event::Tick, [&](forms::Form&, const forms::Mouse&) { ++ticks; }}});
    this->driver.show(form);
    const Box box =
        this->driver.read_box("This program will not work anymore\r\n   -Ardo", 27, "Just so you know...", 300);
    EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
    EXPECT_GE(ticks, 5) << "ticks while the box is up";
}

REGISTER_TYPED_TEST_SUITE_P(FormsBoxes, TheStyleChoosesTheButtonsAndTheIcon, TheBoxBearsItsOwnTitleOrTheApplications,
                            ThePromptIsShownAsPlainTextWithItsLineBreaksUpToANul,
                            ShowReturnsOnceTheBoxIsAnsweredAndTimersTickMeanwhile);

}  // namespace contract
