#include "platform/win32/win32_look.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/forms/font_faces.h"
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

// The families the program carries, each with whether its files were added yet.
struct Carried {
    HMODULE module = nullptr;
    std::vector<std::pair<CarriedFamily, bool>> families;
};
Carried& carried() {
    static Carried c;
    return c;
}

// Whether a carried family's files wait to be added.
bool waits(std::string_view family) {
    for (const auto& [f, added] : carried().families)
        if (f.family == family) return !added;
    return false;
}

int CALLBACK note_outline(const LOGFONTW*, const TEXTMETRICW*, DWORD type, LPARAM found) {
    if ((type & RASTER_FONTTYPE) == 0) *reinterpret_cast<bool*>(found) = true;
    return 1;
}

// Whether the system lists an outline face of the family, asked without making a font: Wine
// keeps the face it mapped a font to for the next font asked the same way, so a font made
// before the family is added would still be drawn in the stand-in after.
bool system_lists(const std::wstring& family) {
    if (family.empty() || family.size() >= LF_FACESIZE) return false;
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    family.copy(query.lfFaceName, family.size());
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, note_outline, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// The first candidate the system draws as asked, a carried family added first when the
// candidates reach it and the system has none of its own; with none, the design's own name
// for an unknown face (the mapper finds its nearest match), Tahoma for a known one, since
// every Windows has it.
std::wstring choose_face(std::string_view design) {
    const std::vector<forms::FaceCandidate> candidates = forms::face_candidates(design);
    for (const forms::FaceCandidate& c : candidates) {
        const std::wstring family = to_wide(c.family);
        // Ignored on purpose: a family that cannot be added leaves the next candidate its place.
        if (waits(c.family) && !system_lists(family)) (void)add_carried_family(c.family);
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

void carry_families(HMODULE module, std::span<const CarriedFamily> families) {
    Carried& c = carried();
    c.module = module;
    c.families.clear();
    for (const CarriedFamily& f : families) c.families.emplace_back(f, false);
}

int add_carried_family(std::string_view family) {
    Carried& c = carried();
    for (auto& [f, added] : c.families)
        if (f.family == family && !std::exchange(added, true)) return add_carried_fonts(c.module, f.files);
    return 0;
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
