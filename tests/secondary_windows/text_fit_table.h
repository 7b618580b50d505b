#pragma once
// What the fit tests of both runtimes check: which windows are open and in what state, which
// texts each control is given, and which overlaps the design means. Each runtime measures
// with its own text metrics; the table is this one.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fakes/fake_platform.h"
#include "platform/forms/forms.h"
#include "platform/forms/message_box.h"
#include "secondary_windows/about_box.h"

namespace text_fit {

struct Row {
    std::string_view window;
    std::string_view control;        // "" = every control that shows text
    std::vector<std::string> texts;  // written into the control first; none = as it stands
};
// Main as it stands and every form of its sentence, the arrival window, the About box.
std::vector<Row> rows();

// Every form of the countdown sentence: each day count the countdown writes, the field's
// design text, and the widest and narrowest times.
std::vector<std::string> sentence_forms();

// Design overlaps: `upper` lies over `lower`'s text on purpose. ("DISCLAIMER:" over the blanks
// that open the disclaimer is none: blanks have no ink, and the words after them must show.)
bool by_design(std::string_view window, std::string_view lower, std::string_view upper);

// Main's visible texts, the sentence forms, the arrival window's five and the About box's: a
// run that checks fewer has missed a window.
inline constexpr int kLeastChecks = 1100;

// The windows as a person sees them at their widest: Main with its menu panel (Frame1)
// shown, the arrival window and the About box, loaded on `runtime` for as long as it lives.
class OpenWindows {
public:
    OpenWindows(forms::Runtime& runtime, platform::MessageBox& boxes);

private:
    fakes::FakeShell shell_;
    secondary::AboutBox about_;
};

}  // namespace text_fit
