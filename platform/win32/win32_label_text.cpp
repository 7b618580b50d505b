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

bool is_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// How far right of its start the ink of `s` reaches, `s` advancing by `advance` and ending in
// no space: the advance, less the blank the last glyph leaves after its ink (or plus the ink
// it throws past its advance).
int ink_reach(HDC dc, GlyphMeasures& glyphs, std::wstring_view s, int advance) {
    if (s.empty() || s.back() == L'\t' || is_surrogate(s.back())) return advance;
    const std::optional<int> blank = glyphs.blank_after(dc, s.back());
    return blank ? advance - *blank : advance;
}

// Where each character of one paragraph (no line break inside) ends, measured once for the
// whole paragraph: the advance of any piece of it is the difference of two ends, since each
// glyph advances by its own whole pixels whatever stands before it. A paragraph with tabs is
// measured piece by piece instead, as its tab stops count from the start of each line.
class ParagraphEnds {
public:
    ParagraphEnds(HDC dc, std::wstring_view p)
        : dc_(dc), p_(p), tabs_(p.find(L'\t') != p.npos), all_(tabs_ ? std::vector<int>{} : ends_of(dc, p)) {}

    // The ends of the characters from..to, from the first one's start.
    std::vector<int> ends(std::size_t from, std::size_t to) const {
        if (tabs_) return ends_of(dc_, p_.substr(from, to - from));
        std::vector<int> e(all_.begin() + static_cast<std::ptrdiff_t>(from),
                           all_.begin() + static_cast<std::ptrdiff_t>(to));
        for (int& end : e) end -= start_of(from);
        return e;
    }
    int advance(std::size_t from, std::size_t to) const {
        if (from == to) return 0;
        return tabs_ ? ends(from, to).back() : all_[to - 1] - start_of(from);
    }

private:
    int start_of(std::size_t at) const { return at == 0 ? 0 : all_[at - 1]; }
    HDC dc_;
    std::wstring_view p_;
    bool tabs_;
    std::vector<int> all_;
};

// The lines of one paragraph (no line break inside), unplaced.
void break_paragraph(HDC dc, GlyphMeasures& glyphs, std::wstring_view p, int width, std::vector<LabelLine>& out) {
    const ParagraphEnds measured(dc, p);
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
            if (end != start &&
                ink_reach(dc, glyphs, p.substr(start, next - start), measured.advance(start, next)) > width)
                break;
            end = next;
        }
        std::size_t stop = end;
        while (stop > start && is_space(p[stop - 1])) --stop;  // spaces at the end ink nothing
        std::vector<int> ends = measured.ends(start, stop);
        const int advance = ends.empty() ? 0 : ends.back();
        out.push_back(
            {.text = std::wstring(p.substr(start, stop - start)), .x = 0, .width = advance, .ends = std::move(ends)});
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
forms::PixelRect ink_from(HDC dc, GlyphMeasures& glyphs, const LabelLayout& layout, const LabelLine& line,
                          std::size_t from, int top) {
    if (from >= line.text.size() || line.ends.size() != line.text.size()) return {};
    const int start = line.x + (from == 0 ? 0 : line.ends[from - 1]);
    forms::PixelRect ink{start, top, line.x + line.ends.back() - start, layout.line_height};
    for (std::size_t i = from; i < line.text.size(); ++i) {
        const wchar_t c = line.text[i];
        if (c == L'\t') continue;  // inks nothing
        const int pen = line.x + (i == 0 ? 0 : line.ends[i - 1]);
        const std::optional<GLYPHMETRICS> box = is_surrogate(c) ? std::nullopt : glyphs.ink_box(dc, c);
        if (!box) {
            // No outline to measure: as far round its cell as a glyph of the line's height reaches.
            const int h = layout.line_height;
            ink = united(ink, {pen - h, top - h, line.x + line.ends[i] - pen + 2 * h, 3 * h});
            continue;
        }
        const GLYPHMETRICS& m = *box;
        ink = united(
            ink, {pen + m.gmptGlyphOrigin.x - kSmoothing, top + layout.ascent - m.gmptGlyphOrigin.y - kSmoothing,
                  static_cast<int>(m.gmBlackBoxX) + 2 * kSmoothing, static_cast<int>(m.gmBlackBoxY) + 2 * kSmoothing});
    }
    return ink;
}

}  // namespace

const TEXTMETRICW& GlyphMeasures::metrics(HDC dc) {
    if (!metrics_) {
        TEXTMETRICW m{};
        GetTextMetricsW(dc, &m);
        metrics_ = m;
    }
    return *metrics_;
}

std::optional<int> GlyphMeasures::blank_after(HDC dc, wchar_t c) {
    const auto [at, added] = blank_after_.try_emplace(c);
    ABC abc{};
    if (added && GetCharABCWidthsW(dc, c, c, &abc)) at->second = abc.abcC;
    return at->second;
}

std::optional<GLYPHMETRICS> GlyphMeasures::ink_box(HDC dc, wchar_t c) {
    const auto [at, added] = ink_box_.try_emplace(c);
    GLYPHMETRICS m{};
    if (added && GetGlyphOutlineW(dc, c, GGO_METRICS, &m, 0, nullptr, &kUnscaled) != GDI_ERROR) at->second = m;
    return at->second;
}

LabelLayout lay_out_label(HDC dc, std::wstring_view text, int width, forms::Align align) {
    GlyphMeasures glyphs;
    return lay_out_label(dc, glyphs, text, width, align);
}

LabelLayout lay_out_label(HDC dc, GlyphMeasures& glyphs, std::wstring_view text, int width, forms::Align align) {
    LabelLayout layout;
    const TEXTMETRICW& metrics = glyphs.metrics(dc);
    layout.line_height = metrics.tmHeight;
    layout.ascent = metrics.tmAscent;
    for (std::size_t at = 0;;) {
        const std::size_t stop = text.find_first_of(L"\r\n", at);
        break_paragraph(dc, glyphs, text.substr(at, stop == std::wstring_view::npos ? text.npos : stop - at), width,
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
    // Each run is cut by itself rather than by a clip region saved and restored: restoring a
    // context selects its font again, which costs what selecting a font does.
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    const UINT cut = clip ? ETO_CLIPPED : 0;
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
            ExtTextOutW(dc, left + line.x + start, y, cut, clip, line.text.c_str() + at, static_cast<UINT>(run),
                        dx.data());
            at += run;
        }
        y += layout.line_height;
    }
}

std::vector<forms::PixelRect> changed_parts(HDC dc, const LabelLayout& was, const LabelLayout& now) {
    GlyphMeasures glyphs;
    return changed_parts(dc, glyphs, was, now);
}

std::vector<forms::PixelRect> changed_parts(HDC dc, GlyphMeasures& glyphs, const LabelLayout& was,
                                            const LabelLayout& now) {
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
        if (old_line)
            part = united(part, ink_from(dc, glyphs, was, *old_line, from, was.line_height * static_cast<int>(i)));
        if (new_line)
            part = united(part, ink_from(dc, glyphs, now, *new_line, from, now.line_height * static_cast<int>(i)));
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

}  // namespace platform_win32
