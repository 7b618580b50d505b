#include "tests/secondary_windows/text_fit_table.h"

#include <algorithm>
#include <iterator>

#include "main_window/main_model.h"
#include "secondary_windows/about_model.h"
#include "secondary_windows/arrival_model.h"

namespace text_fit {

namespace {

struct Overlap {
    std::string_view window, lower, upper;
};
constexpr Overlap kDesignOverlaps[] = {
    {"Main", "Final", "Frame1"},  // the menu panel, while it is shown
};

}  // namespace

std::vector<std::string> sentence_forms() {
    std::vector<std::string> days{"EndDays"};
    for (int d = -19; d <= 554; ++d) days.push_back(std::to_string(d));
    std::vector<std::string> forms;
    for (const std::string& d : days)
        for (const char* hms : {"24 Hours, 60 Minutes, and 60", "1 Hours, 1 Minutes, and 1"})
            forms.push_back("It is " + d + " Days, " + hms + " Seconds");
    return forms;
}

std::vector<Row> rows() {
    return {
        {"Main", "", {}},
        {"Main", "Final", sentence_forms()},
        {"VEF2D", "", {}},
        {"frmAbout", "", {}},
        {"frmAbout",
         "Label1",
         {secondary::credit_line("C++ with Qt"), secondary::credit_line("C++ and the Win32 API")}},
    };
}

bool by_design(std::string_view window, std::string_view lower, std::string_view upper) {
    return std::any_of(std::begin(kDesignOverlaps), std::end(kDesignOverlaps),
                       [&](const Overlap& o) { return o.window == window && o.lower == lower && o.upper == upper; });
}

OpenWindows::OpenWindows(forms::Runtime& runtime, platform::MessageBox& boxes) : about_(runtime, boxes, shell_, "C++") {
    runtime.load(main_window::kMain, {}).set_visible("Frame1", true);
    runtime.load(secondary::kArrival, {});
    about_.open();
}

}  // namespace text_fit
