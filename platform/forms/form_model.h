#pragma once
// A window as plain data: a record of window settings and an ordered list of named
// controls. Positions and sizes are in twips (15 to a pixel at 96 dpi) from the top-left
// corner of the container's client area; line widths are in pixels.

#include <cstdint>
#include <span>
#include <string_view>

namespace forms {

enum class Kind { Label, Button, Frame, Timer, Line, Shape, PictureBox };

// A fixed colour, a system colour by the platform's index, or "the kind's default".
struct Colour {
    enum class Source : std::uint8_t { Default, Fixed, System };
    Source source = Source::Default;
    std::uint8_t red = 0, green = 0, blue = 0;
    int system_index = -1;

    constexpr bool is_default() const { return source == Source::Default; }
};
constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return {.source = Colour::Source::Fixed, .red = r, .green = g, .blue = b};
}
// System colour indexes: 2 active caption, 9 caption text, 10 active border,
// 15 button face, 18 button text.
constexpr Colour system_colour(int index) { return {.source = Colour::Source::System, .system_index = index}; }
inline constexpr int kActiveCaption = 2;
inline constexpr int kCaptionText = 9;
inline constexpr int kActiveBorder = 10;
inline constexpr int kButtonFace = 15;
inline constexpr int kButtonText = 18;

struct Font {
    std::string_view face = "MS Sans Serif";
    double points = 8.25;
    int weight = 400;  // 400 regular, 700 bold
};
inline constexpr Font kDefaultFont{};
inline constexpr Font kSansBold{.face = "MS Sans Serif", .points = 8.25, .weight = 700};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};
struct Ends {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

enum class Align : std::uint8_t { Left, Center, Right };

struct Control {
    std::string_view name;
    Kind kind = Kind::Label;
    std::string_view text = "";       // caption; labels' captions are the window's fields
    Rect rect = {};                   // everything but lines
    Ends ends = {};                   // lines only
    int tab = -1;                     // tab index; -1 for controls that have none
    std::string_view container = "";  // "" = the window; otherwise the name of a frame
    Font font = kDefaultFont;
    Colour fore = {};          // text or line colour
    Colour back = {};          // background (labels, buttons, frames)
    bool transparent = false;  // labels: no background of their own
    Align align = Align::Left;
    std::string_view tooltip = "";
    int interval_ms = 0;            // timers
    bool enabled = true;            // timers: on at load
    int line_width = 1;             // lines and the shape's outline, in pixels
    bool inside_solid = false;      // lines: drawn inside solid
    Colour fill = {};               // shapes: second design colour (never a solid fill)
    int style = 0;                  // shapes: design style value
    bool is_default = false;        // buttons: pressed by Enter
    bool is_cancel = false;         // buttons: pressed by Esc
    std::string_view picture = "";  // picture boxes: name of a built-in image
};

enum class Border : std::uint8_t {
    None,         // no caption, no system buttons, no frame, no resizing
    FixedDialog,  // title bar with a close box, not resizable, no minimise or maximise
};

struct Placement {
    bool system_default = true;  // wherever the window manager places new windows
    int left = 0, top = 0;       // otherwise: the client area's corner, in twips from the screen's
};

struct WindowModel {
    std::string_view name;
    std::string_view caption;
    Border border = Border::None;
    int client_width = 0, client_height = 0;  // twips
    Colour back = system_colour(kButtonFace);
    Placement placement = {};
    std::span<const Control> controls;
};

}  // namespace forms
