// The model of Main checked against what the window must show: which controls are inside the
// visible client area, which are cut off at its edge, and the design texts the engine relies on.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "main_window/main_model.h"
#include "platform/forms/forms.h"

namespace {

using main_window::kMain;

const forms::Control& control(std::string_view name) {
    for (const auto& c : kMain.controls)
        if (c.name == name) return c;
    throw std::out_of_range(std::string(name));
}

enum class Seen { Yes, Clipped, No };

// Where a control lies relative to the 3855 x 2175-twip client area, in window coordinates.
Seen seen(const forms::Control& c) {
    int left = c.rect.left, top = c.rect.top, right = left + c.rect.width, bottom = top + c.rect.height;
    if (c.kind == forms::Kind::Line) {
        left = std::min(c.ends.x1, c.ends.x2);
        right = std::max(c.ends.x1, c.ends.x2);
        top = std::min(c.ends.y1, c.ends.y2);
        bottom = std::max(c.ends.y1, c.ends.y2);
    }
    if (!c.container.empty()) {
        const auto& frame = control(c.container);
        left += frame.rect.left, right += frame.rect.left, top += frame.rect.top, bottom += frame.rect.top;
    }
    if (left >= kMain.client_width || top >= kMain.client_height) return Seen::No;
    if (right > kMain.client_width || bottom > kMain.client_height) return Seen::Clipped;
    return Seen::Yes;
}

TEST(MainModel, HasFiftyOneUniquelyNamedControls) {
    std::set<std::string_view> names;
    for (const auto& c : kMain.controls) names.insert(c.name);
    EXPECT_EQ(kMain.controls.size(), 51u);
    EXPECT_EQ(names.size(), 51u);
    EXPECT_EQ(kMain.controls.front().name, "Title_MinTray");
    EXPECT_EQ(kMain.controls.back().name, "CurDay");
}

TEST(MainModel, OnlyTheCaptionStripSentenceAndPanelAreInsideTheWindow) {
    const std::map<std::string_view, Seen> visible = {
        {"Title_MinTray", Seen::Yes},   {"Title_Close", Seen::Yes}, {"Title_Menu", Seen::Yes},
        {"Frame1", Seen::Yes},          {"menu_about", Seen::Yes},  {"menu_website", Seen::Yes},
        {"menu_wrenhollow", Seen::Yes}, {"Shape1", Seen::Yes},      {"Final", Seen::Yes},
        {"Label12", Seen::Yes},         {"Line3", Seen::Clipped},   {"Label2", Seen::Clipped},
    };
    for (const auto& c : kMain.controls) {
        if (c.kind == forms::Kind::Timer) continue;
        auto it = visible.find(c.name);
        EXPECT_EQ(seen(c), it == visible.end() ? Seen::No : it->second) << c.name;
    }
    // Label12 reaches the bottom edge; Shape1 is flush with the right and bottom edges.
    const auto& l12 = control("Label12");
    EXPECT_EQ(l12.rect.top + l12.rect.height, kMain.client_height);
    const auto& shape = control("Shape1");
    EXPECT_EQ(shape.rect.left + shape.rect.width, kMain.client_width);
    EXPECT_EQ(shape.rect.top + shape.rect.height, kMain.client_height);
}

TEST(MainModel, FieldsStartWithTheirDesignTexts) {
    const auto specs = forms::label_fields(kMain);
    engine::FieldStore fields(specs);
    // clang-format off
    const std::map<std::string, std::string> design = {
        {"CurYear", "Label9"}, {"CurYearVal", "Label9"}, {"DaysInMon", "Label9"}, {"Final", "Label2"},
        {"CurMon", "CurMon"},  {"EndDays", "EndDays"},   {"TotalDays", "TotalDays"}, {"Label15", ""},
        {"Label2", "  Time until Velmora Fest 3"},       {"Label12", "Until Velmora Fest !!!"},
    };
    // clang-format on
    for (const auto& [name, text] : design) EXPECT_EQ(fields.get(name), text) << name;
    // Buttons, lines, the shape and timers are not fields.
    EXPECT_FALSE(fields.contains("Command1"));
    EXPECT_FALSE(fields.contains("Line3"));
    EXPECT_FALSE(fields.contains("Timer1"));
}

TEST(MainModel, DesignNotesKeepTheirExactBlanksAndQuotes) {
    const std::string label3(control("Label3").text);
    EXPECT_EQ(label3, std::string(4, ' ') + "Hour" + std::string(18, ' ') + "Minute" + std::string(15, ' ') + "Day" +
                          std::string(13, ' ') + "Second");
    const std::string label1(control("Label1").text);
    EXPECT_EQ(std::count(label1.begin(), label1.end(), '"'), 3);
    EXPECT_EQ(control("Frame1").text, "");
}

TEST(MainModel, FocusOrderFollowsTabIndexes) {
    std::vector<std::pair<int, std::string_view>> focusable;
    for (const auto& c : kMain.controls)
        if (c.kind == forms::Kind::Button) focusable.push_back({c.tab, c.name});
    std::sort(focusable.begin(), focusable.end());
    std::vector<std::string_view> order;
    for (const auto& [tab, name] : focusable) order.push_back(name);
    EXPECT_EQ(order, (std::vector<std::string_view>{"Command1", "Command2", "Title_Menu", "Title_Close",
                                                    "menu_wrenhollow", "menu_website", "menu_about", "Title_MinTray"}));
}

TEST(MainModel, AddressesAndTheMakersHostAgree) {
    EXPECT_TRUE(main_window::kFestivalPage.starts_with("https://"));
    EXPECT_TRUE(main_window::kFestivalPage.ends_with("/VelmoraFest"));
    EXPECT_EQ(std::string(main_window::kMakerSite), "http://" + std::string(main_window::kMakerHost));
    EXPECT_EQ(control("menu_wrenhollow").text, main_window::kMakerHost);
}

}  // namespace
