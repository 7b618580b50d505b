// Painting a form's surfaces: each into its back buffer, then to the screen in one go; a
// label's text laid out again only for a new text or density, and painted again only where it
// changed.

#include "platform/win32/win32_painter.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/win32/win32_text.h"

namespace platform_win32 {

using forms::Control;
using forms::Kind;

namespace {

void fill(HDC dc, const forms::PixelRect& r, COLORREF colour) {
    if (r.empty()) return;
    const RECT rect = to_rect(r);
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);  // a fill without a brush
}

}  // namespace

void Painter::paint(HWND surface) {
    PAINTSTRUCT ps;
    HDC target = BeginPaint(surface, &ps);
    RECT client;
    GetClientRect(surface, &client);
    const RECT& dirty = ps.rcPaint;
    // Painted in the surface's own buffer first, then copied to the screen in one go. What the
    // buffer holds outside the dirty part is never copied, so nothing there needs cutting.
    BackBuffer& buffer = buffers_[surface];
    HDC dc = buffer.prepare(target, client.right, client.bottom);
    paint_surface(dc ? dc : target, dc ? &buffer : nullptr, surface, client, dirty);
    if (dc)
        BitBlt(target, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, dc, dirty.left,
               dirty.top, SRCCOPY);
    EndPaint(surface, &ps);
}

void Painter::paint_surface(HDC dc, BackBuffer* buffer, HWND surface, const RECT& client, const RECT& dirty_rect) {
    const std::string_view container = windows_.container_of(surface);
    const forms::PixelRect whole{0, 0, client.right, client.bottom};
    const forms::PixelRect dirty{dirty_rect.left, dirty_rect.top, dirty_rect.right - dirty_rect.left,
                                 dirty_rect.bottom - dirty_rect.top};
    if (surface == windows_.top) {
        fill(dc, dirty.intersected(whole), resolve(model_.back, system_colour(forms::kButtonFace)));
    } else {
        const Control& frame = *std::ranges::find(model_.controls, container, &Control::name);
        fill(dc, dirty.intersected(whole), resolve(frame.back, system_colour(forms::kButtonFace)));
        RECT edge = client;
        DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    }
    const forms::Density d = windows_.density();
    for (const std::size_t i : forms::paint_order(model_, container)) {
        if (!shown_[i]) continue;
        const Control& c = model_.controls[i];
        switch (c.kind) {
            case Kind::Label: {
                const forms::PixelRect part = d.rect(c.rect).intersected(dirty);
                if (!part.empty()) draw_label(dc, buffer, i, part);
                break;
            }
            case Kind::Line: {
                const forms::LineBand band = forms::LineBand::of(c, d);
                const COLORREF colour = resolve(c.fore, system_colour(COLOR_WINDOWTEXT));
                if (band.horizontal() || band.vertical()) {
                    fill(dc, band.straight_pixels().intersected(dirty), colour);
                    break;
                }
                // A slanted line: the same band, centred where a straight one would lie.
                const int shift = band.width / 2 - band.before();
                HPEN pen = CreatePen(PS_SOLID, band.width, colour);
                const HGDIOBJ old = SelectObject(dc, pen);
                MoveToEx(dc, band.x1 + shift, band.y1 + shift, nullptr);
                LineTo(dc, band.x2 + shift, band.y2 + shift);
                SelectObject(dc, old);
                DeleteObject(pen);
                break;
            }
            case Kind::Shape: {
                const COLORREF colour = resolve(c.fore, system_colour(COLOR_WINDOWTEXT));
                for (const forms::PixelRect& band : forms::outline_bands(d.rect(c.rect), c.line_width))
                    fill(dc, band.intersected(dirty), colour);
                break;
            }
            default: break;
        }
    }
}

const LabelLayout& Painter::layout_of(HDC dc, std::size_t index) {
    // Laid out again only for a new text or density; the label's font is selected into dc.
    if (laid_out_.size() != model_.controls.size()) laid_out_.resize(model_.controls.size());
    LaidOut& l = laid_out_[index];
    const Control& c = model_.controls[index];
    if (l.dpi == 0) l.field = fields_.index_of(c.name);
    if (l.dpi != windows_.dpi) l.glyphs = GlyphMeasures{};  // the font of another density
    const std::uint64_t stamp = fields_.stamp(l.field);
    if (l.dpi != windows_.dpi || l.stamp != stamp) {
        l.layout =
            lay_out_label(dc, l.glyphs, to_wide(fields_.text(l.field)), windows_.density().rect(c.rect).width, c.align);
        l.stamp = stamp;
        l.dpi = windows_.dpi;
    }
    return l.layout;
}

