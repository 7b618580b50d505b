#pragma once
// What a runtime's tests are driven through, as concepts the compiler checks: the fake, Qt and
// Win32 each have one driver, which every suite on that runtime takes; and what suites compare.

#include <gtest/gtest.h>

#include <concepts>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/forms.h"
#include "platform/forms/message_box.h"
#include "platform/shell.h"
#include "tests/platform/probe_model.h"

namespace contract {

enum class Key { Tab, Backtab, Return, Enter, Escape, Space };
enum Shift { kNoShift = 0, kShift = 1, kControl = 2 };

// A message box as it was up: its title, its prompt's lines, its buttons from left to right.
struct Box {
    std::string title{};
    std::vector<std::string> lines{};
    std::vector<std::string> buttons = {"OK"};
    platform::BoxIcon icon = platform::BoxIcon::None;
    bool operator==(const Box&) const = default;
};
inline void PrintTo(const Box& box, std::ostream* os) {
    *os << "{\"" << box.title << "\", " << ::testing::PrintToString(box.lines) << ", "
        << ::testing::PrintToString(box.buttons) << ", icon " << static_cast<int>(box.icon) << "}";
}

// A prompt's lines, whichever break the system shows between them.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' && text[i] != '\n')
            lines.back() += text[i];
        else if (text[i] == '\r' || i == 0 || text[i - 1] != '\r')
            lines.emplace_back();
    return lines;
}

// What a window shows, painted whole: a pixel 0xRRGGBB, row by row.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels.at(static_cast<std::size_t>(y * width + x)); }
    // How many pixels of a rectangle differ from a colour.
    int differing(int left, int top, int w, int h, std::uint32_t colour) const {
        int n = 0;
        for (int y = top; y < top + h; ++y)
            for (int x = left; x < left + w; ++x) n += at(x, y) != colour;
        return n;
    }
    // How many runs of rows with ink a rectangle holds: the lines of text in it.
    int lines_of_ink(int left, int top, int w, int h, std::uint32_t back) const {
        int runs = 0;
        bool in_run = false;
        for (int y = top; y < top + h; ++y) {
            const bool ink = differing(left, y, w, 1, back) > 0;
            runs += ink && !in_run;
            in_run = ink;
        }
        return runs;
    }
};

// Every driver: `runtime` (a forms::Runtime and platform::MessageBox), `shell` (a fake);
// `settle(ms)` runs the loop a while (the fake: a tick of every timer on per 20 ms); `show(form)`
// leaves it shown, exposed and active; `tab_stops(form)`, the buttons as Tab takes them, round
// from any one; `close_box(form)`, the person's close; `loop_ends_within(ms)` runs the program's
// loop up to ms and says whether it ended by itself; a person's `click` and `key`; `text(form,
// label)` as shown; `windows(model name)`, oldest first; `on_screen(title)`, the windows with
// that title a person sees; `boxes()`, every box shown so far, as it was read.
using Done = std::function<bool()>;  // a driver's wait ends when this says so

template <class D>
concept FormsDriver = requires(D d, forms::Form& form, std::string_view name, int n, Done done, Key key) {
    { d.runtime.load(probe::kProbe, {}) } -> std::convertible_to<forms::Form&>;
    { d.runtime } -> std::convertible_to<platform::MessageBox&>;
    { d.shell } -> std::convertible_to<platform::Shell&>;
    d.runtime.end_program();
    d.settle(n);
    { d.wait_until(done) } -> std::same_as<bool>;
    d.show(form);
    { d.native_state(form) } -> std::same_as<int>;
    d.change_state_by_hand(form, n);
    { d.native_visible(form, name) } -> std::same_as<bool>;
    { d.tab_stops(form) } -> std::same_as<std::vector<std::string>>;
    { d.loaded(name) } -> std::same_as<bool>;
    d.close_box(form);
    { d.loop_ends_within(n) } -> std::same_as<bool>;
    d.click(form, name);
    d.key(form, key);
    { d.text(form, name) } -> std::same_as<std::string>;
    { d.windows(name) } -> std::same_as<std::vector<forms::Form*>>;
    { d.on_screen(std::string(name)) } -> std::same_as<int>;
    { d.boxes() } -> std::convertible_to<std::vector<Box>>;
};

// A real runtime's driver has as well a person's pointer and keys: `press`, `release` and
// `move` at pixels from the window's client corner (button 1, 2 or 4, a Shift); `key`;
// `focused(form)`, the button with the focus or "(none)"; `focus_window(form)`. What the window
// shows: `picture(form)`, painted whole; `pixel(form, x, y)`; `system_rgb(form, index)`, a
// system colour as the window would draw it. `read_box(prompt, style, title, answer_after_ms)`
// shows a message box, reads it once it is up and answers it with its first button. And
// `reader_name(form, control)`, what a screen reader reads for a control (no control: the window).
template <class D>
concept RealDriver = FormsDriver<D> && requires(D d, forms::Form& form, std::string_view name, int n, Key key,
                                                std::string prompt, std::optional<std::string> title) {
    d.press(form, n, n, n, n);
    d.release(form, n, n, n, n);
    d.move(form, n, n);
    d.key(form, key);
    { d.focused(form) } -> std::same_as<std::string>;
    d.focus_window(form);
    { d.picture(form) } -> std::same_as<Picture>;
    { d.pixel(form, n, n) } -> std::same_as<std::uint32_t>;
    { d.system_rgb(form, n) } -> std::same_as<std::uint32_t>;
    { d.read_box(prompt, n, title, n) } -> std::same_as<Box>;
    { d.reader_name(form, name) } -> std::same_as<std::string>;
};

// The loaded windows of a runtime built from the model named, oldest first.
template <class Runtime>
std::vector<forms::Form*> windows_named(const Runtime& runtime, std::string_view model_name) {
    std::vector<forms::Form*> out;
    for (auto* f : runtime.forms())
        if (f->model().name == model_name) out.push_back(f);
    return out;
}

// Every label and button of a window read by the text it shows now (a label's field, a
// button's design text), and the window by its caption.
template <RealDriver D>
void expect_read_as_shown(D& driver, forms::Form& form, const forms::WindowModel& model) {
    for (const forms::Control& c : model.controls) {
        if (c.kind != forms::Kind::Label && c.kind != forms::Kind::Button) continue;
        const std::string shown = c.kind == forms::Kind::Label ? form.fields().get(c.name) : std::string(c.text);
        EXPECT_EQ(driver.reader_name(form, c.name), shown) << model.name << "." << c.name;
    }
    EXPECT_EQ(driver.reader_name(form, ""), form.caption()) << model.name;
}

}  // namespace contract
