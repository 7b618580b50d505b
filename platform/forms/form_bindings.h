#pragma once
// Which events each kind of control raises, and the check every runtime makes when it loads a
// window: each binding names the window or one of its controls, and an event that one raises.
// A misspelt name or a wrong event fails at load, where it is written, instead of never firing.
// Then the table in which an event finds the handlers bound to it.

#include <algorithm>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/forms/form_model.h"
#include "platform/forms/forms.h"

namespace forms {

// The events bound under the window's own name.
constexpr bool window_raises(Event event) {
    return event == Event::Load || event == Event::Click || event == Event::MouseMove || event == Event::Unload;
}

// Buttons are clicked; labels are pressed and clicked; timers tick. Frames, lines, shapes and
// picture boxes raise nothing: a click on them is a click on nothing bound.
constexpr bool raises(Kind kind, Event event) {
    switch (kind) {
        case Kind::Label: return event == Event::Click || event == Event::MouseDown;
        case Kind::Button: return event == Event::Click;
        case Kind::Timer: return event == Event::Tick;
        case Kind::Frame:
        case Kind::Line:
        case Kind::Shape:
        case Kind::PictureBox: break;
    }
    return false;
}

constexpr std::string_view event_name(Event event) {
    switch (event) {
        case Event::Load: return "Load";
        case Event::Click: return "Click";
        case Event::MouseDown: return "MouseDown";
        case Event::MouseMove: return "MouseMove";
        case Event::Tick: return "Tick";
        case Event::Unload: return "Unload";
    }
    return "?";
}

constexpr std::string_view kind_name(Kind kind) {
    switch (kind) {
        case Kind::Label: return "label";
        case Kind::Button: return "button";
        case Kind::Frame: return "frame";
        case Kind::Timer: return "timer";
        case Kind::Line: return "line";
        case Kind::Shape: return "shape";
        case Kind::PictureBox: return "picture box";
    }
    return "control";
}

// A binding the window cannot honour, with the window, the control and the event it names.
class BindingError : public std::invalid_argument {
public:
    BindingError(std::string_view window, std::string_view control, Event event, const std::string& why)
        : std::invalid_argument("window " + std::string(window) + ": " + std::string(control) + "/" +
                                std::string(event_name(event)) + ": " + why),
          window_(window),
          control_(control),
          event_(event) {}

    const std::string& window() const { return window_; }
    const std::string& control() const { return control_; }
    Event event() const { return event_; }

private:
    std::string window_;
    std::string control_;
    Event event_;
};

// Throws BindingError for the first binding that names neither the window nor a control of
// it, or an event that the window or control so named never raises.
inline void check_bindings(const WindowModel& model, std::span<const Binding> bindings) {
    for (const Binding& b : bindings) {
        if (b.control == model.name && window_raises(b.event)) continue;
        const auto found = std::ranges::find(model.controls, b.control, &Control::name);
        const Control* named = found == model.controls.end() ? nullptr : &*found;
        if (named && raises(named->kind, b.event)) continue;
        std::string why;
        if (named)
            why = "a " + std::string(kind_name(named->kind)) + " raises no " + std::string(event_name(b.event));
        else if (b.control == model.name)
            why = "the window raises no " + std::string(event_name(b.event));
        else
            why = "no control of that name";
        throw BindingError(model.name, b.control, b.event, why);
    }
}

// A window's bindings, sorted out once, when it loads: an event looks its handlers up without
// allocating anything.
class BindingTable {
public:
    // Throws BindingError as check_bindings does.
    BindingTable(const WindowModel& model, std::vector<Binding> bindings);

    // The indices of the bindings that run for a control's event, in the order they run.
    std::span<const std::size_t> bound_to(std::string_view control, Event event) const;
    const Binding& operator[](std::size_t i) const { return bindings_[i]; }
    std::size_t size() const { return bindings_.size(); }

private:
    std::vector<Binding> bindings_;
    std::vector<std::size_t> bound_;  // binding indices by slot, then event, then binding order
    std::vector<std::size_t> first_;  // per slot and event: where its run in bound_ starts, and the end
    std::vector<std::pair<std::string_view, std::size_t>> slots_;  // names with a binding, sorted
};

}  // namespace forms
