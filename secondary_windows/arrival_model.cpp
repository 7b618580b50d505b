#include "secondary_windows/arrival_model.h"

namespace secondary {

using forms::Control;
using forms::Kind;

namespace {

constexpr forms::Font kLcarsHuge{.face = "LCARS", .points = 72, .weight = 400};
constexpr forms::Colour kRed = forms::rgb(255, 0, 0);

// Black dialog, three lines of huge red type; every label lets the black show through.
// clang-format off
constexpr Control kControls[] = {
    {.name = "Label1", .kind = Kind::Label, .text = "JUST SO YOU KNOW,", .rect = {240, 120, 7335, 1455}, .tab = 0,
     .font = kLcarsHuge, .fore = kRed, .transparent = true},
    {.name = "Label3", .kind = Kind::Label, .text = "VELMORA FEST 3", .rect = {240, 1680, 7215, 1335}, .tab = 3,
     .font = kLcarsHuge, .fore = kRed, .transparent = true},
    {.name = "Label4", .kind = Kind::Label, .text = "IS TODAY!!!", .rect = {240, 3120, 7215, 1455}, .tab = 4,
     .font = kLcarsHuge, .fore = kRed, .transparent = true},
    {.name = "Label2", .kind = Kind::Label,
     .text = "*Also, if this window came up and the program actually worked, that is pretty good reason to be "
             "exited too!",
     .rect = {720, 5280, 6135, 375}, .tab = 1, .fore = forms::system_colour(forms::kButtonFace),
     .transparent = true},
    {.name = "Command1", .kind = Kind::Button, .text = "Click This.", .rect = {6000, 4680, 1215, 375}, .tab = 2},
};
// clang-format on

}  // namespace

const forms::WindowModel kArrival{
    .name = "VEF2D",
    .caption = "YEAH!",
    .border = forms::Border::FixedDialog,
    .client_width = 7575,
    .client_height = 5715,
    .back = forms::rgb(0, 0, 0),
    .placement = {.system_default = true},
    .controls = kControls,
};

}  // namespace secondary
