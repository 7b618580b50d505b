// A label's lines as the runtime breaks them, on the font of Main's sentence: widths are given
// as what a piece of text measures in that font, so each row holds whatever the face.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/win32_back_buffer.h"
#include "platform/win32/win32_label_text.h"
#include "platform/win32/win32_look.h"

namespace {

using platform_win32::lay_out_label;

struct Lcars : ::testing::Test {
    HDC dc = GetDC(nullptr);
    platform_win32::unique_font font = platform_win32::make_font({.face = "LCARS", .points = 26.25, .weight = 400}, 96);
    HGDIOBJ old = SelectObject(dc, font.get());
    ~Lcars() override {
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
    }
    int advance(const std::wstring& s) const {
        return LOWORD(GetTabbedTextExtentW(dc, s.c_str(), static_cast<int>(s.size()), 0, nullptr));
    }
    // The blank the last glyph leaves right of its ink.
    int blank_after(wchar_t c) const {
        ABC abc{};
        GetCharABCWidthsW(dc, c, c, &abc);
        return abc.abcC;
    }
};

TEST_F(Lcars, LinesBreakAtWordsWhereTheInkWouldPassTheEdge) {
    ASSERT_GT(blank_after(L','), 0) << "the row on a comma's blank needs a face that leaves one";
    struct Row {
        const char* what;
        std::wstring text;
        int width;
        std::vector<std::wstring> lines;
    };
    const std::wstring just = L"JUST SO YOU KNOW,";
    const std::wstring sentence = L"It is EndDays Days, 24 Hours, 60 Minutes";
    const Row rows[] = {
        {"the blank after the last glyph may pass the edge", just, advance(just) - blank_after(L','), {just}},
        {"the ink may not", just, advance(just) - blank_after(L',') - 1, {L"JUST SO YOU", L"KNOW,"}},
        {"the space a line breaks at is not part of it",
         sentence,
         advance(L"It is EndDays Days, 24 Hours,"),
         {L"It is EndDays Days, 24 Hours,", L"60 Minutes"}},
        {"spaces at a break are dropped", L"Hours,     60", advance(L"Hours,"), {L"Hours,", L"60"}},
        {"spaces that open the text are kept", L"   DISCLAIMER", 1000, {L"   DISCLAIMER"}},
        {"a word wider than the label has a line of its own",
         L"a Supercalifragilistic b",
         advance(L"a b"),
         {L"a", L"Supercalifragilistic", L"b"}},
        {"each line break ends a line", L"one\r\ntwo\nthree\rfour", 1000, {L"one", L"two", L"three", L"four"}},
        {"an empty paragraph is an empty line", L"one\n\ntwo", 1000, {L"one", L"", L"two"}},
        {"a closing line break opens none", L"one\r\n", 1000, {L"one"}},
        {"\"&\" is a plain character", L"Q&A", 1000, {L"Q&A"}},
        {"a tab stops at eight average characters", L"a\tb c", 1000, {L"a\tb c"}},
        {"tab stops count from each line's start",
         L"JUST SO\tYOU KNOW,",
         advance(L"JUST SO\tYOU"),
         {L"JUST SO\tYOU", L"KNOW,"}},
    };
    for (const Row& r : rows) {
        const platform_win32::LabelLayout l = lay_out_label(dc, r.text, r.width, forms::Align::Left);
        std::vector<std::wstring> got;
        for (const auto& line : l.lines) got.push_back(line.text);
        EXPECT_EQ(got, r.lines) << r.what;
        for (const auto& line : l.lines) EXPECT_EQ(line.width, advance(line.text)) << r.what;
    }
}

TEST_F(Lcars, EachLineIsPlacedByTheLabelsAlignment) {
    struct Row {
        forms::Align align;
        int first_x, second_x;  // of "60 Minutes," and "and"
    };
    const int wide = advance(L"60 Minutes,"), narrow = advance(L"and");
    const int width = wide + advance(L" an");  // room for "60 Minutes," and not for its "and"
    const Row rows[] = {
        {forms::Align::Left, 0, 0},
        {forms::Align::Center, (width - wide) / 2, (width - narrow) / 2},
        {forms::Align::Right, width - wide, width - narrow},
    };
    for (const Row& r : rows) {
        const platform_win32::LabelLayout l = lay_out_label(dc, L"60 Minutes, and", width, r.align);
        ASSERT_EQ(l.lines.size(), 2u);
        EXPECT_EQ(l.lines[0].x, r.first_x);
        EXPECT_EQ(l.lines[1].x, r.second_x);
        EXPECT_EQ(l.left, r.first_x);
        EXPECT_EQ(l.width, wide);
        TEXTMETRICW m{};
        GetTextMetricsW(dc, &m);
        EXPECT_EQ(l.height(), 2 * m.tmHeight);
    }
}

// What a new text repaints: in each line that changed, from its first changed character to
// its end, old glyphs and new; nothing of a line that stayed, nor of its unchanged start.
TEST_F(Lcars, ANewTextMarksEachChangedLineFromItsFirstChangedCharacter) {
    struct Row {
        const char* what;
        std::wstring was, now;
        std::vector<std::pair<int, std::wstring>> parts;  // the line, and the start that stays
    };
    const std::wstring second = L"It is 9 Days,\n35 Minutes, and 53 Seconds";
    const Row rows[] = {
        {"the same text", second, second, {}},
        {"a changed second", second, L"It is 9 Days,\n35 Minutes, and 52 Seconds", {{1, L"35 Minutes, and 5"}}},
        {"a wider number", second, L"It is 10 Days,\n35 Minutes, and 53 Seconds", {{0, L"It is "}}},
        {"a line gone", L"one\ntwo", L"one", {{1, L""}}},
        {"a line come", L"one", L"one\ntwo", {{1, L""}}},
        {"the text gone", L"one\ntwo", L"", {{0, L""}, {1, L""}}},
    };
    TEXTMETRICW m{};
    GetTextMetricsW(dc, &m);
    const int h = m.tmHeight;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const auto was = lay_out_label(dc, r.was, 1000, forms::Align::Left);
        const auto now = lay_out_label(dc, r.now, 1000, forms::Align::Left);
        const std::vector<forms::PixelRect> parts = platform_win32::changed_parts(dc, was, now);
        ASSERT_EQ(parts.size(), r.parts.size());
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const auto& [line, stays] = r.parts[i];
            const forms::PixelRect& p = parts[i];
            // Its line's cell from the first change on, old and new, and little of its neighbours.
            int end = 0;
            for (const auto* l : {&was, &now})
                if (static_cast<std::size_t>(line) < l->lines.size()) end = std::max(end, l->lines[line].width);
            EXPECT_LE(p.left, advance(stays));
            EXPECT_GT(p.left, advance(stays) - h / 4);
            EXPECT_GE(p.right(), end);
            EXPECT_LE(p.top, line * h);
            EXPECT_GE(p.bottom(), (line + 1) * h);
            EXPECT_GT(p.top, line * h - h / 4);
            EXPECT_LT(p.bottom(), (line + 1) * h + h / 4);
        }
    }
}

