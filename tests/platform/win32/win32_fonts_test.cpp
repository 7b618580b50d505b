// The faces the Win32 runtime draws with: the design's own where the system has it as an
// outline face, else its successor or the carried stand-in; each scales with the density.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>

#include "app/win32/carried_families.h"
#include "platform/forms/font_faces.h"
#include "platform/win32/win32_look.h"
#include "platform/win32/win32_text.h"
#include "tests/platform/win32/win32_density.h"
#include "tests/platform/win32/win32_system_faces.h"

namespace {

using platform_win32::face_for;
using platform_win32::to_wide;

bool system_has_outline(const std::wstring& family) {
    const auto it = win32_test::system_faces().find(family);
    return it != win32_test::system_faces().end() && it->second;
}

// What a font draws as, on the screen's DC.
struct Drawn {
    std::wstring face;
    TEXTMETRICW metrics{};
    DWORD file_size = 0;  // of the font file the mapper took
};
Drawn drawn(HFONT font) {
    Drawn d;
    HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    d.face = face;
    GetTextMetricsW(dc, &d.metrics);
    d.file_size = GetFontData(dc, 0, 0, nullptr, 0);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return d;
}
bool outline(const TEXTMETRICW& m) { return (m.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0; }

TEST(Win32Fonts, TheSystemsFacesAreListedBeforeTheProgramAddsItsOwn) {
    ASSERT_FALSE(win32_test::system_faces().empty()) << "EnumFontFamiliesExW listed no face at all";
    for (const char* face : {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Arial", "LCARS",
                             "Liberation Sans Narrow", "Liberation Sans", "Roadgeek 2014 Series B"}) {
        const auto it = win32_test::system_faces().find(to_wide(face));
        std::printf("the system has %s: %s\n", face,
                    it == win32_test::system_faces().end() ? "no"
                    : it->second                           ? "yes, as an outline face"
                                                           : "only as a bitmap face");
    }
}

// The first test to ask for faces, as the windows do: a carried family is added only when a
// design face falls through to it, once, and then draws from the file the program carries.
TEST(Win32Fonts, ACarriedFamilyIsAddedOnlyWhenADesignFaceFallsThroughToIt) {
    std::set<std::wstring> chosen;
    for (const char* design : {"MS Sans Serif", "Tahoma", "Arial", "LCARS", ""}) chosen.insert(face_for(design));
    std::size_t files = 0;
    for (const platform_win32::CarriedFamily& f : kVelmoraCarriedFamilies) {
        const std::wstring family = to_wide(f.family);
        const bool fell_through = chosen.count(family) > 0 && !system_has_outline(family);
        EXPECT_EQ(platform_win32::add_carried_family(f.family), fell_through ? 0 : static_cast<int>(f.files.size()))
            << f.family << (fell_through ? " was added when a design face fell through to it" : " was not needed yet");
        EXPECT_EQ(platform_win32::add_carried_family(f.family), 0) << f.family << " is added once";
        files += f.files.size();
    }
    EXPECT_EQ(files, std::size(kVelmoraCarriedFonts)) << "every file the program carries is in a family";
    EXPECT_EQ(platform_win32::add_carried_family("Velmora No Such Face"), 0);

    // Each regular face, drawn from the file the program carries (or the same file installed).
    struct Case {
        const wchar_t* face;
        int id;
    };
    const Case kCases[] = {
        {L"Liberation Sans Narrow", VELMORA_IDF_SANS_NARROW},
        {L"Liberation Sans", VELMORA_IDF_SANS},
        {L"Roadgeek 2014 Series B", VELMORA_IDF_ROADGEEK_B},
    };
    ASSERT_EQ(std::size(kCases), forms::carried_faces().size());
    for (const Case& c : kCases) {
        EXPECT_NE(
            std::find(forms::carried_faces().begin(), forms::carried_faces().end(), platform_win32::to_utf8(c.face)),
            forms::carried_faces().end())
            << platform_win32::to_utf8(c.face) << " is not among the carried faces";
        EXPECT_TRUE(platform_win32::scalable_face_available(c.face)) << platform_win32::to_utf8(c.face);
        HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(c.id), MAKEINTRESOURCEW(10));
        ASSERT_NE(found, nullptr) << platform_win32::to_utf8(c.face);
        LOGFONTW lf{};
        lf.lfHeight = -16;
        wcsncpy(lf.lfFaceName, c.face, LF_FACESIZE - 1);
        const platform_win32::unique_font asked(CreateFontIndirectW(&lf));
        const Drawn d = drawn(asked.get());
        EXPECT_EQ(d.face, c.face);
        EXPECT_EQ(d.file_size, SizeofResource(nullptr, found)) << platform_win32::to_utf8(c.face);
    }
}

TEST(Win32Fonts, ABitmapFaceOrAMissingOneIsNotTakenForAnOutlineFace) {
    struct Case {
        const wchar_t* face;
        bool available;
    };
    const Case kCases[] = {
        {L"Velmora No Such Face", false},
        {L"", false},
        {L"Liberation Sans Narrow", true},
        // Whatever this system has under the name, only an outline face counts.
        {L"MS Sans Serif", system_has_outline(L"MS Sans Serif")},
        {L"Tahoma", system_has_outline(L"Tahoma")},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(platform_win32::scalable_face_available(c.face), c.available) << platform_win32::to_utf8(c.face);
}

TEST(Win32Fonts, TheDesignFaceWinsWhereTheSystemHasItElseTheFirstCandidateItHas) {
    for (const char* design : {"MS Sans Serif", "Tahoma", "Arial", "LCARS", ""}) {
        // The first candidate this system lists as an outline face or the program carries.
        std::wstring expected;
        for (const forms::FaceCandidate& c : forms::face_candidates(design)) {
            const std::wstring family = to_wide(c.family);
            const auto& carried = forms::carried_faces();
            if (system_has_outline(family) || std::find(carried.begin(), carried.end(), c.family) != carried.end()) {
                expected = family;
                break;
            }
        }
        EXPECT_EQ(face_for(design), expected) << "design face \"" << design << "\"";
        std::printf("design face \"%s\" is drawn in %s\n", design, platform_win32::to_utf8(face_for(design)).c_str());
    }
    EXPECT_EQ(face_for("Velmora No Such Face"), L"Velmora No Such Face") << "the font mapper's nearest match";
}

TEST(Win32Fonts, EveryDesignFontIsAnOutlineFaceThatScalesWithTheDensity) {
    const forms::Font kDesignFonts[] = {
        forms::kDefaultFont,
        forms::kSansBold,
        {.face = "Tahoma", .points = 8.25, .weight = 700},
        {.face = "Arial", .points = 6.75, .weight = 400},
        {.face = "LCARS", .points = 26.25, .weight = 400},
        {.face = "LCARS", .points = 72, .weight = 400},
    };
    for (const forms::Font& f : kDesignFonts) {
        const std::string what = std::string(f.face) + " " + std::to_string(f.points);
        const Drawn at96 = drawn(platform_win32::make_font(f, 96).get());
        for (const unsigned dpi : win32_test::kDensities) {
            const Drawn d = drawn(platform_win32::make_font(f, dpi).get());
            EXPECT_TRUE(outline(d.metrics)) << what << " is drawn from a bitmap face at " << dpi << " dpi";
            EXPECT_EQ(d.face, face_for(f.face)) << what;
            EXPECT_EQ(d.metrics.tmWeight >= 600, f.weight >= 600) << what << " at " << dpi << " dpi";
            // A character height of points x dpi / 72, within the rounding of each.
            const double expected = at96.metrics.tmHeight * dpi / 96.0;
            EXPECT_NEAR(d.metrics.tmHeight, expected, 2.0) << what << " at " << dpi << " dpi";
            // The em asked for, whole pixels of points x dpi / 72; the system rounds ascent and
            // descent each, so the character height may be a pixel off it.
            EXPECT_NEAR(d.metrics.tmHeight - d.metrics.tmInternalLeading, std::lround(f.points * dpi / 72.0), 1)
                << what << " at " << dpi << " dpi";
            std::printf("%s at %u dpi: %s, %ld px a line\n", what.c_str(), dpi, platform_win32::to_utf8(d.face).c_str(),
                        d.metrics.tmHeight);
        }
    }
}

}  // namespace
