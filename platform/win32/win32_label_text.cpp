#include "platform/win32/win32_label_text.h"

#include <algorithm>
#include <vector>

namespace platform_win32 {

namespace {

bool is_space(wchar_t c) { return c == L' '; }

// Tabs stop every eight average characters from the line's start.
int next_tab_stop(HDC dc, int x) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int every = std::max(1, 8 * static_cast<int>(metrics.tmAveCharWidth));
    return (x / every + 1) * every;
}

// Where each character of `s` ends, from its start: what the line is measured by and drawn at,
// so the glyphs stand where they were measured whatever the system's own spacing when it draws.
std::vector<int> ends_of(HDC dc, std::wstring_view s) {
    std::vector<int> ends(s.size());
    int x = 0;
    for (std::size_t at = 0; at < s.size();) {
        if (s[at] == L'\t') {
            x = next_tab_stop(dc, x);
            ends[at++] = x;
            continue;
        }
        const std::size_t run = std::min(s.find(L'\t', at), s.size()) - at;
        SIZE size{};
        int fit = 0;
        GetTextExtentExPointW(dc, s.data() + at, static_cast<int>(run), 0, &fit, ends.data() + at, &size);
        for (std::size_t i = at; i < at + run; ++i) ends[i] += x;
        x += size.cx;
        at += run;
    }
    return ends;
}

int advance_of(HDC dc, std::wstring_view s) { return s.empty() ? 0 : ends_of(dc, s).back(); }

// How far right of the line's start its ink reaches: the advance, less the blank the last
// glyph leaves after its ink (or plus the ink it throws past its advance).
int ink_reach(HDC dc, std::wstring_view s) {
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    const int advance = advance_of(dc, s);
    if (s.empty() || s.back() == L'\t' || (s.back() >= 0xD800 && s.back() <= 0xDFFF)) return advance;
    ABC abc{};
    const UINT last = s.back();
    if (!GetCharABCWidthsW(dc, last, last, &abc)) return advance;
    return advance - abc.abcC;
}

// The lines of one paragraph (no line break inside), unplaced.
void break_paragraph(HDC dc, std::wstring_view p, int width, std::vector<LabelLine>& out) {
    std::size_t start = 0;
    bool first = true;
    do {
        if (!first)
            while (start < p.size() && is_space(p[start])) ++start;
        // Word by word while the ink still fits; the first word goes in whatever its width.
        std::size_t end = start;
        for (;;) {
            std::size_t next = end;
            while (next < p.size() && is_space(p[next])) ++next;
            while (next < p.size() && !is_space(p[next])) ++next;
            if (next == end) break;
            if (end != start && ink_reach(dc, p.substr(start, next - start)) > width) break;
            end = next;
        }
        std::wstring_view line = p.substr(start, end - start);
        while (!line.empty() && is_space(line.back())) line.remove_suffix(1);  // they ink nothing
        std::vector<int> ends = ends_of(dc, line);
        const int advance = ends.empty() ? 0 : ends.back();
        out.push_back({.text = std::wstring(line), .x = 0, .width = advance, .ends = std::move(ends)});
        start = end;
        first = false;
        while (start < p.size() && is_space(p[start])) ++start;
    } while (start < p.size());
}

forms::PixelRect united(const forms::PixelRect& a, const forms::PixelRect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const int left = std::min(a.left, b.left), top = std::min(a.top, b.top);
    return {left, top, std::max(a.right(), b.right()) - left, std::max(a.bottom(), b.bottom()) - top};
}

// Smoothing, ClearType's above all, shades a pixel or two past a glyph's outline.
constexpr int kSmoothing = 2;
constexpr MAT2 kUnscaled{{0, 1}, {0, 0}, {0, 0}, {0, 1}};

// What the glyphs of `line` from character `from` on may ink, with the line's top at `top`:
// each glyph's outline where it is drawn, and the cells the characters advance through.
forms::PixelRect ink_from(HDC dc, const LabelLayout& layout, const LabelLine& line, std::size_t from, int top) {
    if (from >= line.text.size() || line.ends.size() != line.text.size()) return {};
    const int start = line.x + (from == 0 ? 0 : line.ends[from - 1]);
    forms::PixelRect ink{start, top, line.x + line.ends.back() - start, layout.line_height};
    for (std::size_t i = from; i < line.text.size(); ++i) {
        const wchar_t c = line.text[i];
        if (c == L'\t') continue;  // inks nothing
        const int pen = line.x + (i == 0 ? 0 : line.ends[i - 1]);
        GLYPHMETRICS m{};
        if ((c >= 0xD800 && c <= 0xDFFF) ||
            GetGlyphOutlineW(dc, c, GGO_METRICS, &m, 0, nullptr, &kUnscaled) == GDI_ERROR) {
            // No outline to measure: as far round its cell as a glyph of the line's height reaches.
            const int h = layout.line_height;
            ink = united(ink, {pen - h, top - h, line.x + line.ends[i] - pen + 2 * h, 3 * h});
            continue;
        }
        ink = united(
            ink, {pen + m.gmptGlyphOrigin.x - kSmoothing, top + layout.ascent - m.gmptGlyphOrigin.y - kSmoothing,
                  static_cast<int>(m.gmBlackBoxX) + 2 * kSmoothing, static_cast<int>(m.gmBlackBoxY) + 2 * kSmoothing});
    }
    return ink;
}

}  // namespace

