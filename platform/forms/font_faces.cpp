#include "platform/forms/font_faces.h"

#include <algorithm>
#include <array>
#include <span>

namespace forms {

namespace {

struct StandIns {
    std::string_view design;
    // The platform's own scalable successor of a bitmap design face; "" for none.
    std::string_view successor;
    // The carried face first, then faces commonly installed.
    std::span<const std::string_view> stand_ins;
    bool narrow = false;  // the design face is a condensed one
};

// Chosen by fit, not by name: with these every text of every window lies whole inside its
// control at the design's point size (tests/secondary_windows/text_fit_test.cpp and
// tests/platform/win32/win32_text_fit_test.cpp measure it). Roadgeek's Series B is narrow
// enough that every countdown sentence takes two lines of the sentence label, and each
// 72-point line of the arrival window one. For the 8.25-point dialog face, Liberation Sans
// (Arial's widths) is too wide for the About box; Liberation Sans Narrow fits. Windows's own
// "Microsoft Sans Serif" was drawn to the widths of the bitmap "MS Sans Serif" the windows
// were laid out in, so where it exists it comes before any stand-in.
constexpr std::array<std::string_view, 3> kDialog{"Liberation Sans Narrow", "Liberation Sans", "DejaVu Sans"};
constexpr std::array<std::string_view, 4> kArialWidths{"Liberation Sans", "Arimo", "Nimbus Sans", "DejaVu Sans"};
constexpr std::array<std::string_view, 3> kCondensed{"Roadgeek 2014 Series B", "Bebas Neue", "DejaVu Sans"};

constexpr StandIns kStandIns[] = {
    {.design = "MS Sans Serif", .successor = "Microsoft Sans Serif", .stand_ins = kDialog, .narrow = false},
    {.design = "Tahoma", .successor = "", .stand_ins = kArialWidths, .narrow = false},
    {.design = "Arial", .successor = "", .stand_ins = kArialWidths, .narrow = false},
    {.design = "LCARS", .successor = "", .stand_ins = kCondensed, .narrow = true},
};

}  // namespace

std::vector<FaceCandidate> face_candidates(std::string_view design_face) {
    if (design_face.empty()) design_face = kStandIns[0].design;
    std::vector<FaceCandidate> out{{.family = design_face}};
    for (const StandIns& s : kStandIns) {
        if (s.design != design_face) continue;
        if (!s.successor.empty()) out.push_back({.family = s.successor});
        for (std::size_t i = 0; i < s.stand_ins.size(); ++i)
            out.push_back({.family = s.stand_ins[i], .condense = s.narrow && i > 0});
    }
    return out;
}

std::vector<std::string_view> carried_faces() {
    std::vector<std::string_view> out;
    for (const StandIns& s : kStandIns)
        if (std::find(out.begin(), out.end(), s.stand_ins.front()) == out.end()) out.push_back(s.stand_ins.front());
    return out;
}

}  // namespace forms
