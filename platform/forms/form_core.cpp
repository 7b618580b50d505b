#include "platform/forms/form_core.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>

#include "platform/forms/form_geometry.h"

namespace forms {

namespace {

bool has_window(Kind kind) { return kind != Kind::Timer && !surface_drawn(kind); }

}  // namespace

FormCore::FormCore(const WindowModel& model, std::vector<Binding> bindings)
    : model_(model),
      fields_(label_fields(model)),
      bindings_(model, std::move(bindings)),
      running_(bindings_.size(), false),
      shown_(model.controls.size(), true),
      timer_on_(model.controls.size(), false) {
    for (std::size_t i = 0; i < model.controls.size(); ++i) names_.emplace_back(model.controls[i].name, i);
    std::sort(names_.begin(), names_.end());
    const auto twin = std::adjacent_find(names_.begin(), names_.end(),
                                         [](const auto& a, const auto& b) { return a.first == b.first; });
    if (twin != names_.end()) throw std::invalid_argument("two controls named " + std::string(twin->first));
    for (const Control& c : model.controls) {
        if (c.container.empty()) continue;
        const std::optional<std::size_t> at = find_control(c.container);
        if (!at || model.controls[*at].kind != Kind::Frame)
            throw std::invalid_argument("control " + std::string(c.name) + ": no frame named " +
                                        std::string(c.container));
    }
    build_order();  // frames that hold each other fail here
}

void FormCore::dispatch(std::string_view control, Event event, const Mouse& mouse) {
    run_bound(control, bound_to(control, event), mouse);
}

void FormCore::run_bound(std::string_view control, std::span<const std::size_t> bound, const Mouse& mouse) {
    if (!alive_ || runtime_ending()) return;
    for (const std::size_t i : bound) {
        if (!alive_) break;
        // A handler that waits in a loop of its own (a message box) is not entered again by
        // its own event: a timer's ticks meanwhile are dropped, so they cannot pile up boxes.
        if (running_[i]) continue;
        running_[i] = true;
        ++depth_;
        try {
            bindings_[i].run(*this, mouse);
        } catch (const std::exception& e) {
            report_failure(control, e.what());
        } catch (...) {
            report_failure(control, "unknown failure");
        }
        --depth_;
        running_[i] = false;
    }
    after_run();
}

void FormCore::run_step(const std::function<void()>& step) {
    ++depth_;
    try {
        step();
    } catch (const std::exception& e) {
        report_failure(model_.name, e.what());
    } catch (...) {
        report_failure(model_.name, "unknown failure");
    }
    --depth_;
    after_run();
}

void FormCore::after_run() {
    if (!alive_ && depth_ == 0) handlers_done();
}

void FormCore::run_load() { dispatch(model_.name, Event::Load); }

void FormCore::unload() {
    if (!alive_ || unloading_) return;
    unloading_ = true;
    dispatch(model_.name, Event::Unload);
    retire();
}

std::optional<std::size_t> FormCore::find_control(std::string_view control) const {
    const auto at = std::lower_bound(names_.begin(), names_.end(), control,
                                     [](const auto& entry, std::string_view name) { return entry.first < name; });
    if (at == names_.end() || at->first != control) return std::nullopt;
    return at->second;
}

std::size_t FormCore::index_of(std::string_view control) const {
    const std::optional<std::size_t> at = find_control(control);
    if (!at) throw std::out_of_range("no control named " + std::string(control));
    return *at;
}

std::size_t FormCore::visual(std::string_view control) const {
    const std::size_t i = index_of(control);
    if (model_.controls[i].kind == Kind::Timer)
        throw std::invalid_argument(std::string(control) + " has no visibility");
    return i;
}

std::size_t FormCore::timer(std::string_view control) const {
    const std::size_t i = index_of(control);
    if (model_.controls[i].kind != Kind::Timer) throw std::invalid_argument(std::string(control) + " is not a timer");
    return i;
}

void FormCore::set_visible(std::string_view control, bool visible) {
    const std::size_t i = visual(control);
    if (shown_[i] == visible) return;
    shown_[i] = visible;
    if (alive()) show_control(i, visible);
}

bool FormCore::is_visible(std::string_view control) const { return shown_[visual(control)]; }

void FormCore::set_timer_enabled(std::string_view name, bool on) {
    const std::size_t i = timer(name);
    if (!on) {
        if (timer_on_[i]) stop_timer(i);
        timer_on_[i] = false;
    } else if (alive() && !timer_on_[i] && model_.controls[i].interval_ms > 0) {
        timer_on_[i] = start_timer(i, model_.controls[i].interval_ms);
    }
}

bool FormCore::timer_enabled(std::string_view name) const { return timer_on_[timer(name)]; }

void FormCore::start_timers() {
    // In the order of their names (Timer1 before Timer2): nothing orders the first ticks of
    // timers of one interval, and this order lets Main's first countdown find the clock's
    // fields already written.
    for (const auto& [name, i] : names_)
        if (model_.controls[i].kind == Kind::Timer && model_.controls[i].enabled) set_timer_enabled(name, true);
}

void FormCore::stop_timers() {
    for (std::size_t i = 0; i < timer_on_.size(); ++i)
        if (timer_on_[i]) {
            stop_timer(i);
            timer_on_[i] = false;
        }
}

void FormCore::set_window_state(int state) {
    if (state != kNormal && state != kMinimized && state != kMaximized)
        throw std::invalid_argument("Invalid property value");
    state_ = state;
    state_set(state);
    if (!alive() || !window_shown() || state_pending_) return;
    state_pending_ = true;
    defer_state();
}

void FormCore::state_due() {
    state_pending_ = false;
    if (alive() && window_shown()) apply_state(state_);
}

void FormCore::state_changed_by_user(int state) {
    if (window_shown() && !state_pending_) state_ = state;
}

std::vector<std::size_t> FormCore::build_order() const {
    std::vector<std::size_t> order;
    std::vector<bool> made(model_.controls.size(), false);
    std::vector<std::size_t> frames;
    for (std::size_t i = 0; i < model_.controls.size(); ++i)
        if (model_.controls[i].kind == Kind::Frame) frames.push_back(i);
    while (!frames.empty()) {
        const auto placed = std::stable_partition(frames.begin(), frames.end(), [&](std::size_t f) {
            const std::string_view in = model_.controls[f].container;
            return in.empty() || made[index_of(in)];
        });
        if (placed == frames.begin())
            throw std::invalid_argument("frame " + std::string(model_.controls[frames.front()].name) +
                                        " has no container");
        for (auto it = frames.begin(); it != placed; ++it) {
            made[*it] = true;
            order.push_back(*it);
        }
        frames.erase(frames.begin(), placed);
    }
    for (std::size_t i = 0; i < model_.controls.size(); ++i)
        if (model_.controls[i].kind != Kind::Frame) order.push_back(i);
    return order;
}

std::vector<std::size_t> FormCore::tab_order() const {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < model_.controls.size(); ++i)
        if (has_window(model_.controls[i].kind)) order.push_back(i);
    const auto key = [this](std::size_t i) {
        const int tab = model_.controls[i].tab;
        return std::tuple(tab < 0 ? std::numeric_limits<int>::max() : tab, i);
    };
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    return order;
}

}  // namespace forms
