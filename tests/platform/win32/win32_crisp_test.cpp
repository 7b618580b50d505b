// Main drawn at 150 % and 200 % as a person sees it: the window at its size in real pixels,
// each label's text where it is at 100 % scaled by the density, drawn at the density (not a
// 100 % picture blown up) and not cut at its label's edge. The captures are written as BMP
// files into the build tree for a person to look at.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <string_view>

#include "main_window/main_model.h"
#include "tests/platform/win32/win32_density.h"
#include "tests/platform/win32/win32_forms_fixture.h"

namespace {

using contract::Picture;
using forms::PixelRect;

void write_bmp(const Picture& c, const std::string& path) {
    const int row = (c.width * 3 + 3) / 4 * 4;
    const std::uint32_t image = static_cast<std::uint32_t>(row * c.height), file = 54 + image;
    std::string out(54, '\0');
    auto put = [&out](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
    };
    out[0] = 'B';
    out[1] = 'M';
    put(2, file, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(c.width), 4);
    put(22, static_cast<std::uint32_t>(c.height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, image, 4);
    for (int y = c.height - 1; y >= 0; --y) {  // bottom row first
        for (int x = 0; x < c.width; ++x) {
            const std::uint32_t p = c.at(x, y);
            out += {static_cast<char>(p & 0xFF), static_cast<char>(p >> 8 & 0xFF), static_cast<char>(p >> 16 & 0xFF)};
        }
        out.append(static_cast<std::size_t>(row - c.width * 3), '\0');
    }
    std::ofstream(path, std::ios::binary) << out;
}

// A text's ink: the pixels of `r` that change when the text is drawn, and the box that holds
// them, relative to `r`. What else is drawn there (the window's outline, a line) is no part of it.
struct Ink {
    int pixels = 0;
    PixelRect box;
};
Ink ink_between(const Picture& with, const Picture& without, const PixelRect& r) {
    Ink ink;
    int left = r.width, top = r.height, right = -1, bottom = -1;
    for (int y = r.top; y < r.bottom(); ++y)
        for (int x = r.left; x < r.right(); ++x)
            if (with.at(x, y) != without.at(x, y)) {
                ++ink.pixels;
                left = std::min(left, x - r.left);
                right = std::max(right, x - r.left);
                top = std::min(top, y - r.top);
                bottom = std::max(bottom, y - r.top);
            }
    if (ink.pixels) ink.box = {left, top, right - left + 1, bottom - top + 1};
    return ink;
}

struct Crisp : ::testing::Test {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    platform_win32::Win32Form* form = nullptr;

    void SetUp() override {
        runtime.load(main_window::kMain, {});
        form = runtime.find("Main");
        ASSERT_NE(form, nullptr);
        form->show();
        win32_test::pump_for(runtime, std::chrono::milliseconds(200));
    }
    Picture at(unsigned dpi) {
        win32_test::move_to_density(*form, dpi);
        win32_test::pump_for(runtime, std::chrono::milliseconds(200));
        EXPECT_EQ(form->dpi(), dpi);
        Picture c = win32_test::capture(form->hwnd());
        write_bmp(c, std::string(VELMORA_CAPTURE_DIR) + "/main-" + std::to_string(dpi) + "dpi.bmp");
        return c;
    }
    // A label's ink as the window stands: captured with its text and without.
    Ink ink_of(const forms::Control& label, const Picture& with) {
        const std::string text = form->fields().get(label.name);
        form->fields().set(label.name, "");
        const Picture without = win32_test::capture(form->hwnd());
        form->fields().set(label.name, text);
        return ink_between(with, without, win32_test::place_of(*form, label).room);
    }
    // The labels of Main that show text, with their rectangles in the window's pixels.
    std::vector<const forms::Control*> text_labels() const {
        std::vector<const forms::Control*> out;
        for (const forms::Control& c : form->model().controls)
            if (c.kind == forms::Kind::Label && win32_test::shows(*form, c) &&
                !win32_test::place_of(*form, c).room.empty() &&  // not parked outside the window
                form->fields().get(c.name).find_first_not_of(' ') != std::string::npos)
                out.push_back(&c);
        return out;
    }
};

TEST_F(Crisp, MainTakesItsSizeInRealPixelsAtEachDensity) {
    struct Case {
        unsigned dpi;
        int width, height;
    };
    const Case kCases[] = {{96, 257, 145}, {144, 386, 218}, {192, 514, 290}};
    for (const Case& k : kCases) {
        const Picture c = at(k.dpi);
        EXPECT_EQ(c.width, k.width) << k.dpi << " dpi";
        EXPECT_EQ(c.height, k.height) << k.dpi << " dpi";
    }
}

TEST_F(Crisp, EachLabelsTextSitsWhereItSitsAt100PercentScaledAndIsNotCut) {
    const Picture base = at(96);
    const std::vector<const forms::Control*> labels = text_labels();
    ASSERT_FALSE(labels.empty());
    std::map<std::string_view, Ink> at_96;
    for (const forms::Control* l : labels) at_96[l->name] = ink_of(*l, base);
    for (const unsigned dpi : {144u, 192u}) {
        const Picture c = at(dpi);
        const double k = dpi / 96.0;
        for (const forms::Control* l : labels) {
            const std::string what = std::string(l->name) + " at " + std::to_string(dpi) + " dpi";
            const PixelRect r = win32_test::place_of(*form, *l).room;
            const Ink ink = ink_of(*l, c);
            const Ink& was = at_96[l->name];
            ASSERT_GT(ink.pixels, 0) << what << " shows no text";
            ASSERT_GT(was.pixels, 0) << l->name << " shows no text at 96 dpi";
            // Where the text begins and how far it runs, as at 100 % times the density, within
            // the rounding of a glyph's edge.
            const int slack = static_cast<int>(std::ceil(2 * k));
            EXPECT_NEAR(ink.box.left, was.box.left * k, slack) << what << ": text starts elsewhere";
            EXPECT_NEAR(ink.box.top, was.box.top * k, slack) << what << ": text starts elsewhere";
            EXPECT_NEAR(ink.box.width, was.box.width * k, std::max(slack, static_cast<int>(0.08 * ink.box.width)))
                << what << ": text is not drawn at the density";
            EXPECT_NEAR(ink.box.height, was.box.height * k, std::max(slack, static_cast<int>(0.08 * ink.box.height)))
                << what << ": text is not drawn at the density";
            // Text cut at the label's edge inks its last row or column.
            EXPECT_LT(ink.box.right(), r.width) << what << ": its text runs into the right edge";
            EXPECT_LT(ink.box.bottom(), r.height) << what << ": its text runs into the bottom edge";
        }
    }
}

TEST_F(Crisp, TextAtTwiceTheDensityIsDrawnThereNotBlownUp) {
    const Picture c = at(192);
    // A picture blown up from 100 % repeats each pixel in 2 x 2 blocks; text drawn at 200 %
    // has edges inside the blocks.
    int odd = 0;
    for (const forms::Control* l : text_labels()) {
        const PixelRect r = win32_test::place_of(*form, *l).room;
        for (int y = r.top; y + 1 < r.bottom(); y += 2)
            for (int x = r.left; x + 1 < r.right(); x += 2) {
                const std::uint32_t p = c.at(x, y);
                const bool block = p == c.at(x + 1, y) && p == c.at(x, y + 1) && p == c.at(x + 1, y + 1);
                odd += !block;
            }
    }
    EXPECT_GT(odd, 50) << "the labels' 2 x 2 blocks are each one colour";
}

}  // namespace
