#pragma once
// How a model's design values look on Windows: system colours by index, the installed
// faces that stand in for the design faces, and fonts at a window's density. Each is decided
// here and nowhere else.

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/forms/form_model.h"

namespace platform_win32 {

struct GdiDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using unique_font = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;

// A system colour by the platform's index, read afresh each time so a change of the user's
// scheme shows at the next paint; a design colour, `fallback` standing for the kind's default.
COLORREF system_colour(int index);
COLORREF resolve(const forms::Colour& colour, COLORREF fallback);

// Adds the fonts the program carries as RCDATA resources of `module`, by id, to the faces of
// this process alone (no other program sees them, and nothing is installed). Must run before
// the first window asks for a face. Returns how many faces the system added; a resource that
// is missing or not a font adds none.
int add_carried_fonts(HMODULE module, std::span<const int> ids);

// A family of faces the program carries, and the RCDATA resources that hold its files.
struct CarriedFamily {
    std::string_view family;
    std::span<const int> files;
};
// Makes the families the program carries as resources of `module` known to face_for, which
// adds a family's files (as add_carried_fonts does) only when a design face's candidates
// reach it with no face of the system's before it: a font added costs memory for the whole
// run, and where the system has the design's faces none is needed. Must run before the first
// window asks for a face.
void carry_families(HMODULE module, std::span<const CarriedFamily> families);
// Adds the files of a carried family now, once: how many faces the system added (none for a
// family added before, one not carried, or files that are not fonts).
int add_carried_family(std::string_view family);

// Whether the font mapper draws a face of this name as it is, scalable: a bitmap face (the
// real "MS Sans Serif", a handful of sizes drawn for 96 dpi) or a name the mapper replaces by
// another face is not.
bool scalable_face_available(const std::wstring& family);

// The face that takes a design face's place, chosen once per face for the run.
std::wstring face_for(std::string_view design_face);
// The font at a window's density: the design's point size, never the screen's default.
unique_font make_font(const forms::Font& font, unsigned dpi);

}  // namespace platform_win32
