#pragma once
// How one form's surfaces are painted: the window's and each frame's background, then its
// labels, lines and shape back to front, into the surface's back buffer and from there to the
// screen. The painter owns the back buffers, each label's lines as last laid out and the fonts
// at the window's density, and says which part of a surface a change of a label's text or
// visibility paints again.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "engine/fields.h"
#include "platform/forms/form_geometry.h"
#include "platform/forms/form_model.h"
#include "platform/win32/win32_back_buffer.h"
#include "platform/win32/win32_form_windows.h"
#include "platform/win32/win32_label_text.h"
#include "platform/win32/win32_look.h"

namespace platform_win32 {

class Painter {
public:
    // The model, the captions, each control's own visibility and the windows are the form's
    // and outlive the painter.
    Painter(const forms::WindowModel& model, const engine::FieldStore& fields, const std::vector<bool>& shown,
            const FormWindows& windows)
        : model_(model), fields_(fields), shown_(shown), windows_(windows) {}
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    // WM_PAINT of the window or one of its frames.
    void paint(HWND surface);
    // The font at the window's density, made at its first use.
    HFONT font(const forms::Font& font);
    // The window has a new density: the buffers and fonts of the old one go.
    void new_density();

    // A label's caption changed: what of it can be seen and changed is painted again.
    void text_changed(std::size_t label);
    // A label shown or hidden: all of it that can be seen is painted again.
    void visibility_changed(std::size_t label);

private:
    // A label's lines as last laid out, and the text (by its field's stamp) and density they
    // were laid out for; dpi 0 until the first layout.
    struct LaidOut {
        std::size_t field = 0;
        std::uint64_t stamp = 0;
        unsigned dpi = 0;
        LabelLayout layout;
        GlyphMeasures glyphs;  // of the label's font at that density
    };

    // Into `buffer`'s context, or straight into the screen's when `buffer` is null.
    void paint_surface(HDC dc, BackBuffer* buffer, HWND surface, const RECT& client, const RECT& dirty);
    // The part of the label inside `part` of its surface.
    void draw_label(HDC dc, BackBuffer* buffer, std::size_t index, const forms::PixelRect& part);
    const LabelLayout& layout_of(HDC dc, std::size_t index);
    // Where the label can be seen on its surface, if it and its surface are shown (or, with
    // shown_or_not, its surface alone); empty otherwise.
    forms::PixelRect seen_part(std::size_t index, HWND surface, bool shown_or_not) const;
    void invalidate_box(std::size_t index, bool shown_or_not);

    const forms::WindowModel& model_;
    const engine::FieldStore& fields_;
    const std::vector<bool>& shown_;
    const FormWindows& windows_;
    // The fonts outlive the buffers, which may hold one selected.
    std::vector<std::pair<forms::Font, unique_font>> fonts_;
    std::map<HWND, BackBuffer> buffers_;  // per surface
    std::vector<LaidOut> laid_out_;       // per control in the model; labels only
};

}  // namespace platform_win32
