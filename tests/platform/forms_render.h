#pragma once
// What a window shows on the real runtimes, read from its pixels: each control where the model
// puts it, front to back, text wrapped at words and cut at the label's edge, and writes shown
// at once.

#include "tests/platform/forms_contract.h"

namespace contract {

inline constexpr std::uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF,
                               kWhite = 0xFFFFFF;

// 200 x 100 pixels at 96 dpi, black. Pixel rectangles in the comments.
inline constexpr Control kRenderControls[] = {
    // (10, 10) 60 x 30, in front of the line and of Back
    {.name = "Front", .kind = Kind::Label, .text = "", .rect = {150, 150, 900, 450}, .back = forms::rgb(255, 0, 0)},
    // row 20 from the left edge up to Wrap, behind Front
    {.name = "Line", .kind = Kind::Line, .ends = {0, 300, 1650, 300}, .fore = forms::rgb(0, 0, 255)},
    // (85, 30) 10 x 40, its outline over Back and its inside clear
    {.name = "Ring", .kind = Kind::Shape, .rect = {1275, 450, 150, 600}, .fore = forms::rgb(0, 0, 255)},
    // (40, 20) 60 x 60, behind Front, under a button
    {.name = "Back", .kind = Kind::Label, .text = "", .rect = {600, 300, 900, 900}, .back = forms::rgb(0, 255, 0)},
    {.name = "Over", .kind = Kind::Button, .text = "", .rect = {1200, 900, 300, 225}},
    // (110, 10) 40 x 50: one word a line
    {.name = "Wrap",
     .kind = Kind::Label,
     .text = "WWW WWW WWW",
     .rect = {1650, 150, 600, 750},
     .fore = forms::rgb(0, 0, 0),
     .back = forms::rgb(255, 255, 255)},
    // (160, 10) 40 x 10: the rest is cut off
    {.name = "Clip",
     .kind = Kind::Label,
     .text = "WWW WWW WWW",
     .rect = {2400, 150, 600, 150},
     .fore = forms::rgb(0, 0, 0),
     .back = forms::rgb(255, 255, 255)},
    // (110, 70) 40 x 20, no background of its own
    {.name = "Clear",
     .kind = Kind::Label,
     .text = "",
     .rect = {1650, 1050, 600, 300},
     .fore = forms::rgb(255, 255, 255),
     .transparent = true},
    // (160, 70) and (160, 85): the system's colours
    {.name = "Caption",
     .kind = Kind::Label,
     .text = "",
     .rect = {2400, 1050, 300, 150},
     .back = forms::system_colour(forms::kActiveCaption)},
    {.name = "Plain", .kind = Kind::Label, .text = "", .rect = {2400, 1275, 300, 150}},
};
inline constexpr forms::WindowModel kRender{.name = "Render",
                                            .caption = "render",
                                            .client_width = 3000,
                                            .client_height = 1500,
                                            .back = forms::rgb(0, 0, 0),
                                            .controls = kRenderControls};

template <RealDriver D>
class FormsRender : public FormsContract<D> {
protected:
    forms::Form* form = nullptr;
    void SetUp() override {
        form = &this->driver.runtime.load(kRender, {});
        this->driver.show(*form);
    }
    void TearDown() override { form->unload(); }
};
TYPED_TEST_SUITE_P(FormsRender);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FormsRender);

TYPED_TEST_P(FormsRender, PaintsEachControlWhereTheModelPutsItInFrontToBackOrder) {
    const Picture c = this->driver.picture(*this->form);
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
        {"the line over Back, listed after it", 75, 20, kBlue},
        {"the shape's outline over Back", 85, 50, kBlue},
        {"Back inside the shape", 90, 50, kGreen},
        {"Front over Back", 45, 25, kRed},
        {"Back", 45, 45, kGreen},
        {"Back's last pixel", 99, 79, kGreen},
        {"below Back", 99, 80, kBlack},
        {"a transparent label shows the window", 111, 71, kBlack},
        {"system colour 2", 161, 71, this->driver.system_rgb(*this->form, forms::kActiveCaption)},
        {"a label's default face", 161, 86, this->driver.system_rgb(*this->form, forms::kButtonFace)},
    };
    for (const Case& k : kCases) EXPECT_EQ(c.at(k.x, k.y), k.colour) << k.what << " at " << k.x << ", " << k.y;
    EXPECT_NE(c.at(85, 67), kGreen) << "the button lies above the label";
}

TYPED_TEST_P(FormsRender, WrapsAtWordsAndCutsAtTheLabelsEdge) {
    const Picture c = this->driver.picture(*this->form);
    EXPECT_EQ(c.lines_of_ink(110, 10, 40, 50, kWhite), 3) << "one word a line";
    EXPECT_EQ(c.differing(150, 10, 10, 50, kBlack), 0) << "nothing of Wrap right of it";
    EXPECT_EQ(c.lines_of_ink(160, 10, 40, 10, kWhite), 1) << "Clip shows its first line";
    EXPECT_EQ(c.differing(160, 20, 40, 40, kBlack), 0) << "and nothing below its edge";
}

TYPED_TEST_P(FormsRender, AWriteShowsAtOnceAndAHiddenLabelLetsWhatIsBehindShow) {
    ASSERT_EQ(this->driver.picture(*this->form).differing(110, 70, 40, 20, kBlack), 0);
    this->form->fields().set("Clear", "IIII IIII");
    this->driver.settle(20);
    EXPECT_GT(this->driver.picture(*this->form).differing(110, 70, 40, 20, kBlack), 10) << "white ink on black";
    this->form->set_visible("Front", false);
    this->driver.settle(20);
    EXPECT_EQ(this->driver.picture(*this->form).at(45, 25), kGreen) << "Back shows where Front was";
}

REGISTER_TYPED_TEST_SUITE_P(FormsRender, PaintsEachControlWhereTheModelPutsItInFrontToBackOrder,
                            WrapsAtWordsAndCutsAtTheLabelsEdge, AWriteShowsAtOnceAndAHiddenLabelLetsWhatIsBehindShow);

}  // namespace contract