// A label laid out again each second keeps its font's measures: what it lays out and marks
// with them is what it would with measures asked afresh, text after text.
TEST_F(Lcars, KeptMeasuresLayOutAsFreshOnes) {
    const std::wstring texts[] = {L"It is 9 Days,\n35 Minutes, and 53 Seconds",
                                  L"It is 9 Days,\n35 Minutes, and 52 Seconds",
                                  L"It is 10 Days, 4 Hours,\n0 Minutes, and 9 Seconds", L"JUST SO\tYOU KNOW, Q&A", L""};
    platform_win32::GlyphMeasures kept;
    platform_win32::LabelLayout was_kept, was_fresh;
    for (const std::wstring& text : texts) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        const auto now_kept = lay_out_label(dc, kept, text, 180, forms::Align::Center);
        const auto now_fresh = lay_out_label(dc, text, 180, forms::Align::Center);
        ASSERT_EQ(now_kept.lines.size(), now_fresh.lines.size());
        for (std::size_t i = 0; i < now_kept.lines.size(); ++i) {
            EXPECT_EQ(now_kept.lines[i].text, now_fresh.lines[i].text);
            EXPECT_EQ(now_kept.lines[i].x, now_fresh.lines[i].x);
            EXPECT_EQ(now_kept.lines[i].ends, now_fresh.lines[i].ends);
        }
        EXPECT_EQ(now_kept.height(), now_fresh.height());
        const auto parts_kept = platform_win32::changed_parts(dc, kept, was_kept, now_kept);
        const auto parts_fresh = platform_win32::changed_parts(dc, was_fresh, now_fresh);
        ASSERT_EQ(parts_kept.size(), parts_fresh.size());
        for (std::size_t i = 0; i < parts_kept.size(); ++i) {
            EXPECT_EQ(parts_kept[i].left, parts_fresh[i].left);
            EXPECT_EQ(parts_kept[i].width, parts_fresh[i].width);
            EXPECT_EQ(parts_kept[i].top, parts_fresh[i].top);
            EXPECT_EQ(parts_kept[i].height, parts_fresh[i].height);
        }
        was_kept = now_kept;
        was_fresh = now_fresh;
    }
}

// The buffer selects a font only when it is not the one selected, and a buffer made again
// (a new size) starts from its context's own font, so the next paint selects its font again.
TEST_F(Lcars, TheBufferKeepsTheFontSelectedUntilItIsMadeAgain) {
    platform_win32::unique_font other = platform_win32::make_font({.face = "Arial", .points = 9, .weight = 700}, 96);
    platform_win32::BackBuffer buffer;
    HDC first = buffer.prepare(dc, 40, 20);
    ASSERT_NE(first, nullptr);
    const HGDIOBJ own = GetCurrentObject(first, OBJ_FONT);
    buffer.select_font(font.get());
    EXPECT_EQ(GetCurrentObject(first, OBJ_FONT), font.get());
    EXPECT_EQ(buffer.prepare(dc, 40, 20), first) << "the same size keeps the context";
    buffer.select_font(other.get());
    EXPECT_EQ(GetCurrentObject(first, OBJ_FONT), other.get());
    HDC second = buffer.prepare(dc, 80, 20);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetCurrentObject(second, OBJ_FONT), own) << "a new context has its own font";
    buffer.select_font(other.get());
    EXPECT_EQ(GetCurrentObject(second, OBJ_FONT), other.get());
    buffer.reset();
    EXPECT_EQ(buffer.dc(), nullptr);
}

}  // namespace