void Painter::draw_label(HDC dc, BackBuffer* buffer, std::size_t index, const forms::PixelRect& part) {
    const Control& c = model_.controls[index];
    if (!c.transparent) fill(dc, part, resolve(c.back, system_colour(forms::kButtonFace)));
    // The buffer keeps the font selected from paint to paint; straight on the screen it is
    // selected for this label only.
    const HFONT label_font = font(c.font);
    const HGDIOBJ old_font = buffer ? nullptr : SelectObject(dc, label_font);
    if (buffer) buffer->select_font(label_font);
    const LabelLayout& layout = layout_of(dc, index);
    if (!layout.lines.empty()) {
        const forms::PixelRect r = windows_.density().rect(c.rect);
        const RECT cut = to_rect(part);
        SetTextColor(dc, resolve(c.fore, system_colour(forms::kButtonText)));
        const int mode = buffer ? TRANSPARENT : SetBkMode(dc, TRANSPARENT);
        draw_label_text(dc, layout, r.left, r.top, &cut);
        if (mode != TRANSPARENT) SetBkMode(dc, mode);
    }
    if (old_font) SelectObject(dc, old_font);
}

forms::PixelRect Painter::seen_part(std::size_t index, HWND surface, bool shown_or_not) const {
    // A surface nobody sees is painted whole when it is shown: nothing to mark until then.
    if (!(shown_or_not || shown_[index]) || !IsWindowVisible(surface)) return {};
    return windows_.density().rect(model_.controls[index].rect).intersected(client_area(surface));
}

void Painter::invalidate_box(std::size_t index, bool shown_or_not) {
    HWND surface = windows_.surface_of(model_.controls[index].container);
    const forms::PixelRect seen = seen_part(index, surface, shown_or_not);
    if (seen.empty()) return;
    const RECT r = to_rect(seen);
    InvalidateRect(surface, &r, FALSE);
}

void Painter::visibility_changed(std::size_t index) { invalidate_box(index, true); }

void Painter::text_changed(std::size_t index) {
    HWND surface = windows_.surface_of(model_.controls[index].container);
    const forms::PixelRect seen = seen_part(index, surface, false);
    if (seen.empty()) return;  // nothing of it can be seen now
    // What was drawn is known when the label has been laid out at this density, in its
    // surface's buffer; a first text is painted whole.
    const auto buffer = buffers_.find(surface);
    HDC dc = buffer == buffers_.end() ? nullptr : buffer->second.dc();
    if (!dc || index >= laid_out_.size() || laid_out_[index].dpi != windows_.dpi) {
        invalidate_box(index, false);
        return;
    }
    LaidOut& drawn = laid_out_[index];
    if (drawn.stamp == fields_.stamp(drawn.field)) return;  // the text that is drawn
    // Only the lines, and in a line only the characters, that differ from what was drawn,
    // measured in the buffer with the label's font, which its paint then finds selected.
    buffer->second.select_font(font(model_.controls[index].font));
    const LabelLayout was = std::move(drawn.layout);
    const LabelLayout& now = layout_of(dc, index);
    const forms::PixelRect box = windows_.density().rect(model_.controls[index].rect);
    for (const forms::PixelRect& part : changed_parts(dc, drawn.glyphs, was, now)) {
        const forms::PixelRect moved{box.left + part.left, box.top + part.top, part.width, part.height};
        const forms::PixelRect dirty = moved.intersected(seen);
        if (dirty.empty()) continue;
        const RECT r = to_rect(dirty);
        InvalidateRect(surface, &r, FALSE);
    }
}

HFONT Painter::font(const forms::Font& f) {
    for (const auto& [key, made] : fonts_)
        if (key.face == f.face && key.points == f.points && key.weight == f.weight) return made.get();
    fonts_.emplace_back(f, make_font(f, windows_.dpi));
    return fonts_.back().second.get();
}

void Painter::new_density() {
    for (auto& [surface, buffer] : buffers_) buffer.reset();  // they hold fonts of the old density
    fonts_.clear();
}

}  // namespace platform_win32
