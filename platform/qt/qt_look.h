#pragma once
// How the design values of a model look on this desktop: twips to pixels, system colours by
// index, and the typefaces that stand in for the design faces. Each is decided here and
// nowhere else.

#include <QColor>
#include <QFont>
#include <QLine>
#include <QPalette>
#include <QRect>
#include <QString>

#include <string_view>

#include "platform/form_model.h"

namespace platform_qt {

// Twips to pixels at the screen's logical density: pixels = twips x dpi / 1440, each
// value rounded on its own, as the design tool converted positions and sizes.
struct Scale {
    double dpi_x = 96;
    double dpi_y = 96;

    static Scale of_primary_screen();

    int x(int twips) const;
    int y(int twips) const;
    QRect rect(const forms::Rect& r) const;
    QLine line(const forms::Ends& e) const;
    double twips_per_pixel_x() const { return 1440.0 / dpi_x; }
    double twips_per_pixel_y() const { return 1440.0 / dpi_y; }
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

}  // namespace platform_qt
