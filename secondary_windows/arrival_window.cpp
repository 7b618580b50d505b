#include "secondary_windows/arrival_window.h"

#include <string>

#include "secondary_windows/arrival_model.h"

namespace secondary {

namespace {

const std::string kFarewell =
    "This program will not work anymore, delete it from your computer and have a great time at the show!"
    "\r\n"
    "   -Ardo";
const std::string kFarewellTitle = "Just so you know...";
// The critical-stop icon (16) with button-set code 11, which names no standard set; the
// answer is never read.
constexpr int kFarewellStyle = 27;

}  // namespace

forms::Form& open_arrival_window(forms::Runtime& runtime, platform::MessageBox& boxes) {
    forms::Form& form = runtime.load(
        kArrival,
        {
            {"Command1", forms::Event::Click,
             [&boxes](forms::Form&, const forms::Mouse&) { boxes.show(kFarewell, kFarewellStyle, kFarewellTitle); }},
        });
    form.show();
    return form;
}

}  // namespace secondary
