#pragma once
// How the design values of a model look on this desktop: twips to pixels, system colours by
// index, and the typefaces that stand in for the design faces. Each is decided here and
// nowhere else.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>

#include <string_view>

#include "platform/forms/form_geometry.h"
#include "platform/forms/form_model.h"

namespace platform_qt {

// Twips to pixels at the screen's logical density, by the rule every runtime shares, in
// Qt's rectangles and lines.
struct Scale : forms::Density {
    Scale(double dpi_x = 96, double dpi_y = 96) : forms::Density{dpi_x, dpi_y} {}
    static Scale of_primary_screen();

    QRect rect(const forms::Rect& r) const;
};

// A system colour by the platform's index (2 active caption, 9 caption text, 10 active
// border, 15 button face, 18 button text, and a few more); an unknown index gives the button
// face.
QColor system_colour(int index, const QPalette& palette);
// A design colour; `fallback` stands for the kind's default.
QColor resolve(const forms::Colour& colour, const QColor& fallback, const QPalette& palette);

// The installed face that takes a design face's place, chosen once per face for the run.
struct Face {
    QString family;
    // AnyStretch takes the face as it is drawn; any other width makes Qt stretch it (a narrow
    // face asked for at 100 would be widened back to its regular width).
    QFont::Stretch stretch = QFont::AnyStretch;
};
Face face_for(std::string_view design_face);
QFont font_for(const forms::Font& font);

// The whole pixels by which Windows sets a font's first line lower than the toolkit does.
// Windows puts the baseline the face's Windows ascent (OS/2 usWinAscent) below the line's
// top whatever else the face says; the toolkit takes the shorter typographic ascent of a face
// that asks for it (OS/2 USE_TYPO_METRICS, as Debian 13's Liberation Sans Narrow does), and
// its capitals then reach the very top of their label, where the design lets the label above
// cover a row. 0 for a face without the flag.
int windows_ascent_gap(const QFont& font);

}  // namespace platform_qt
