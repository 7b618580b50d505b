// Every text a person can see in Main, VEF2D and frmAbout, laid out as the Win32 runtime lays
// it out (its fonts at the window's density, its DrawTextW flags, on the faces this system
// and the program's carried fonts give), lies whole inside its control and no other control
// covers its ink; at 96, 144 and 192 dpi. The windows and texts are the Qt fit test's table.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/win32_label_text.h"
#include "platform/win32/win32_look.h"
#include "platform/win32/win32_text.h"
#include "tests/platform/win32/win32_density.h"
#include "tests/platform/win32/win32_forms_fixture.h"
#include "tests/secondary_windows/text_fit_check.h"

namespace {

using forms::Kind;
using forms::PixelRect;
using platform_win32::Win32Form;

PixelRect inflated(const PixelRect& r, int by) {
    return {r.left - by, r.top - by, r.width + 2 * by, r.height + 2 * by};
}
PixelRect united(const PixelRect& a, const PixelRect& b) {
    const int left = std::min(a.left, b.left), top = std::min(a.top, b.top);
    return {left, top, std::max(a.right(), b.right()) - left, std::max(a.bottom(), b.bottom()) - top};
}

// A control's text as its control lays it out: where its lines go, in the window's pixels.
struct Layout {
    std::wstring text;
    PixelRect area;  // where the text is laid out
    bool label = false;
    platform_win32::LabelLayout lines;  // a label's, as the runtime draws it
    UINT flags = 0;                     // a button's: the system draws it through DrawTextW
    PixelRect box;                      // the lines, as DrawTextW measures them
    int line_height = 0;
    std::wstring face;  // the face the font mapper drew with
    platform_win32::unique_font font;
};

std::wstring caption_of(Win32Form& form, const forms::Control& c) {
    if (c.kind == Kind::Label) return platform_win32::to_wide(form.fields().get(c.name));
    wchar_t text[512] = {};
    GetWindowTextW(form.control_window(c.name), text, 512);
    return text;
}

Layout layout_of(Win32Form& form, const forms::Control& c, HDC dc) {
    Layout l;
    l.text = caption_of(form, c);
    l.area = win32_test::place_of(form, c).rect;
    l.label = c.kind == Kind::Label;
    if (!l.label) {
        // A multi-line push button draws its caption centred inside its edges.
        const int edge_x = GetSystemMetricsForDpi(SM_CXEDGE, form.dpi());
        const int edge_y = GetSystemMetricsForDpi(SM_CYEDGE, form.dpi());
        l.area = {l.area.left + edge_x, l.area.top + edge_y, l.area.width - 2 * edge_x, l.area.height - 2 * edge_y};
        l.flags = DT_CENTER | DT_WORDBREAK;
    }
    l.font = platform_win32::make_font(c.font, form.dpi());
    const HGDIOBJ old = SelectObject(dc, l.font.get());
    RECT box{l.area.left, l.area.top, l.area.right(), l.area.bottom()};
    if (l.label) {
        l.lines = platform_win32::lay_out_label(dc, l.text, l.area.width, c.align);
        box = {l.area.left + l.lines.left, l.area.top, l.area.left + l.lines.left + l.lines.width,
               l.area.top + l.lines.height()};
    } else {
        DrawTextW(dc, l.text.c_str(), static_cast<int>(l.text.size()), &box, l.flags | DT_CALCRECT);
        // centred upright as well
        const int shift = (l.area.height - (box.bottom - box.top)) / 2;
        box.top += shift;
        box.bottom += shift;
        l.area.top += shift;
    }
    l.box = {box.left, box.top, box.right - box.left, box.bottom - box.top};
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    l.line_height = metrics.tmHeight;
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    l.face = face;
    SelectObject(dc, old);
    return l;
}

// The pixels the text inks, drawn alone and unclipped on a white canvas wide enough for every
// line, wherever it falls.
class Ink {
public:
    Ink(const Layout& l, HDC screen) : canvas_(inflated(united(l.area, l.box), 3 * l.line_height)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = canvas_.width;
        info.bmiHeader.biHeight = -canvas_.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
        const HGDIOBJ old_font = SelectObject(dc, l.font.get());
        PatBlt(dc, 0, 0, canvas_.width, canvas_.height, WHITENESS);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
        RECT area{l.area.left - canvas_.left, l.area.top - canvas_.top, l.area.right() - canvas_.left,
                  l.area.bottom() - canvas_.top};
        if (l.label)
            platform_win32::draw_label_text(dc, l.lines, area.left, area.top, nullptr);
        else
            DrawTextW(dc, l.text.c_str(), static_cast<int>(l.text.size()), &area, l.flags | DT_NOCLIP);
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        inked_.resize(static_cast<std::size_t>(canvas_.width) * static_cast<std::size_t>(canvas_.height));
        // Ink a person reads: a quarter or more of black in some channel. ClearType's colour
        // fringe beside a glyph's edge is fainter and may pass the label's edge.
        auto darkest = [](std::uint32_t px) { return std::min({px & 0xFF, px >> 8 & 0xFF, px >> 16 & 0xFF}); };
        for (std::size_t i = 0; i < inked_.size(); ++i) inked_[i] = darkest(p[i]) < 0xC0;
        SelectObject(dc, old_font);
        SelectObject(dc, old_bitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    int inside(const PixelRect& area) const {
        const PixelRect a = area.intersected(canvas_);
        int n = 0;
        for (int y = a.top; y < a.bottom(); ++y)
            for (int x = a.left; x < a.right(); ++x)
                n += inked_[static_cast<std::size_t>((y - canvas_.top) * canvas_.width + (x - canvas_.left))];
        return n;
    }
    int all() const { return inside(canvas_); }

private:
    PixelRect canvas_;
    std::vector<bool> inked_;
};

// What a control hides of whatever lies below it: its whole room, or only its own text when it
// is a label that draws no background.
PixelRect cover_of(Win32Form& form, const forms::Control& c, HDC dc) {
    const PixelRect room = win32_test::place_of(form, c).room;
    if (c.kind == Kind::Line)
        return forms::LineBand::of(c, form.density()).straight_pixels();  // in its container's pixels
    if (c.kind == Kind::Label && c.transparent) return layout_of(form, c, dc).box.intersected(room);
    return room;
}

// The controls that lie above `c`: the surface-drawn ones painted after it on its surface, the
// windows on its surface, and the windows stacked above each of its containers.
std::vector<const forms::Control*> above(Win32Form& form, const forms::Control& c) {
    std::vector<const forms::Control*> out;
    const forms::WindowModel& model = form.model();
    auto windows_above = [&](HWND hwnd) {
        for (HWND w = GetWindow(hwnd, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
            for (const forms::Control& k : model.controls)
                if (form.control_window(k.name) == w) out.push_back(&k);
    };
    if (forms::surface_drawn(c.kind)) {
        const std::vector<std::size_t> order = forms::paint_order(model, c.container);
        bool after = false;
        for (const std::size_t i : order) {
            if (after && model.controls[i].kind != Kind::Shape) out.push_back(&model.controls[i]);  // an outline
            after = after || model.controls[i].name == c.name;
        }
        for (const forms::Control& k : model.controls)
            if (k.container == c.container && !forms::surface_drawn(k.kind) && form.control_window(k.name))
                out.push_back(&k);
    } else if (HWND own = form.control_window(c.name)) {
        windows_above(own);
    }
    for (std::string_view in = c.container; !in.empty(); in = win32_test::control_of(model, in).container)
        windows_above(form.control_window(in));
    return out;
}

// How the Win32 runtime lays out and draws a control's text, for the shared check.
struct Win32Measurer {
    using Form = Win32Form;
    HDC dc;

    bool shows_text(Win32Form& form, const forms::Control& c) const {
        if (c.kind != Kind::Label && c.kind != Kind::Button) return false;
        if (!win32_test::shows(form, c) || win32_test::place_of(form, c).room.empty()) return false;
        return caption_of(form, c).find_first_not_of(L" \t\r\n") != std::wstring::npos;
    }

    text_fit::Measure measure(Win32Form& form, const forms::Control& c) const {
        const Layout l = layout_of(form, c, dc);
        const PixelRect room = win32_test::place_of(form, c).room;
        const Ink ink(l, dc);
        text_fit::Measure m{.text = platform_win32::to_utf8(l.text),
                            .inked = ink.all(),
                            .inked_inside = ink.inside(room),
                            .room_width = room.width,
                            .room_height = room.height,
                            .width = double(l.box.width),
                            .height = double(l.box.height),
                            .line_height = double(l.line_height),
                            .face = platform_win32::to_utf8(l.face),
                            .points = c.font.points > 0 ? c.font.points : forms::kDefaultFont.points,
                            .drawn_in = platform_win32::to_utf8(l.face)};
        for (const forms::Control* upper : above(form, c)) {
            if (!win32_test::shows(form, *upper)) continue;
            PixelRect cover = cover_of(form, *upper, dc);
            if (upper->kind == Kind::Line) {  // from its container's pixels to the window's
                const PixelRect frame = win32_test::place_of(form, *upper).rect;
                const PixelRect own = form.density().rect(upper->rect);
                cover.left += frame.left - own.left;
                cover.top += frame.top - own.top;
            }
            m.covers.push_back({std::string(upper->name), ink.inside(cover)});
        }
        return m;
    }
};

TEST(Win32TextFit, EveryTextOfEveryWindowIsWholeAndUncoveredAtEachDensity) {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    const text_fit::OpenWindows open(runtime, runtime);
    Win32Measurer measurer{GetDC(nullptr)};
    for (const unsigned dpi : win32_test::kDensities) {
        for (Win32Form* f : runtime.forms()) win32_test::move_to_density(*f, dpi);
        win32_test::pump_for(runtime, std::chrono::milliseconds(50));
        for (Win32Form* f : runtime.forms())
            ASSERT_EQ(f->dpi(), dpi) << f->model().name << " did not take the new density";
        text_fit::check_every_text(runtime, measurer, " at " + std::to_string(dpi) + " dpi");
    }
    ReleaseDC(nullptr, measurer.dc);
    for (Win32Form* f : runtime.forms()) f->unload();
}

}  // namespace
