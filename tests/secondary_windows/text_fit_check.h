#pragma once
// The fit check every runtime runs over the table: each text of each row, written into its
// control, lies whole inside the part of the control that shows and under no control painted
// above it. A runtime says only how it measures one control's text (a Measurer); the loop
// over the rows, the faults' wording and the report are these.

#include <gtest/gtest.h>

#include <cmath>
#include <concepts>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/forms.h"
#include "tests/secondary_windows/text_fit_table.h"

namespace text_fit {

// One control's text as its runtime lays it out, and its ink drawn alone and unclipped.
struct Measure {
    struct Cover {
        std::string control;  // painted above the text
        int inked = 0;        // the text's inked pixels it covers
    };
    std::string text = {};                // as it stands, UTF-8
    int inked = 0;                        // every pixel the text inks
    int inked_inside = 0;                 // those inside the part of the control that shows
    int room_width = 0, room_height = 0;  // that part, in the window's pixels
    double width = 0, height = 0;         // the box its lines take
    double line_height = 0;
    std::string face = {};  // the face asked for, as the report names it
    double points = 0;
    std::string drawn_in = {};  // the face the system's font mapper drew with, where it says
    std::vector<Cover> covers = {};
};

// A runtime's way of measuring: which controls of a form show text, and what one shows.
template <class M>
concept Measurer = requires(M& m, typename M::Form& form, const forms::Control& c) {
    { m.shows_text(form, c) } -> std::same_as<bool>;
    { m.measure(form, c) } -> std::same_as<Measure>;
};

// A length in pixels, whole or to a tenth; the lines a box holds.
inline std::string px(double v) {
    char out[32];
    std::snprintf(out, sizeof out, v == std::round(v) ? "%.0f" : "%.1f", v);
    return out;
}
inline int lines_of(const Measure& m) { return int(std::lround(m.height / (m.line_height > 0 ? m.line_height : 1))); }

// The faults of one control's text; none when it is whole and uncovered. `at` says where it
// was measured (" at 96 dpi"), or nothing.
inline std::vector<std::string> faults_of(std::string_view window, std::string_view control, const Measure& m,
                                          const std::string& at) {
    std::vector<std::string> faults;
    const std::string what = std::string(window) + "." + std::string(control) + " \"" + m.text + "\"" + at;
    const int outside = m.inked - m.inked_inside;
    if (m.inked == 0 || outside > 0)
        faults.push_back(what + ": " + std::to_string(outside) + " of its " + std::to_string(m.inked) +
                         " inked pixels fall outside the " + std::to_string(m.room_width) + " x " +
                         std::to_string(m.room_height) + " px it shows; its " + std::to_string(lines_of(m)) +
                         " line(s) take " + px(m.width) + " x " + px(m.height) + " px" +
                         (m.drawn_in.empty() ? "" : " in " + m.drawn_in));
    for (const Measure::Cover& cover : m.covers)
        if (cover.inked > 0 && !by_design(window, control, cover.control))
            faults.push_back(what + ": " + std::to_string(cover.inked) + " of its inked pixels lie under " +
                             std::string(cover.control));
    return faults;
}

// Every row of the table on the windows open on `runtime`, then a line for each text of
// theirs as it stands: its face, lines and size in its room.
template <class Runtime, Measurer M>
void check_every_text(Runtime& runtime, M& measurer, const std::string& at = "") {
    int checked = 0;
    for (const Row& row : rows()) {
        typename M::Form* form = runtime.find(row.window);
        ASSERT_NE(form, nullptr) << "no window " << row.window;
        std::vector<const forms::Control*> controls;
        for (const forms::Control& c : form->model().controls)
            if ((row.control.empty() || c.name == row.control) && measurer.shows_text(*form, c)) controls.push_back(&c);
        ASSERT_FALSE(controls.empty()) << row.window << " " << row.control;
        std::vector<std::string> texts = row.texts;
        if (texts.empty()) texts.push_back("");
        Measure tallest;
        std::string tallest_text;
        for (const std::string& text : texts) {
            if (!text.empty()) form->fields().set(row.control, text);
            for (const forms::Control* c : controls) {
                const Measure m = measurer.measure(*form, *c);
                for (const std::string& fault : faults_of(row.window, c->name, m, at)) ADD_FAILURE() << fault;
                ++checked;
                if (!text.empty() && m.height > tallest.height) {
                    tallest = m;
                    tallest_text = text;
                }
            }
        }
        if (!tallest_text.empty())
            std::printf("%s.%s%s: tallest form \"%s\" takes %s px (%d lines of %s) of %d; face %s\n", row.window.data(),
                        row.control.data(), at.c_str(), tallest_text.c_str(), px(tallest.height).c_str(),
                        lines_of(tallest), px(tallest.line_height).c_str(), tallest.room_height, tallest.face.c_str());
    }
    EXPECT_GT(checked, kLeastChecks) << at;
    for (typename M::Form* f : runtime.forms())
        for (const forms::Control& c : f->model().controls)
            if (measurer.shows_text(*f, c)) {
                const Measure m = measurer.measure(*f, c);
                std::printf("%s.%s%s [%s %.2fpt]: %d line(s), %s x %s px in %d x %d\n",
                            std::string(f->model().name).c_str(), std::string(c.name).c_str(), at.c_str(),
                            m.face.c_str(), m.points, lines_of(m), px(m.width).c_str(), px(m.height).c_str(),
                            m.room_width, m.room_height);
            }
}

}  // namespace text_fit
