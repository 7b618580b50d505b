#include "platform/qt/qt_look.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QRawFont>
#include <QScreen>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/forms/font_faces.h"

namespace platform_qt {

namespace {

bool installed(const QString& family) { return QFontDatabase::hasFamily(family); }

// The first candidate the font database has (tests/platform/qt/look_test.cpp checks that
// the stand-ins are installed here); with none, the nearest match of the design's own name
// for an unknown face, the toolkit's sans serif for a known one.
Face choose_face(std::string_view design) {
    const std::vector<forms::FaceCandidate> candidates = forms::face_candidates(design);
    for (const forms::FaceCandidate& c : candidates) {
        const QString family = QString::fromUtf8(c.family.data(), static_cast<qsizetype>(c.family.size()));
        if (installed(family)) return {.family = family, .stretch = c.condense ? QFont::Condensed : QFont::AnyStretch};
    }
    if (candidates.size() == 1)
        return {.family = QString::fromUtf8(design.data(), static_cast<qsizetype>(design.size()))};
    return {.family = QStringLiteral("Sans Serif"),
            .stretch = candidates.back().condense ? QFont::Condensed : QFont::AnyStretch};
}

}  // namespace

Scale Scale::of_primary_screen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    const double dx = screen->logicalDotsPerInchX();
    const double dy = screen->logicalDotsPerInchY();
    return {dx > 0 ? dx : 96, dy > 0 ? dy : 96};
}

QRect Scale::rect(const forms::Rect& r) const {
    const forms::PixelRect p = forms::Density::rect(r);
    return {p.left, p.top, p.width, p.height};
}

QColor system_colour(int index, const QPalette& palette) {
    constexpr auto active = QPalette::Active;
    switch (index) {
        case forms::kActiveCaption: return palette.color(active, QPalette::Highlight);
        case forms::kCaptionText: return palette.color(active, QPalette::HighlightedText);
        case forms::kActiveBorder: return palette.color(active, QPalette::Mid);
        case forms::kButtonFace: return palette.color(active, QPalette::Button);
        case forms::kButtonText: return palette.color(active, QPalette::ButtonText);
        case 5: return palette.color(active, QPalette::Base);              // window background
        case 8: return palette.color(active, QPalette::Text);              // window text
        case 13: return palette.color(active, QPalette::Highlight);        // selection
        case 14: return palette.color(active, QPalette::HighlightedText);  // selected text
        case 16: return palette.color(active, QPalette::Dark);             // button shadow
        case 20: return palette.color(active, QPalette::Light);            // button highlight
        default: return palette.color(active, QPalette::Button);
    }
}

QColor resolve(const forms::Colour& colour, const QColor& fallback, const QPalette& palette) {
    switch (colour.source) {
        case forms::Colour::Source::Fixed: return {colour.red, colour.green, colour.blue};
        case forms::Colour::Source::System: return system_colour(colour.system_index, palette);
        case forms::Colour::Source::Default: break;
    }
    return fallback;
}

Face face_for(std::string_view design_face) {
    // Chosen once per face: the installed fonts do not change while the program runs, and
    // every window should show the same stand-in.
    static std::mutex lock;
    static std::map<std::string, Face, std::less<>> chosen;
    const std::lock_guard guard(lock);
    if (auto it = chosen.find(design_face); it != chosen.end()) return it->second;
    return chosen.emplace(std::string(design_face), choose_face(design_face)).first->second;
}

QFont font_for(const forms::Font& font) {
    const Face face = face_for(font.face);
    QFont f(face.family);
    if (face.stretch != QFont::AnyStretch) f.setStretch(face.stretch);
    f.setPointSizeF(font.points > 0 ? font.points : forms::kDefaultFont.points);
    f.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
    return f;
}

int windows_ascent_gap(const QFont& font) {
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray os2 = raw.fontTable("OS/2");
    constexpr qsizetype kWinAscent = 74;  // a uint16, big-endian, after the typographic metrics
    if (os2.size() < kWinAscent + 2 || raw.unitsPerEm() <= 0) return 0;
    const auto win_ascent = qFromBigEndian<quint16>(os2.constData() + kWinAscent);
    const qreal gap = win_ascent * raw.pixelSize() / raw.unitsPerEm() - raw.ascent();
    return gap > 0 ? static_cast<int>(std::lround(gap)) : 0;
}

}  // namespace platform_qt
