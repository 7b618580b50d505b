// Pixels at a density, what is painted in front, which label a point falls on, and the pixels
// of lines and outlines: the rules every runtime draws and hit-tests by.

#include "platform/forms/form_geometry.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using forms::Control;
using forms::Kind;
using forms::PixelRect;

TEST(Density, ConvertsTwipsRoundingEachValueOnItsOwn) {
    struct Case {
        double dpi;
        forms::Rect twips;
        PixelRect pixels;
    };
    const Case kCases[] = {
        {96, {0, 0, 3855, 2175}, {0, 0, 257, 145}},     // Main's client area
        {96, {3320, 30, 255, 255}, {221, 2, 17, 17}},   // halves round away from zero
        {144, {0, 0, 3855, 2175}, {0, 0, 386, 218}},    // 150 %
        {192, {3320, 30, 255, 255}, {443, 4, 34, 34}},  // 200 %
        {96, {-15, -7, -30, 0}, {-1, 0, 0, 0}},         // a negative size is no size
    };
    for (const Case& c : kCases) {
        const forms::Density d{c.dpi, c.dpi};
        EXPECT_EQ(d.rect(c.twips), c.pixels) << c.dpi << " dpi, left " << c.twips.left;
    }
    EXPECT_DOUBLE_EQ((forms::Density{144, 144}.twips_per_pixel_x()), 10.0);
}

// Front to back as listed: A over B over the line; the button is a window of its own; the
// label in the frame belongs to the frame's surface.
constexpr Control kControls[] = {
    {.name = "A", .kind = Kind::Label, .rect = {0, 0, 300, 300}},
    {.name = "Btn", .kind = Kind::Button, .rect = {0, 0, 300, 300}},
    {.name = "B", .kind = Kind::Label, .rect = {150, 150, 300, 300}},
    {.name = "L", .kind = Kind::Line, .ends = {0, 60, 600, 60}},
    {.name = "F", .kind = Kind::Frame, .rect = {600, 0, 600, 600}},
    {.name = "InF", .kind = Kind::Label, .rect = {0, 0, 150, 150}, .container = "F"},
};
constexpr forms::WindowModel kModel{.name = "W", .caption = "", .controls = kControls};

TEST(PaintOrder, PaintsTheFirstListedLastAndLeavesWindowedControlsOut) {
    EXPECT_EQ(forms::paint_order(kModel, ""), (std::vector<std::size_t>{3, 2, 0}));
    EXPECT_EQ(forms::paint_order(kModel, "F"), (std::vector<std::size_t>{5}));
}

TEST(LabelAt, FindsTheFrontMostShownLabelOfTheSurface) {
    struct Case {
        const char* where;
        const char* container;
        int x, y;
        std::vector<bool> shown;
        std::optional<std::size_t> label;
    };
    const std::vector<bool> all(6, true);
    const Case kCases[] = {
        {"A alone", "", 2, 2, all, 0},
        {"A over B", "", 12, 12, all, 0},
        {"B alone", "", 25, 25, all, 2},
        {"the line passes the press to A", "", 5, 4, all, 0},
        {"A hidden, B under it", "", 12, 12, {false, true, true, true, true, true}, 2},
        {"past both", "", 31, 31, all, std::nullopt},
        {"the right edge is outside", "", 20, 5, all, std::nullopt},
        {"inside the frame", "F", 3, 3, all, 5},
    };
    const forms::Density d{};
    for (const Case& c : kCases)
        EXPECT_EQ(forms::label_at(kModel, c.container, d, c.shown, c.x, c.y), c.label) << c.where;
}

TEST(LineBand, CoversThePixelsThePlatformDraws) {
    struct Case {
        const char* what;
        forms::LineBand band;
        PixelRect pixels;
    };
    const Case kCases[] = {
        {"one pixel, end excluded", {.x1 = 0, .y1 = 20, .x2 = 280, .y2 = 20}, {0, 20, 280, 1}},
        {"two pixels start on the row", {.x1 = 0, .y1 = 20, .x2 = 280, .y2 = 20, .width = 2}, {0, 20, 280, 2}},
        {"three pixels start one above", {.x1 = 0, .y1 = 20, .x2 = 10, .y2 = 20, .width = 3}, {0, 19, 10, 3}},
        {"inside solid starts on the row",
         {.x1 = 0, .y1 = 20, .x2 = 10, .y2 = 20, .width = 3, .inside = true},
         {0, 20, 10, 3}},
        {"drawn backwards excludes the other end", {.x1 = 10, .y1 = 5, .x2 = 0, .y2 = 5}, {1, 5, 10, 1}},
        {"vertical", {.x1 = 632, .y1 = 448, .x2 = 632, .y2 = 24}, {632, 25, 1, 424}},
        {"no length", {.x1 = 3, .y1 = 3, .x2 = 3, .y2 = 3}, {}},
        {"slanted", {.x1 = 0, .y1 = 0, .x2 = 5, .y2 = 9}, {}},
    };
    for (const Case& c : kCases) EXPECT_EQ(c.band.straight_pixels(), c.pixels) << c.what;

    const Control line3{.name = "Line3", .kind = Kind::Line, .ends = {0, 300, 4200, 300}, .line_width = 2};
    EXPECT_EQ(forms::LineBand::of(line3, {}).straight_pixels(), (PixelRect{0, 20, 280, 2}));
}

TEST(OutlineBands, LieInsideTheShapeAndNeverExceedIt) {
    EXPECT_EQ(forms::outline_bands({1, 1, 256, 144}, 1),
              (std::vector<PixelRect>{{1, 1, 256, 1}, {1, 144, 256, 1}, {1, 1, 1, 144}, {256, 1, 1, 144}}));
    EXPECT_EQ(forms::outline_bands({0, 0, 4, 3}, 9),
              (std::vector<PixelRect>{{0, 0, 4, 3}, {0, 0, 4, 3}, {0, 0, 3, 3}, {1, 0, 3, 3}}));
    EXPECT_TRUE(forms::outline_bands({0, 0, 0, 5}, 1).empty());
}

}  // namespace
