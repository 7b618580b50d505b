#include "platform/win32/win32_look.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

#include "platform/font_faces.h"
#include "platform/win32/win32_text.h"

namespace platform_win32 {

namespace {

// Neither a bitmap face nor one the font mapper replaced: TMPF_VECTOR and TMPF_TRUETYPE
// both mark an outline face.
bool draws_as_asked(HDC dc, const std::wstring& family) {
    wchar_t drawn[LF_FACESIZE] = {};
    const int n = GetTextFaceW(dc, LF_FACESIZE, drawn);
    TEXTMETRICW metrics{};
    if (n <= 0 || !GetTextMetricsW(dc, &metrics)) return false;
    return _wcsicmp(drawn, family.c_str()) == 0 && (metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0;
}

// The first candidate the system draws as asked; with none, the design's own name for an
// unknown face (the mapper finds its nearest match), Tahoma for a known one, since every
// Windows has it.
std::wstring choose_face(std::string_view design) {
    const std::vector<forms::FaceCandidate> candidates = forms::face_candidates(design);
    for (const forms::FaceCandidate& c : candidates) {
        const std::wstring family = to_wide(c.family);
        if (scalable_face_available(family)) return family;
    }
    return candidates.size() == 1 ? to_wide(design) : L"Tahoma";
}

}  // namespace

COLORREF system_colour(int index) { return GetSysColor(index >= 0 && index <= 30 ? index : COLOR_BTNFACE); }

COLORREF resolve(const forms::Colour& colour, COLORREF fallback) {
    switch (colour.source) {
        case forms::Colour::Source::Fixed: return RGB(colour.red, colour.green, colour.blue);
        case forms::Colour::Source::System: return system_colour(colour.system_index);
        case forms::Colour::Source::Default: break;
    }
    return fallback;
}

int add_carried_fonts(HMODULE module, std::span<const int> ids) {
    int added = 0;
    for (const int id : ids) {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data) continue;
        DWORD faces = 0;
        // The handle is dropped on purpose: the fonts stay with the process until it ends.
        if (AddFontMemResourceEx(data, SizeofResource(module, found), nullptr, &faces))
            added += static_cast<int>(faces);
    }
    return added;
}

bool scalable_face_available(const std::wstring& family) {
    if (family.empty() || family.size() >= LF_FACESIZE) return false;
    LOGFONTW lf{};
    lf.lfHeight = -16;
    lf.lfCharSet = DEFAULT_CHARSET;
    family.copy(lf.lfFaceName, family.size());
    const unique_font font(CreateFontIndirectW(&lf));
    if (!font) return false;
    HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, font.get());
    const bool available = draws_as_asked(screen, family);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return available;
}

std::wstring face_for(std::string_view design_face) {
    // The installed fonts do not change while the program runs, and every window should
    // show the same stand-in.
    static std::mutex lock;
    static std::map<std::string, std::wstring, std::less<>> chosen;
    const std::lock_guard guard(lock);
    if (auto it = chosen.find(design_face); it != chosen.end()) return it->second;
    return chosen.emplace(std::string(design_face), choose_face(design_face)).first->second;
}

unique_font make_font(const forms::Font& font, unsigned dpi) {
    const double points = font.points > 0 ? font.points : forms::kDefaultFont.points;
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72.0));  // character height, not cell
    lf.lfWeight = font.weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    const std::wstring face = face_for(font.face);
    face.copy(lf.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
    return unique_font(CreateFontIndirectW(&lf));
}

}  // namespace platform_win32
