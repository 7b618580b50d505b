#include "secondary_windows/about_model.h"

namespace secondary {

using forms::Control;
using forms::Kind;

namespace {

constexpr forms::Colour kBlack = forms::rgb(0, 0, 0);
constexpr forms::Font kArialSmall{.face = "Arial", .points = 6.75, .weight = 400};

// Labels keep the default opaque background in the button-face colour, which is also the
// window's. Among labels and lines the first listed is drawn on top: the grey half of the
// etched separator lies over the white half, and "DISCLAIMER:" over the 27 blanks that
// open the disclaimer. Those two draw no background of their own (it would be the window's
// colour anyway): the disclaimer's rectangle reaches 7 pixels into the line below it
// ("Please redistribute ..."), and "DISCLAIMER:" is 81 pixels wide where a stand-in face's 27
// blanks may be narrower; painted, either would hide the start of a line that must be read.
// clang-format off
constexpr Control kControls[] = {
    {.name = "picIcon", .kind = Kind::PictureBox, .rect = {240, 240, 540, 540}, .tab = 1, .picture = kAboutIcon},
    {.name = "lblTitle", .kind = Kind::Label, .text = "Application Title", .rect = {1050, 240, 3885, 360}, .tab = 2,
     .fore = kBlack},
    {.name = "lblVersion", .kind = Kind::Label, .text = "Version", .rect = {1050, 600, 3885, 345}, .tab = 3},
    {.name = "Label1", .kind = Kind::Label,
     .text = "Ardo wrote this program in C++, one bored evening at a time. "
             "This version was compiled at 8:13pm February 9, 2013",
     .rect = {240, 960, 5175, 495}, .tab = 7},
    {.name = "Label4", .kind = Kind::Label,
     .text = "To complain or suggest things about this program, or if you just want to talk, send me an email, "
             "click the link on the side!",
     .rect = {240, 1560, 2895, 735}, .tab = 9},
    {.name = "Command1", .kind = Kind::Button, .text = "Click here to me send an E-Mail! (ardo@example.org)",
     .rect = {3240, 1560, 2415, 615}, .tab = 8},
    {.name = "Line1_1", .kind = Kind::Line, .ends = {90, 2400, 5654, 2400}, .fore = forms::rgb(128, 128, 128),
     .line_width = 1, .inside_solid = true},
    {.name = "Line1_0", .kind = Kind::Line, .ends = {120, 2400, 5640, 2400}, .fore = forms::rgb(255, 255, 255),
     .line_width = 2},
    {.name = "Label3", .kind = Kind::Label, .text = "DISCLAIMER:", .rect = {240, 2520, 1215, 225}, .tab = 5,
     .font = forms::kSansBold, .transparent = true},
    {.name = "lblDisclaimer", .kind = Kind::Label,
     .text = "                           I have no affiliation with Velmora Fest, I did this because I was bored. ",
     .rect = {240, 2520, 3870, 585}, .tab = 4, .fore = kBlack, .transparent = true},
    {.name = "cmdOK", .kind = Kind::Button, .text = "OK", .rect = {4440, 2640, 1260, 345}, .tab = 0,
     .is_default = true, .is_cancel = true},
    {.name = "Label2", .kind = Kind::Label, .text = "Please redistribute or modify this however you want to!",
     .rect = {240, 3000, 3855, 255}, .tab = 6},
    {.name = "Label5", .kind = Kind::Label, .text = "NO, I won't make this work on a Mac, but you can if you want to!",
     .rect = {240, 3240, 4815, 255}, .tab = 10},
    {.name = "Label6", .kind = Kind::Label,
     .text = "YES, a Windows 8 metro app might be in development, but I'm not telling.",
     .rect = {240, 3480, 4935, 255}, .tab = 11, .font = kArialSmall},
};
// clang-format on

}  // namespace

const forms::WindowModel kAbout{
    .name = "frmAbout",
    .caption = "About MyApp",
    .border = forms::Border::FixedDialog,
    .client_width = 5760,
    .client_height = 3765,
    .back = forms::system_colour(forms::kButtonFace),
    .placement = {.system_default = false, .left = 2340, .top = 1935},
    .controls = kControls,
};

std::string credit_line(std::string_view made_with) {
    return "Ardo wrote this program in " + std::string(made_with) +
           ", one bored evening at a time. This version was compiled at 8:13pm February 9, 2013";
}

}  // namespace secondary
