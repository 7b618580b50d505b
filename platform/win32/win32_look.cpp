#include "platform/win32/win32_look.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <mutex>

#include "platform/win32/win32_text.h"

namespace platform_win32 {

namespace {

int CALLBACK note_found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one match is enough
}

bool installed(const std::wstring& family) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    if (family.size() >= LF_FACESIZE) return false;
    family.copy(query.lfFaceName, family.size());
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, note_found, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

std::wstring first_installed(std::initializer_list<const wchar_t*> candidates, const wchar_t* last_resort) {
    for (const wchar_t* c : candidates)
        if (installed(c)) return c;
    return last_resort;
}

// The design's own face where the system has it. Otherwise the stand-ins the Linux build
// chose by fit (Liberation Sans Narrow for the dialog face, Liberation Sans for Tahoma and
// Arial, Roadgeek's Series B for LCARS) when Wine sees them among the host's fonts, then
// the faces every Windows has.
std::wstring choose_face(std::string_view design) {
    const std::wstring name = to_wide(design);
    if (!design.empty() && installed(name)) return name;
    if (design == "MS Sans Serif" || design.empty())
        return first_installed({L"Microsoft Sans Serif", L"Liberation Sans Narrow", L"Arial"}, L"Tahoma");
    if (design == "Tahoma" || design == "Arial") return first_installed({L"Liberation Sans", L"Arial"}, L"Tahoma");
    if (design == "LCARS")
        return first_installed({L"Roadgeek 2014 Series B", L"Arial Narrow", L"Liberation Sans Narrow"}, L"Tahoma");
    return name;  // any other face by name: the font mapper finds its nearest match
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
