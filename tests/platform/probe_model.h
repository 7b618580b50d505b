#pragma once
// The probe window every runtime's tests load: one control of every kind, two frames' worth of
// tab stops, timers on, off and without an interval; a small dialog beside it; and a log of
// the events the handlers saw. Nothing here knows a toolkit.

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/form_bindings.h"
#include "platform/forms/forms.h"

namespace probe {

using forms::Control;
using forms::Event;
using forms::Kind;

// The title the runtime gives a message box that has none of its own.
inline const std::string kAppTitle = "Velmora Fest Countdown";

// 4500 x 3000 twips: 300 x 200 pixels at 96 dpi (the offscreen screen's density). Pixel
// positions in the comments are the window's.
// clang-format off
inline constexpr Control kProbeControls[] = {
    {.name = "Ok", .kind = Kind::Button, .text = "OK", .rect = {3000, 1500, 900, 375}, .tab = 3,
     .is_default = true},  // 200,100 60x25
    {.name = "Cancel", .kind = Kind::Button, .text = "Cancel", .rect = {3000, 2025, 900, 375}, .tab = 4,
     .tooltip = "Leave", .is_cancel = true},  // 200,135
    {.name = "First", .kind = Kind::Button, .text = "First of all", .rect = {150, 2400, 900, 375}, .tab = 1},
    {.name = "Panel", .kind = Kind::Frame, .rect = {1200, 1500, 1500, 900}, .tab = 2},  // 80,100 100x60
    {.name = "Inside", .kind = Kind::Button, .text = "Inside", .rect = {150, 150, 1200, 375}, .tab = 0,
     .container = "Panel"},  // 90,110 80x25
    {.name = "Ticker", .kind = Kind::Timer, .interval_ms = 20},
    {.name = "Idle", .kind = Kind::Timer, .interval_ms = 20, .enabled = false},
    {.name = "Cross", .kind = Kind::Line, .ends = {0, 600, 6000, 600}, .fore = forms::rgb(255, 0, 0),
     .line_width = 2},  // rows 40 and 41, past the right edge
    {.name = "Loose", .kind = Kind::Line, .ends = {3000, 2850, 4200, 2850}, .fore = forms::rgb(255, 255, 255)},
    {.name = "Box", .kind = Kind::Shape, .rect = {15, 15, 4485, 2985},
     .fore = forms::system_colour(forms::kActiveBorder), .style = 2},  // 1,1 299x199
    {.name = "Strip", .kind = Kind::Label, .text = "  Strip", .rect = {0, 300, 9000, 450},
     .fore = forms::system_colour(forms::kCaptionText), .back = forms::system_colour(forms::kActiveCaption)},
    {.name = "Caption", .kind = Kind::Label, .text = "Caption text", .rect = {150, 900, 2250, 300},
     .fore = forms::rgb(128, 128, 255), .transparent = true},  // 10,60 150x20
    {.name = "Odd", .kind = Kind::Label, .text = "Odd", .rect = {2710, 1230, 600, 255}},
    {.name = "Far", .kind = Kind::Label, .text = "Far", .rect = {9000, 6000, 900, 300}},
    {.name = "Pic", .kind = Kind::PictureBox, .rect = {4050, 150, 360, 360}, .picture = ":/no/such/image.png"},
    {.name = "Never", .kind = Kind::Timer},  // no interval: never ticks
};
// clang-format on

inline constexpr forms::WindowModel kProbe{
    .name = "Probe",
    .caption = "Probe window",
    .client_width = 4500,
    .client_height = 3000,
    .back = forms::rgb(0, 0, 0),
    .controls = kProbeControls,
};

inline constexpr Control kDialogControls[] = {
    {.name = "Note", .kind = Kind::Label, .text = "A note", .rect = {150, 150, 3000, 300}},
    {.name = "Accept",
     .kind = Kind::Button,
     .text = "OK",
     .rect = {150, 600, 1200, 375},
     .tab = 0,
     .is_default = true,
     .is_cancel = true},
};

inline constexpr forms::WindowModel kDialog{
    .name = "Dialog",
    .caption = "A dialog",
    .border = forms::Border::FixedDialog,
    .client_width = 3600,
    .client_height = 1500,
    .placement = {.system_default = false, .left = 1500, .top = 750},
    .controls = kDialogControls,
};

// What the handlers saw, as "Control/Event" lines, with the mouse of each.
struct EventLog {
    std::vector<std::string> lines;
    std::vector<forms::Mouse> mice;

    forms::Binding record(std::string_view control, Event event, std::function<void(forms::Form&)> also = {}) {
        return {control, event, [this, control, event, also](forms::Form& form, const forms::Mouse& m) {
                    lines.push_back(std::string(control) + "/" + std::string(forms::event_name(event)));
                    mice.push_back(m);
                    if (also) also(form);
                }};
    }
    int count(const std::string& line) const { return static_cast<int>(std::count(lines.begin(), lines.end(), line)); }
    void clear() {
        lines.clear();
        mice.clear();
    }
};

}  // namespace probe
