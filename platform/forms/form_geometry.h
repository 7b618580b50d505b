#pragma once
// Where a window model's controls land in pixels, which of the surface-drawn ones lies in
// front, and which label a point falls on. Every runtime draws and hit-tests by these rules,
// so they are written once, with nothing but the standard library.

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/forms/form_model.h"

namespace forms {

struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;

    int right() const { return left + width; }  // one past the last column
    int bottom() const { return top + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(int x, int y) const { return x >= left && x < right() && y >= top && y < bottom(); }
    PixelRect intersected(const PixelRect& other) const;
    bool operator==(const PixelRect&) const = default;
};

// Twips to pixels at a screen's density: pixels = twips x dpi / 1440, each value rounded on
// its own, as the design tool converted positions and sizes.
struct Density {
    double dpi_x = 96;
    double dpi_y = 96;

    int x(int twips) const;
    int y(int twips) const;
    PixelRect rect(const Rect& r) const;
    double twips_per_pixel_x() const { return 1440.0 / dpi_x; }
    double twips_per_pixel_y() const { return 1440.0 / dpi_y; }
};

// Labels, lines and the shape are drawn on their container's surface; everything else is a
// window of its own and lies above them.
constexpr bool surface_drawn(Kind kind) { return kind == Kind::Label || kind == Kind::Line || kind == Kind::Shape; }

// The surface-drawn controls of one container ("" = the window), by index into the model's
// controls, in the order they are painted: back to front, so the one listed first is
// painted last and lies in front.
std::vector<std::size_t> paint_order(const WindowModel& model, std::string_view container);

// The front-most shown label of a container whose rectangle holds the pixel (x, y), by index
// into the model's controls. `shown` has one entry per control. Lines and the shape take no
// mouse input: a press on them goes to the label under them.
std::optional<std::size_t> label_at(const WindowModel& model, std::string_view container, const Density& density,
                                    const std::vector<bool>& shown, int x, int y);

// Which pixels a straight line of a given width covers. A line `width` pixels wide starts
// (width - 1) / 2 pixels before its own row or column and runs on from there; drawn inside
// solid it starts on the line itself. Horizontal and vertical lines stop before their end
// point, as the platform draws them.
struct LineBand {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // pixels
    int width = 1;
    bool inside = false;

    static LineBand of(const Control& line, const Density& density);
    int before() const { return inside ? 0 : (width - 1) / 2; }
    bool horizontal() const { return y1 == y2; }
    bool vertical() const { return x1 == x2; }
    // The pixels a horizontal or vertical line fills; empty for a slanted line or one of no
    // length.
    PixelRect straight_pixels() const;
};

// The four bands of a shape's outline (top, bottom, left, right), inside its rectangle.
std::vector<PixelRect> outline_bands(const PixelRect& shape, int width);

}  // namespace forms
