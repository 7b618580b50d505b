// A model drawn where the model puts it: colours, what lies in front, wrapping and cutting at
// a label's edge, read back from the window's pixels; a new caption repaints what changed of
// its label only, and a hidden window shows its new captions once shown.

#include <gtest/gtest.h>

#include "tests/platform/win32/win32_forms_fixture.h"

namespace {

using forms::Control;
using forms::Kind;
using forms::rgb;
using win32_test::Capture;

constexpr std::uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// 200 x 100 pixels at 96 dpi, black. Pixel rectangles in the comments.
constexpr Control kControls[] = {
    // (10, 10) 60 x 30, in front of the line and of Back
    {.name = "Front", .kind = Kind::Label, .text = "", .rect = {150, 150, 900, 450}, .back = rgb(255, 0, 0)},
    // row 20 from the left edge up to Wrap, behind Front
    {.name = "Line", .kind = Kind::Line, .ends = {0, 300, 1650, 300}, .fore = rgb(0, 0, 255)},
    // (40, 20) 60 x 60, behind Front, under a button
    {.name = "Back", .kind = Kind::Label, .text = "", .rect = {600, 300, 900, 900}, .back = rgb(0, 255, 0)},
    {.name = "Over", .kind = Kind::Button, .text = "", .rect = {1200, 900, 300, 225}},
    // (110, 10) 40 x 50: one word a line
    {.name = "Wrap",
     .kind = Kind::Label,
     .text = "WWW WWW WWW",
     .rect = {1650, 150, 600, 750},
     .fore = rgb(0, 0, 0),
     .back = rgb(255, 255, 255)},
    // (160, 10) 40 x 10: the rest is cut off
    {.name = "Clip",
     .kind = Kind::Label,
     .text = "WWW WWW WWW",
     .rect = {2400, 150, 600, 150},
     .fore = rgb(0, 0, 0),
     .back = rgb(255, 255, 255)},
    // (110, 70) 40 x 20, no background of its own
    {.name = "Clear",
     .kind = Kind::Label,
     .text = "",
     .rect = {1650, 1050, 600, 300},
     .fore = rgb(255, 255, 255),
     .transparent = true},
    // (160, 70) and (160, 85): the system's colours
    {.name = "Caption",
     .kind = Kind::Label,
     .text = "",
     .rect = {2400, 1050, 300, 150},
     .back = forms::system_colour(forms::kActiveCaption)},
    {.name = "Plain", .kind = Kind::Label, .text = "", .rect = {2400, 1275, 300, 150}},
};
constexpr forms::WindowModel kModel{.name = "Render",
                                    .caption = "render",
                                    .client_width = 3000,
                                    .client_height = 1500,
                                    .back = rgb(0, 0, 0),
                                    .controls = kControls};

struct Render : ::testing::Test {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    platform_win32::Win32Form* form = nullptr;

    void SetUp() override {
        form = static_cast<platform_win32::Win32Form*>(&runtime.load(kModel, {}));
        form->show();
        win32_test::pump_for(runtime, std::chrono::milliseconds(200));
        ASSERT_EQ(form->dpi(), 96u) << "the pixel positions below are for 96 dpi";
    }
    // How many pixels of a rectangle differ from a colour.
    static int differing(const Capture& c, int left, int top, int width, int height, std::uint32_t colour) {
        int n = 0;
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x) n += c.at(x, y) != colour;
        return n;
    }
    // How many runs of rows with ink a rectangle holds: the lines of text in it.
    static int lines_of_ink(const Capture& c, int left, int top, int width, int height, std::uint32_t back) {
        int runs = 0;
        bool in_run = false;
        for (int y = top; y < top + height; ++y) {
            const bool ink = differing(c, left, y, width, 1, back) > 0;
            runs += ink && !in_run;
            in_run = ink;
        }
        return runs;
    }
};

