// A window rendered from a model: geometry in twips, clipping, stacking, pictures and fields.
// (What a screen reader reads: reader_names.h.)

#include <QImage>
#include <QLabel>
#include <QTemporaryDir>

#include "platform/qt/qt_controls.h"
#include "tests/platform/qt/form_test_fixture.h"

namespace {

using namespace qt_test;
using platform_qt::QtForm;
using platform_qt::QtRuntime;

// ---- geometry and drawing ---------------------------------------------------------------

TEST_F(FormFixture, ControlsStandAtTheirTwipsConvertedAtTheScreensDensity) {
    load();
    ASSERT_DOUBLE_EQ(form->scale().dpi_x, 96.0);  // the offscreen screen; 15 twips a pixel
    struct Case {
        const char* control;
        QRect pixels;  // relative to the control's container
    };
    const Case kCases[] = {
        {"Ok", {200, 100, 60, 25}},   {"Cancel", {200, 135, 60, 25}}, {"Panel", {80, 100, 100, 60}},
        {"Inside", {10, 10, 80, 25}}, {"Strip", {0, 20, 600, 30}},    {"Caption", {10, 60, 150, 20}},
        {"Odd", {181, 82, 40, 17}},  // 2710 twips is 180.67 pixels
        {"Box", {1, 1, 299, 199}},    {"Far", {600, 400, 60, 20}},
    };
    for (const Case& c : kCases) EXPECT_EQ(w(c.control)->geometry(), c.pixels) << c.control;
    EXPECT_EQ(window()->size(), QSize(300, 200));
    EXPECT_DOUBLE_EQ(runtime.twips_per_pixel_x(), 15.0);
}

TEST(Scale, ConvertsEachValueOnItsOwnAndFollowsTheDensity) {
    const platform_qt::Scale at96{96, 96}, at120{120, 144};
    EXPECT_EQ(at96.rect({3570, 30, 255, 255}), QRect(238, 2, 17, 17));
    EXPECT_EQ(at96.x(2710), 181);
    EXPECT_EQ(at96.x(3320), 221);
    EXPECT_EQ(at120.x(1440), 120);
    EXPECT_EQ(at120.y(1440), 144);
    EXPECT_DOUBLE_EQ(at120.twips_per_pixel_x(), 12.0);
    EXPECT_DOUBLE_EQ(at120.twips_per_pixel_y(), 10.0);
    EXPECT_EQ(at96.rect({0, 0, -30, 30}).width(), 0);  // a negative size is empty, not inverted
}

TEST_F(FormFixture, WhatCrossesTheWindowsEdgeIsCutOffThere) {
    load();
    show_and_wait(*form);
    EXPECT_EQ(w("Strip")->visibleRegion().boundingRect(), QRect(0, 0, 300, 30));
    EXPECT_EQ(w("Cross")->visibleRegion().boundingRect().width(), 300);
    EXPECT_TRUE(w("Far")->visibleRegion().isEmpty());
}

// (The stacking of what is drawn on the surface, read from its pixels: forms_render.h.)
TEST_F(FormFixture, ButtonsFramesAndPicturesLieAboveEverythingDrawnOnTheSurface) {
    load();
    const QObjectList order = window()->children();  // back to front
    auto depth = [&](const char* name) { return order.indexOf(w(name)); };
    for (const char* windowed : {"Ok", "Cancel", "First", "Panel", "Pic"})
        for (const char* drawn : {"Cross", "Loose", "Box", "Strip", "Caption", "Odd", "Far"})
            EXPECT_GT(depth(windowed), depth(drawn)) << windowed << " over " << drawn;
    EXPECT_GT(depth("Cross"), depth("Box"));
    EXPECT_GT(depth("Box"), depth("Strip"));
    EXPECT_GT(depth("Strip"), depth("Caption"));
    EXPECT_GT(depth("Ok"), depth("Cancel"));
}

// ---- fields -----------------------------------------------------------------------------

TEST_F(FormFixture, LabelsShowTheirFieldsAndAWriteShowsAtOnce) {
    load();
    EXPECT_EQ(static_cast<platform_qt::FormLabel*>(w("Caption"))->text(), "Caption text");
    EXPECT_EQ(form->fields().get("Strip"), "  Strip");
    form->fields().set("Caption", "It is 4 Days");
    EXPECT_EQ(static_cast<platform_qt::FormLabel*>(w("Caption"))->text(), "It is 4 Days");
    EXPECT_EQ(static_cast<QLabel*>(w("Caption"))->textFormat(), Qt::PlainText);
    EXPECT_TRUE(static_cast<QLabel*>(w("Caption"))->wordWrap());
}

TEST_F(FormFixture, OnlyAChangedVisibleFieldRepaints) {
    load();
    show_and_wait(*form);
    PaintCounter paints(window());

    form->fields().set("Caption", "Caption text");  // the same text
    form->fields().set("Far", "written out of sight");
    settle(60);
    EXPECT_EQ(paints.total(), 0);

    form->fields().set("Caption", "a new sentence");
    settle(60);
    EXPECT_GE(paints.of(w("Caption")), 1);
    EXPECT_EQ(paints.of(w("Ok")), 0);
    EXPECT_EQ(paints.of(w("Far")), 0);
}

// ---- pictures ---------------------------------------------------------------------------

TEST(PictureBox, ShowsTheImageAtItsPathAndNothingWhenThereIsNone) {
    static QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    static const std::string path = dir.filePath("icon.png").toStdString();
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(QColor(0, 128, 0));
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
    static const Control kPictures[] = {
        {.name = "Shown", .kind = Kind::PictureBox, .rect = {240, 240, 540, 540}, .picture = path},
        {.name = "Missing", .kind = Kind::PictureBox, .rect = {900, 240, 540, 540}, .picture = "/no/such.png"},
    };
    static const forms::WindowModel kModel{
        .name = "Pictures", .caption = "Pictures", .client_width = 1800, .client_height = 900, .controls = kPictures};
    QtRuntime runtime{qt_test::kAppTitle};
    auto& form = static_cast<QtForm&>(runtime.load(kModel, {}));
    show_and_wait(form);
    EXPECT_EQ(static_cast<QLabel*>(form.widget("Shown"))->pixmap().size(), QSize(32, 32));
    EXPECT_TRUE(static_cast<QLabel*>(form.widget("Missing"))->pixmap().isNull());
    EXPECT_EQ(form.window()->grab().toImage().pixel(16 + 16, 16 + 16),
              qRgb(0, 128, 0));  // its top-left corner at 16, 16
}

}  // namespace
