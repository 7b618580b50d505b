#include "platform/qt/qt_look.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <string>

namespace platform_qt {

namespace {

bool installed(const QString& family) { return QFontDatabase::hasFamily(family); }

// The first installed family of a list of candidates.
QString first_installed(std::initializer_list<const char*> candidates, const char* last_resort) {
    for (const char* c : candidates)
        if (installed(QString::fromLatin1(c))) return QString::fromLatin1(c);
    return QString::fromLatin1(last_resort);
}

// Stand-ins chosen by fit, not by name: with these every text of every window lies whole
// inside its control at the design's point size (tests/secondary_windows/text_fit_test.cpp
// measures it). Roadgeek's Series B is narrow enough that every countdown sentence takes two
// lines of the sentence label, and each 72-point line of the arrival window one. For the
// 8.25-point dialog face, Liberation Sans (Arial's widths) is still too wide for the About
// box: "Please redistribute ..." needs 266 of its 257 pixels and the note beside the mail
// button four lines of 49 pixels; Liberation Sans Narrow sets them in one and three. The
// caption strip's bold and the small Arial line fit in Liberation Sans. A face installed
// under the design's own name is always taken first.
Face choose_face(std::string_view design) {
    const QString name = QString::fromUtf8(design.data(), static_cast<qsizetype>(design.size()));
    if (!design.empty() && installed(name)) return {.family = name};
    if (design == "MS Sans Serif" || design.empty())
        return {.family = first_installed({"Liberation Sans Narrow", "Liberation Sans", "DejaVu Sans"}, "Sans Serif")};
    if (design == "Tahoma" || design == "Arial")
        return {.family = first_installed({"Liberation Sans", "Arimo", "Nimbus Sans", "DejaVu Sans"}, "Sans Serif")};
    if (design == "LCARS") {
        if (installed(QStringLiteral("Roadgeek 2014 Series B")))
            return {.family = QStringLiteral("Roadgeek 2014 Series B")};
        if (installed(QStringLiteral("Bebas Neue")))
            return {.family = QStringLiteral("Bebas Neue"), .stretch = QFont::Condensed};
        return {.family = first_installed({"DejaVu Sans"}, "Sans Serif"), .stretch = QFont::Condensed};
    }
    // Any other face is asked for by name; the font system finds its nearest match.
    return {.family = name};
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

}  // namespace platform_qt
