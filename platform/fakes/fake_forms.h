#pragma once
// A forms runtime without a window system: windows are records, events are fired by tests.

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/forms/form_core.h"
#include "platform/forms/form_list.h"
#include "platform/forms/forms.h"
#include "platform/forms/message_box.h"

namespace fakes {

class FakeRuntime;

class FakeForm final : public forms::FormCore {
public:
    FakeForm(FakeRuntime& runtime, const forms::WindowModel& model, std::vector<forms::Binding> bindings)
        : FormCore(model, std::move(bindings)), runtime_(runtime), caption_(model.caption) {}

    // Fires an event as the runtime would; returns whether a handler was bound to it. A
    // handler may unload the form (an OK button): then the form is gone once it returns.
    bool fire(std::string_view control, forms::Event event, const forms::Mouse& mouse = {}) {
        const auto bound = bound_to(control, event);
        run_bound(control, bound, mouse);
        return !bound.empty();
    }
    bool click(std::string_view control) { return fire(control, forms::Event::Click); }
    // A tick reaches its handler only while the timer is on.
    bool tick(std::string_view timer) { return timer_enabled(timer) && fire(timer, forms::Event::Tick); }
    // The event loop takes what waits for it: a change of the window's state.
    void settle() {
        if (std::exchange(state_posted_, false)) state_due();
    }

    void set_caption(std::string c) override { caption_ = std::move(c); }
    std::string caption() const override { return caption_; }
    void show() override {
        if (!alive()) return;
        shown_ = true;
        ++shows_;
        log_.push_back("show");
        native_state_ = window_state();
    }
    void hide() override {
        shown_ = false;
        log_.push_back("hide");
    }
    bool is_shown() const override { return shown_; }
    void start_system_move(std::function<void()> ended) override {
        ++moves_;
        log_.push_back("move");
        move_ended_ = std::move(ended);
    }
    // The user lets go of the button: the move that is under way ends.
    void end_move() {
        auto ended = std::exchange(move_ended_, nullptr);
        if (ended) run_step(ended);
    }
    bool moving() const { return static_cast<bool>(move_ended_); }
    // The person minimizes, maximizes or restores the window themselves.
    void change_state_by_hand(int state) {
        native_state_ = state;
        state_changed_by_user(state);
    }
    void halt() {
        mark_gone();
        stop_timers();
        shown_ = false;
    }

    // The buttons in the order Tab takes them.
    std::vector<std::string> tab_stops() const {
        std::vector<std::string> out;
        for (const std::size_t i : tab_order())
            if (model_.controls[i].kind == forms::Kind::Button) out.emplace_back(model_.controls[i].name);
        return out;
    }
    int shows() const { return shows_; }
    int moves() const { return moves_; }
    // The state the window has on the "screen", as the window system was last told it.
    int native_state() const { return native_state_; }
    // What the handlers did to the window, in order ("state 1", "hide", "show", "move").
    const std::vector<std::string>& log() const { return log_; }

private:
    bool window_shown() const override { return shown_; }
    void defer_state() override { state_posted_ = true; }
    void apply_state(int state) override { native_state_ = state; }
    void state_set(int state) override { log_.push_back("state " + std::to_string(state)); }
    void show_control(std::size_t, bool) override {}
    bool start_timer(std::size_t, int) override { return true; }
    void stop_timer(std::size_t) override {}
    bool runtime_ending() const override;
    void report_failure(std::string_view control, std::string_view what) override;
    void retire() override;
    void handlers_done() override;

    FakeRuntime& runtime_;
    std::string caption_;
    bool shown_ = false;
    bool state_posted_ = false;
    int native_state_ = forms::kNormal;
    int shows_ = 0;
    int moves_ = 0;
    std::vector<std::string> log_;
    std::function<void()> move_ended_;
};

struct ShownBox {
    std::string prompt;
    int style;
    std::optional<std::string> title;
};

class FakeRuntime final : public forms::Runtime, public platform::MessageBox {
public:
    forms::Form& load(const forms::WindowModel& model, std::vector<forms::Binding> bindings) override {
        ++loads_;
        return windows_.load(std::make_unique<FakeForm>(*this, model, std::move(bindings)));
    }
    void end_program() override { windows_.end(); }
    double twips_per_pixel_x() const override { return twips_per_pixel_; }
    void reset_pointer() override { ++pointer_resets_; }

    void show(const std::string& prompt, int style, const std::optional<std::string>& title) override {
        if (windows_.ending()) return;
        boxes_.push_back({prompt, style, title});
    }

    // The loaded windows built from the model named, oldest first.
    std::vector<FakeForm*> windows(std::string_view model_name) const {
        std::vector<FakeForm*> out;
        for (FakeForm* f : windows_.loaded())
            if (f->model().name == model_name) out.push_back(f);
        return out;
    }
    FakeForm& window(std::string_view model_name) const {
        auto all = windows(model_name);
        if (all.size() != 1) throw std::logic_error("expected one window " + std::string(model_name));
        return *all.front();
    }
    std::vector<FakeForm*> forms() const { return windows_.loaded(); }
    FakeForm* find(std::string_view model_name) const { return windows_.find(model_name); }

    // From the forms.
    bool ending() const { return windows_.ending(); }
    void form_gone() {
        if (windows_.last_gone()) last_window_gone_ = true;
    }
    void reap() { windows_.reap(); }
    void report_failure(std::string_view control, std::string_view what) {
        failures_.push_back(std::string(control) + ": " + std::string(what));
        windows_.report(control, what);
    }

    // Ended by end_program(); or, where a real runtime leaves its loop, by the last window going.
    bool ended() const { return windows_.ending(); }
    bool last_window_gone() const { return last_window_gone_; }
    int loads() const { return loads_; }
    int pointer_resets() const { return pointer_resets_; }
    const std::vector<ShownBox>& boxes() const { return boxes_; }
    // The handlers' failures the runtime reported, as "control: what".
    const std::vector<std::string>& failures() const { return failures_; }
    void set_twips_per_pixel(double t) { twips_per_pixel_ = t; }

    ~FakeRuntime() override { windows_.close_all(); }

private:
    forms::RuntimeWindows<FakeForm> windows_;
    std::vector<ShownBox> boxes_;
    std::vector<std::string> failures_;
    bool last_window_gone_ = false;
    int loads_ = 0;
    int pointer_resets_ = 0;
    double twips_per_pixel_ = 15;
};

inline bool FakeForm::runtime_ending() const { return runtime_.ending(); }
inline void FakeForm::report_failure(std::string_view control, std::string_view what) {
    runtime_.report_failure(control, what);
}
inline void FakeForm::retire() {
    halt();
    runtime_.form_gone();
    if (!busy()) runtime_.reap();  // destroys *this
}
inline void FakeForm::handlers_done() { runtime_.reap(); }  // destroys *this

}  // namespace fakes
