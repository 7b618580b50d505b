#include "main_window/main_model.h"

namespace main_window {

using forms::Control;
using forms::Kind;
using forms::rgb;
using forms::system_colour;

namespace {

constexpr forms::Font kTahomaBold{.face = "Tahoma", .points = 8.25, .weight = 700};
constexpr forms::Font kLcars{.face = "LCARS", .points = 26.25, .weight = 400};
constexpr forms::Colour kSentenceBlue = rgb(128, 128, 255);
constexpr forms::Colour kWhite = rgb(255, 255, 255);

// Among labels, lines and the shape, the first listed is drawn on top; buttons and the
// frame lie above them all. Only the top-left 3855 x 2175 twips are inside the window:
// the clock and countdown fields lie outside it and serve as working storage.
// clang-format off
constexpr Control kControls[] = {
    {.name = "Title_MinTray", .kind = Kind::Button, .text = "T", .rect = {3320, 30, 255, 255}, .tab = 42,
     .font = forms::kSansBold, .tooltip = "Minimize to Tray"},
    {.name = "Title_Close", .kind = Kind::Button, .text = "X", .rect = {3570, 30, 255, 255}, .tab = 30,
     .font = forms::kSansBold, .tooltip = "Close"},
    {.name = "Title_Menu", .kind = Kind::Button, .text = "Menu", .rect = {2710, 30, 600, 255}, .tab = 29,
     .tooltip = "Menu"},
    {.name = "Timer2", .kind = Kind::Timer, .rect = {2160, 6000, 0, 0}, .interval_ms = 100},
    {.name = "Command2", .kind = Kind::Button, .text = "Press this button to manualy calculate the time until VEF.",
     .rect = {5040, 4920, 1575, 735}, .tab = 12},
    {.name = "Command1", .kind = Kind::Button, .text = "Press this button to manualy calculate the current time.",
     .rect = {5040, 3120, 1575, 735}, .tab = 1},
    {.name = "Timer1", .kind = Kind::Timer, .rect = {480, 6000, 0, 0}, .interval_ms = 100},
    {.name = "Frame1", .kind = Kind::Frame, .text = "", .rect = {1080, 290, 2295, 1020}, .tab = 37},
    {.name = "menu_about", .kind = Kind::Button, .text = "About this program", .rect = {120, 720, 2055, 255},
     .tab = 40, .container = "Frame1"},
    {.name = "menu_website", .kind = Kind::Button, .text = "Velmora fest facebook", .rect = {120, 120, 2055, 255},
     .tab = 39, .container = "Frame1"},
    {.name = "menu_wrenhollow", .kind = Kind::Button, .text = kMakerHost, .rect = {120, 420, 2055, 255},
     .tab = 38, .container = "Frame1"},
    {.name = "CurYearVal", .kind = Kind::Label, .text = "Label9", .rect = {8520, 6120, 735, 255}, .tab = 44},
    {.name = "CurYear", .kind = Kind::Label, .text = "Label9", .rect = {7440, 6120, 735, 255}, .tab = 43},
    {.name = "DaysInMon", .kind = Kind::Label, .text = "Label9", .rect = {5760, 6000, 975, 255}, .tab = 41},
    {.name = "Line3", .kind = Kind::Line, .ends = {0, 300, 4200, 300},
     .fore = system_colour(forms::kActiveBorder), .line_width = 2},
    {.name = "Label11", .kind = Kind::Label, .text = "ACTUALLY, THIS BUTTON NO LONGER WORKS.",
     .rect = {4920, 4200, 1815, 615}, .tab = 36},
    {.name = "TotalDays", .kind = Kind::Label, .text = "TotalDays", .rect = {5160, 1320, 975, 375}, .tab = 35},
    {.name = "Label4", .kind = Kind::Label, .text = "Month (Name)", .rect = {8040, 2640, 1095, 255}, .tab = 34},
    {.name = "MonName", .kind = Kind::Label, .text = "MonName", .rect = {7200, 2640, 735, 255}, .tab = 33},
    {.name = "Label3", .kind = Kind::Label,
     .text = "    Hour                  Minute               Day             Second",
     .rect = {240, 4440, 4215, 255}, .tab = 32},
    {.name = "Line5", .kind = Kind::Line, .ends = {9480, 6720, 9480, 360}, .fore = kWhite},
    {.name = "Line4", .kind = Kind::Line, .ends = {240, 6720, 9480, 6720}, .fore = kWhite},
    {.name = "Shape1", .kind = Kind::Shape, .rect = {15, 15, 3840, 2160},
     .fore = system_colour(forms::kActiveBorder), .fill = rgb(128, 128, 128), .style = 2},
    {.name = "Label2", .kind = Kind::Label, .text = "  Time until Velmora Fest 3", .rect = {0, 30, 9495, 285},
     .tab = 31, .font = kTahomaBold, .fore = system_colour(forms::kCaptionText),
     .back = system_colour(forms::kActiveCaption)},
    {.name = "Final", .kind = Kind::Label, .text = "Label2", .rect = {120, 360, 3735, 1215}, .tab = 28,
     .font = kLcars, .fore = kSentenceBlue, .transparent = true},
    {.name = "Label1", .kind = Kind::Label,
     .text = "This is the same as \"EndDays, but with \"Days\" at the end of it.",
     .rect = {4800, 480, 1815, 615}, .tab = 27},
    {.name = "EndDays", .kind = Kind::Label, .text = "EndDays", .rect = {2400, 4080, 975, 255}, .tab = 26},
    {.name = "Label20", .kind = Kind::Label,
     .text = "THESE BUTTONS HAVE BEEN REPLACED BY THE TIMERS BUT THEY STILL FUNCTION.",
     .rect = {4800, 2160, 2175, 855}, .tab = 25},
    {.name = "Label19", .kind = Kind::Label, .text = "Timer 2 calculate the time to VFE",
     .rect = {1800, 5400, 1575, 495}, .tab = 24},
    {.name = "Label18", .kind = Kind::Label, .text = "Timer 1 calculates the current time.",
     .rect = {120, 5400, 1335, 495}, .tab = 23},
    {.name = "Label17", .kind = Kind::Label, .text = "Current Time:", .rect = {7200, 480, 1575, 255}, .tab = 22},
    {.name = "Label16", .kind = Kind::Label,
     .text = "The automation timers are here, but you cant see them when the program runs.",
     .rect = {120, 4800, 3375, 495}, .tab = 21},
    {.name = "Label15", .kind = Kind::Label, .text = "", .rect = {120, 3360, 4455, 615}, .tab = 20},
    {.name = "Label14", .kind = Kind::Label,
     .text = "Number of months until VFE (it's next month, so it should be 1 or 0)",
     .rect = {7200, 4560, 1695, 615}, .tab = 19},
    {.name = "Label13", .kind = Kind::Label, .text = "Number of days after after this month is done.",
     .rect = {7200, 3480, 1815, 495}, .tab = 18},
    {.name = "Label12", .kind = Kind::Label, .text = "Until Velmora Fest !!!", .rect = {120, 1560, 3735, 615},
     .tab = 17, .font = kLcars, .fore = kSentenceBlue, .transparent = true},
    {.name = "EndSecond", .kind = Kind::Label, .text = "EndSecond", .rect = {3480, 4080, 975, 255}, .tab = 16},
    {.name = "EndMinute", .kind = Kind::Label, .text = "EndMinute", .rect = {1320, 4080, 975, 255}, .tab = 15},
    {.name = "EndHour", .kind = Kind::Label, .text = "EndHour", .rect = {240, 4080, 855, 255}, .tab = 14},
    {.name = "EndDay", .kind = Kind::Label, .text = "EndDay", .rect = {7800, 4080, 855, 255}, .tab = 13},
    {.name = "EndMon", .kind = Kind::Label, .text = "EndMon", .rect = {7800, 5280, 615, 375}, .tab = 11},
    {.name = "Label10", .kind = Kind::Label, .text = "Month", .rect = {8040, 840, 735, 255}, .tab = 10},
    {.name = "CurMon", .kind = Kind::Label, .text = "CurMon", .rect = {7200, 840, 735, 255}, .tab = 9},
    {.name = "Label8", .kind = Kind::Label, .text = "Second", .rect = {8040, 2280, 735, 255}, .tab = 8},
    {.name = "Label7", .kind = Kind::Label, .text = "Minute", .rect = {8040, 1920, 735, 255}, .tab = 7},
    {.name = "Label6", .kind = Kind::Label, .text = "Hour", .rect = {8040, 1560, 735, 255}, .tab = 6},
    {.name = "Label5", .kind = Kind::Label, .text = "Day", .rect = {8040, 1200, 735, 255}, .tab = 5},
    {.name = "CurSec", .kind = Kind::Label, .text = "CurSec", .rect = {7200, 2280, 735, 255}, .tab = 4},
    {.name = "CurMin", .kind = Kind::Label, .text = "CurMin", .rect = {7200, 1920, 735, 255}, .tab = 3},
    {.name = "CurHour", .kind = Kind::Label, .text = "CurHour", .rect = {7200, 1560, 735, 255}, .tab = 2},
    {.name = "CurDay", .kind = Kind::Label, .text = "CurDay", .rect = {7200, 1200, 735, 255}, .tab = 0},
};
// clang-format on

}  // namespace

const forms::WindowModel kMain{
    .name = "Main",
    .caption = "time until zindlefest",
    .border = forms::Border::None,
    .client_width = 3855,
    .client_height = 2175,
    .back = rgb(0, 0, 0),
    .controls = kControls,
};

}  // namespace main_window
