#include "platform/win32/win32_label_text.h"

#include <algorithm>

namespace platform_win32 {

namespace {

bool is_space(wchar_t c) { return c == L' '; }

int advance_of(HDC dc, std::wstring_view s) {
    if (s.empty()) return 0;
    return LOWORD(GetTabbedTextExtentW(dc, s.data(), static_cast<int>(s.size()), 0, nullptr));
}

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
        out.push_back({.text = std::wstring(line), .x = 0, .width = advance_of(dc, line)});
        start = end;
        first = false;
        while (start < p.size() && is_space(p[start])) ++start;
    } while (start < p.size());
}

}  // namespace

LabelLayout lay_out_label(HDC dc, std::wstring_view text, int width, forms::Align align) {
    LabelLayout layout;
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    layout.line_height = metrics.tmHeight;
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
    for (const LabelLine& line : layout.lines) {
        if (!line.text.empty())
            TabbedTextOutW(dc, left + line.x, y, line.text.c_str(), static_cast<int>(line.text.size()), 0, nullptr,
                           left + line.x);
        y += layout.line_height;
    }
    RestoreDC(dc, saved);
}

}  // namespace platform_win32
