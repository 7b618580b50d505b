// System colours by index and the faces that stand in for the design's fonts.

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QPalette>

#include "platform/qt/qt_look.h"

namespace {

using platform_qt::face_for;
using platform_qt::font_for;
using platform_qt::resolve;
using platform_qt::system_colour;

QPalette distinct_palette() {
    QPalette p;
    p.setColor(QPalette::Active, QPalette::Highlight, QColor(1, 0, 0));
    p.setColor(QPalette::Active, QPalette::HighlightedText, QColor(2, 0, 0));
    p.setColor(QPalette::Active, QPalette::Mid, QColor(3, 0, 0));
    p.setColor(QPalette::Active, QPalette::Button, QColor(4, 0, 0));
    p.setColor(QPalette::Active, QPalette::ButtonText, QColor(5, 0, 0));
    return p;
}

TEST(Look, SystemColoursFollowThePalette) {
    const QPalette p = distinct_palette();
    struct Case {
        int index;
        int red;
    };
    const Case kCases[] = {{2, 1}, {9, 2}, {10, 3}, {15, 4}, {18, 5}, {-1, 4}, {99, 4}};
    for (const Case& c : kCases) EXPECT_EQ(system_colour(c.index, p), QColor(c.red, 0, 0)) << c.index;
}

TEST(Look, DesignColoursResolveToFixedSystemOrTheKindsDefault) {
    const QPalette p = distinct_palette();
    EXPECT_EQ(resolve(forms::rgb(128, 128, 255), Qt::green, p), QColor(128, 128, 255));
    EXPECT_EQ(resolve(forms::system_colour(forms::kCaptionText), Qt::green, p), QColor(2, 0, 0));
    EXPECT_EQ(resolve(forms::Colour{}, Qt::green, p), QColor(Qt::green));
}

TEST(Look, DesignFacesMapToTheFacesThatFit) {
    // The build's packages install the first choice of each (fonts-roadgeek,
    // fonts-liberation); a face of the design's own name, where one is installed, wins.
    struct Case {
        const char* design;
        const char* stand_in;
    };
    const Case kCases[] = {
        {"LCARS", "Roadgeek 2014 Series B"},
        {"MS Sans Serif", "Liberation Sans Narrow"},
        {"Tahoma", "Liberation Sans"},
        {"Arial", "Liberation Sans"},
    };
    for (const Case& c : kCases) {
        const QString expected = QFontDatabase::hasFamily(c.design) ? QString(c.design) : QString(c.stand_in);
        EXPECT_EQ(face_for(c.design).family, expected) << c.design;
        EXPECT_TRUE(QFontDatabase::hasFamily(face_for(c.design).family)) << c.design;
        // A narrow face is taken as drawn, not stretched back to the regular width.
        EXPECT_EQ(font_for({.face = c.design}).stretch(), QFont::AnyStretch) << c.design;
    }
    EXPECT_EQ(face_for("Tahoma").family, face_for("Tahoma").family);  // chosen once
}

TEST(Look, FontsKeepTheirPointSizesAndWeights) {
    struct Case {
        forms::Font font;
        double points;
        QFont::Weight weight;
    };
    const Case kCases[] = {
        {{"MS Sans Serif", 8.25, 400}, 8.25, QFont::Normal},
        {{"MS Sans Serif", 8.25, 700}, 8.25, QFont::Bold},
        {{"LCARS", 26.25, 400}, 26.25, QFont::Normal},
        {{"LCARS", 72, 400}, 72, QFont::Normal},
        {{"Arial", 6.75, 400}, 6.75, QFont::Normal},
        {{"Tahoma", 0, 5000}, 8.25, static_cast<QFont::Weight>(1000)},  // nonsense stays in range
    };
    for (const Case& c : kCases) {
        const QFont f = font_for(c.font);
        EXPECT_DOUBLE_EQ(f.pointSizeF(), c.points) << std::string(c.font.face);
        EXPECT_EQ(f.weight(), c.weight) << std::string(c.font.face);
        EXPECT_EQ(f.family(), face_for(c.font.face).family);
    }
}

}  // namespace