LabelLayout lay_out_label(HDC dc, std::wstring_view text, int width, forms::Align align) {
    LabelLayout layout;
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    layout.line_height = metrics.tmHeight;
    layout.ascent = metrics.tmAscent;
    for (std::size_t at = 0;;) {
        const std::size_t stop = text.find_first_of(L"\r\n", at);
        break_paragraph(dc, text.substr(at, stop == std::wstring_view::npos ? text.npos : stop - at), width,
                        layout.lines);
        if (stop == std::wstring_view::npos) break;
        at = stop + (text.compare(stop, 2, L"\r\n") == 0 ? 2 : 1);
        if (at == text.size()) break;  // a closing line break opens no empty line
    }
    int right = 0;
    layout.left = width;
    for (LabelLine& line : layout.lines) {
        if (align == forms::Align::Center) line.x = (width - line.width) / 2;
        if (align == forms::Align::Right) line.x = width - line.width;
        layout.left = std::min(layout.left, line.x);
        right = std::max(right, line.x + line.width);
    }
    layout.width = std::max(0, right - layout.left);
    return layout;
}

void draw_label_text(HDC dc, const LabelLayout& layout, int left, int top, const RECT* clip) {
    const int saved = SaveDC(dc);
    if (clip) IntersectClipRect(dc, clip->left, clip->top, clip->right, clip->bottom);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    int y = top;
    std::vector<int> dx;
    for (const LabelLine& line : layout.lines) {
        // Where the layout measured them, or measured now for a line made by hand.
        const std::vector<int> measured =
            line.ends.size() == line.text.size() ? std::vector<int>{} : ends_of(dc, line.text);
        const std::vector<int>& ends = measured.empty() ? line.ends : measured;
        // Each run between tabs from where it was measured to start, each character advancing
        // by what it measured.
        for (std::size_t at = 0; at < line.text.size();) {
            if (line.text[at] == L'\t') {
                ++at;
                continue;
            }
            const std::size_t run = std::min(line.text.find(L'\t', at), line.text.size()) - at;
            const int start = at == 0 ? 0 : ends[at - 1];
            dx.resize(run);
            for (std::size_t i = 0; i < run; ++i) dx[i] = ends[at + i] - (i == 0 ? start : ends[at + i - 1]);
            ExtTextOutW(dc, left + line.x + start, y, 0, nullptr, line.text.c_str() + at, static_cast<UINT>(run),
                        dx.data());
            at += run;
        }
        y += layout.line_height;
    }
    RestoreDC(dc, saved);
}

std::vector<forms::PixelRect> changed_parts(HDC dc, const LabelLayout& was, const LabelLayout& now) {
    std::vector<forms::PixelRect> parts;
    for (std::size_t i = 0; i < std::max(was.lines.size(), now.lines.size()); ++i) {
        const LabelLine* old_line = i < was.lines.size() ? &was.lines[i] : nullptr;
        const LabelLine* new_line = i < now.lines.size() ? &now.lines[i] : nullptr;
        // Characters before the first that differs stand where they stood.
        std::size_t from = 0;
        if (old_line && new_line && old_line->x == new_line->x) {
            const std::wstring &a = old_line->text, &b = new_line->text;
            from = static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
            if (from == a.size() && from == b.size()) continue;
        }
        forms::PixelRect part;
        if (old_line) part = united(part, ink_from(dc, was, *old_line, from, was.line_height * static_cast<int>(i)));
        if (new_line) part = united(part, ink_from(dc, now, *new_line, from, now.line_height * static_cast<int>(i)));
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

}  // namespace platform_win32
