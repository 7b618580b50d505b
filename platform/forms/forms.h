#pragma once
// The forms runtime as handlers see it: windows loaded from a model, events delivered to
// handlers bound by control name, one at a time. No toolkit type appears here.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fields.h"
#include "platform/forms/form_model.h"

namespace forms {

enum class Event {
    Load,       // the window: after its controls exist, before it is first shown
    Click,      // a button, a label, or the window's own surface (control = the window's name)
    MouseDown,  // any mouse button pressed on a label
    MouseMove,  // the window: the pointer moved over its surface (also the tray's notifications)
    Tick,       // a timer
    Unload,     // the window is about to go away (close box, window manager, unload()); never cancelled
};

struct Mouse {
    int button = 0;  // 1 left, 2 right, 4 middle
    int shift = 0;
    float x = 0, y = 0;  // twips, from the top-left corner of the window's client area
};

class Form;

// A handler gets the form its event belongs to, so the load step can reach the window
// before Runtime::load has returned it.
struct Binding {
    std::string_view control;  // a control's name, or the window's name for window events
    Event event;
    std::function<void(Form& form, const Mouse& mouse)> run;
};

enum WindowState { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// One loaded window.
class Form {
public:
    virtual ~Form() = default;

    // The captions of the window's labels, by name.
    virtual engine::FieldStore& fields() = 0;

    virtual void set_visible(std::string_view control, bool visible) = 0;
    virtual bool is_visible(std::string_view control) const = 0;
    virtual void set_timer_enabled(std::string_view timer, bool on) = 0;
    virtual bool timer_enabled(std::string_view timer) const = 0;

    virtual void set_caption(std::string caption) = 0;  // the window's title
    virtual std::string caption() const = 0;

    virtual int window_state() const = 0;
    virtual void set_window_state(int state) = 0;
    virtual void show() = 0;  // modeless: visible, raised and active
    virtual void hide() = 0;
    virtual bool is_shown() const = 0;

    // Starts the window manager's interactive move (the pointer drags the window until the
    // button is let go). Other events, timer ticks included, are taken during the move;
    // ended runs once it is over, and only if the window still exists then.
    virtual void start_system_move(std::function<void()> ended) = 0;

    // Runs the window's Unload handler, then destroys it: the Form must not be used after.
    virtual void unload() = 0;

    // The platform's handle of the window and of its icon, as 32-bit numbers (0 where the
    // platform has none).
    virtual std::uint32_t window_handle() const { return 0; }
    virtual std::uint32_t icon_handle() const { return 0; }
};

class Runtime {
public:
    virtual ~Runtime() = default;

    // Creates the window and its controls in model order with their design settings, starts
    // the timers that are on, runs the Load handler; the window is not shown yet. The
    // returned form lives until it is unloaded or the program ends.
    virtual Form& load(const WindowModel& model, std::vector<Binding> bindings) = 0;

    // Ends the program at once: every window disappears, no closing steps run.
    virtual void end_program() = 0;

    // Twips per pixel along x on the screen (15 at 96 dpi).
    virtual double twips_per_pixel_x() const = 0;

    // Sets the screen-wide mouse pointer back to its default shape.
    virtual void reset_pointer() = 0;
};

}  // namespace forms

namespace forms {

// The window's fields: one per label, named as the label, holding its design caption.
inline std::vector<engine::FieldSpec> label_fields(const WindowModel& model) {
    std::vector<engine::FieldSpec> out;
    for (const Control& c : model.controls)
        if (c.kind == Kind::Label) out.push_back({c.name, c.text});
    return out;
}

}  // namespace forms
