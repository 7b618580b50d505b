#include "platform/forms/form_geometry.h"

#include <algorithm>
#include <cmath>

namespace forms {

namespace {

int to_pixels(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

}  // namespace

PixelRect PixelRect::intersected(const PixelRect& other) const {
    const int l = std::max(left, other.left), t = std::max(top, other.top);
    const int r = std::min(right(), other.right()), b = std::min(bottom(), other.bottom());
    if (r <= l || b <= t) return {};
    return {l, t, r - l, b - t};
}

int Density::x(int twips) const { return to_pixels(twips, dpi_x); }
int Density::y(int twips) const { return to_pixels(twips, dpi_y); }

PixelRect Density::rect(const Rect& r) const {
    return {x(r.left), y(r.top), std::max(0, x(r.width)), std::max(0, y(r.height))};
}

std::vector<std::size_t> paint_order(const WindowModel& model, std::string_view container) {
    std::vector<std::size_t> order;
    for (std::size_t i = model.controls.size(); i-- > 0;) {
        const Control& c = model.controls[i];
        if (surface_drawn(c.kind) && c.container == container) order.push_back(i);
    }
    return order;
}

std::optional<std::size_t> label_at(const WindowModel& model, std::string_view container, const Density& density,
                                    const std::vector<bool>& shown, int x, int y) {
    for (std::size_t i = 0; i < model.controls.size(); ++i) {
        const Control& c = model.controls[i];
        if (c.kind != Kind::Label || c.container != container) continue;
        if (i < shown.size() && !shown[i]) continue;
        if (density.rect(c.rect).contains(x, y)) return i;
    }
    return std::nullopt;
}

LineBand LineBand::of(const Control& line, const Density& density) {
    return {.x1 = density.x(line.ends.x1),
            .y1 = density.y(line.ends.y1),
            .x2 = density.x(line.ends.x2),
            .y2 = density.y(line.ends.y2),
            .width = std::max(1, line.line_width),
            .inside = line.inside_solid};
}

PixelRect LineBand::straight_pixels() const {
    if (x1 == x2 && y1 == y2) return {};
    if (horizontal()) {
        // From the start point up to, not including, the end point.
        const int first = x1 < x2 ? x1 : x2 + 1;
        const int last = x1 < x2 ? x2 - 1 : x1;
        return {first, y1 - before(), last - first + 1, width};
    }
    if (vertical()) {
        const int first = y1 < y2 ? y1 : y2 + 1;
        const int last = y1 < y2 ? y2 - 1 : y1;
        return {x1 - before(), first, width, last - first + 1};
    }
    return {};
}

std::vector<PixelRect> outline_bands(const PixelRect& shape, int width) {
    const int w = std::min({std::max(1, width), shape.width, shape.height});
    if (w <= 0) return {};
    return {{shape.left, shape.top, shape.width, w},
            {shape.left, shape.bottom() - w, shape.width, w},
            {shape.left, shape.top, w, shape.height},
            {shape.right() - w, shape.top, w, shape.height}};
}

}  // namespace forms