TEST_F(Render, PaintsEachControlWhereTheModelPutsItInFrontToBackOrder) {
    const Capture c = win32_test::capture(form->hwnd());
    ASSERT_EQ(c.width, 200);
    ASSERT_EQ(c.height, 100);
    struct Case {
        const char* what;
        int x, y;
        std::uint32_t colour;
    };
    const Case kCases[] = {
        {"the window's own background", 2, 2, kBlack},
        {"Front", 10, 10, kRed},
        {"Front's last pixel", 69, 39, kRed},
        {"past Front", 70, 41, kGreen},
        {"the line left of Front", 5, 20, kBlue},
        {"the line stops under Front", 30, 20, kRed},
        {"the line over nothing", 105, 20, kBlue},
        {"Front over Back", 45, 25, kRed},
        {"Back", 45, 45, kGreen},
        {"Back's last pixel", 99, 79, kGreen},
        {"below Back", 99, 80, kBlack},
        {"a transparent label shows the window", 111, 71, kBlack},
        {"system colour 2", 161, 71, Capture::rgb(GetSysColor(COLOR_ACTIVECAPTION))},
        {"a label's default face", 161, 86, Capture::rgb(GetSysColor(COLOR_BTNFACE))},
    };
    for (const Case& k : kCases) EXPECT_EQ(c.at(k.x, k.y), k.colour) << k.what << " at " << k.x << ", " << k.y;
    EXPECT_NE(c.at(85, 67), kGreen) << "the button lies above the label";
}

TEST_F(Render, WrapsAtWordsAndCutsAtTheLabelsEdge) {
    const Capture c = win32_test::capture(form->hwnd());
    EXPECT_EQ(lines_of_ink(c, 110, 10, 40, 50, kWhite), 3) << "one word a line";
    EXPECT_EQ(differing(c, 150, 10, 10, 50, kBlack), 0) << "nothing of Wrap right of it";
    EXPECT_EQ(lines_of_ink(c, 160, 10, 40, 10, kWhite), 1) << "Clip shows its first line";
    EXPECT_EQ(differing(c, 160, 20, 40, 40, kBlack), 0) << "and nothing below its edge";
}

TEST_F(Render, ANewCaptionRepaintsOnlyItsLabel) {
    ValidateRect(form->hwnd(), nullptr);
    form->fields().set("Clear", "IIII IIII");
    RECT dirty{};
    ASSERT_TRUE(GetUpdateRect(form->hwnd(), &dirty, FALSE));
    // The new text's ink from the label's top left corner on, inside the label.
    EXPECT_EQ(dirty.left, 110);
    EXPECT_EQ(dirty.top, 70);
    EXPECT_LE(dirty.right, 150);
    EXPECT_LE(dirty.bottom, 90);
    UpdateWindow(form->hwnd());
    const Capture painted = win32_test::capture(form->hwnd(), true);
    const Capture c = win32_test::capture(form->hwnd());
    EXPECT_EQ(painted.pixels, c.pixels) << "as a whole paint shows it";
    EXPECT_GT(differing(c, 110, 70, 40, 20, kBlack), 10) << "white ink on the window's black";

    ValidateRect(form->hwnd(), nullptr);
    form->fields().set("Clear", "IIII IIII");  // the same text: nothing to paint
    EXPECT_FALSE(GetUpdateRect(form->hwnd(), &dirty, FALSE));
    form->set_visible("Front", false);
    EXPECT_EQ(win32_test::capture(form->hwnd()).at(45, 25), kGreen) << "Back shows where Front was";

    // Hidden, the window marks nothing for later; shown again, it shows the caption it has then.
    const Capture before = win32_test::capture(form->hwnd());
    form->hide();
    form->fields().set("Clear", "WW WW");
    form->show();
    UpdateWindow(form->hwnd());
    const Capture shown = win32_test::capture(form->hwnd(), true);
    EXPECT_EQ(shown.pixels, win32_test::capture(form->hwnd()).pixels) << "as a whole paint shows it";
    EXPECT_NE(shown.pixels, before.pixels) << "the new caption, not the one it had when hidden";
}

}  // namespace
