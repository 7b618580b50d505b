#pragma once
// How a label's text is laid out and drawn: wrapped at word boundaries inside the label's
// width, each line placed by the label's alignment, cut at the label's edge. The runtime
// breaks the lines itself rather than leave it to DrawText: Wine's DrawText counts the space
// a line breaks at as part of the line, and DrawText on any system calls a line too long
// when the blank after its last glyph's ink, not the ink, reaches past the edge. It places each
// glyph where it measured it: Wine smoothing text as ClearType does spaces the glyphs it draws
// wider than it measures them.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/forms/form_geometry.h"
#include "platform/forms/form_model.h"

namespace platform_win32 {

struct LabelLine {
    std::wstring text;      // as drawn: without the spaces the line was broken at
    int x = 0;              // from the label's left edge
    int width = 0;          // how far its glyphs advance
    std::vector<int> ends;  // where each character ends, from the line's start: where it is drawn
};

struct LabelLayout {
    std::vector<LabelLine> lines;
    int line_height = 0;
    int ascent = 0;           // from a line's top to its baseline
    int left = 0, width = 0;  // of the lines together, from the label's left edge
    int height() const { return line_height * static_cast<int>(lines.size()); }
};

// What the glyphs of one font measure, asked of the system once per character and kept: a
// label laid out again for a new second measures only what it has not met before. One per
// font; the font is the one selected into the `dc` each call is given.
class GlyphMeasures {
public:
    // The font's height and ascent, as GetTextMetricsW gives them.
    const TEXTMETRICW& metrics(HDC dc);
    // The blank the glyph of `c` leaves right of its ink (negative when its ink passes its
    // advance); nothing when the system cannot say.
    std::optional<int> blank_after(HDC dc, wchar_t c);
    // Where the glyph of `c` inks, from its pen position; nothing when it has no outline.
    std::optional<GLYPHMETRICS> ink_box(HDC dc, wchar_t c);

private:
    std::optional<TEXTMETRICW> metrics_;
    std::unordered_map<wchar_t, std::optional<int>> blank_after_;
    std::unordered_map<wchar_t, std::optional<GLYPHMETRICS>> ink_box_;
};

// `text` laid out in `width` pixels with the label's font selected into `dc`. A line ends at
// a line break ("\r\n", "\n" or "\r") or before the first word whose ink would reach past the
// width; a word wider than the width has a line of its own. Spaces that open a paragraph are
// kept; "&" is a plain character; tabs stop every eight average characters.
LabelLayout lay_out_label(HDC dc, GlyphMeasures& glyphs, std::wstring_view text, int width, forms::Align align);
LabelLayout lay_out_label(HDC dc, std::wstring_view text, int width, forms::Align align);

// Draws `layout` in the colour and background mode `dc` has, with the label's top left at
// (left, top), cut at `clip` unless it is null. It leaves the text aligned by its top left.
void draw_label_text(HDC dc, const LabelLayout& layout, int left, int top, const RECT* clip);

// Where the pixels of a label, from its top left, can differ between its text laid out as
// `was` and as `now` with the font selected into `dc`: in each line that is not the same, the
// ink of its glyphs old and new from the first character that differs to the line's end,
// with the cells they advance through. Nothing for a line that stayed as it was.
std::vector<forms::PixelRect> changed_parts(HDC dc, GlyphMeasures& glyphs, const LabelLayout& was,
                                            const LabelLayout& now);
std::vector<forms::PixelRect> changed_parts(HDC dc, const LabelLayout& was, const LabelLayout& now);

}  // namespace platform_win32
