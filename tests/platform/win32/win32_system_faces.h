#pragma once
// The faces the system itself has, as EnumFontFamiliesExW lists them before the program adds
// its own.

#include <windows.h>

#include <map>
#include <string>

namespace win32_test {

// Family -> whether the system has it as an outline face (TrueType or vector), not only as a
// bitmap one.
inline std::map<std::wstring, bool>& system_faces() {
    static std::map<std::wstring, bool> faces;
    return faces;
}

inline int CALLBACK note_face(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM) {
    bool& outline = system_faces()[font->lfFaceName];
    outline = outline || (type & RASTER_FONTTYPE) == 0;
    return 1;  // every family
}

inline void note_system_faces() {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, note_face, 0, 0);
    ReleaseDC(nullptr, screen);
}

}  // namespace win32_test
