#pragma once
// The rules of a loaded window that hold on every runtime, written once. With its handlers: it
// finds those bound to a control's event, runs them in binding order (a failure reported,
// never thrown on into the toolkit), keeps a handler that waits in a loop of its own from
// being entered again by its own event, and runs the window's Load and Unload steps. With its
// controls: the control table and the look-up of a control by name and kind, each control's
// own visibility, which timers are on, the window's state as the program set it or the person
// changed it, the order in which its controls are built and the order the focus takes. A
// runtime's form supplies only what is native: how the window is made and drawn, making a
// control shown or hidden, starting and stopping a timer, putting a state on the window, and
// what happens once it is gone. Nothing here knows a toolkit.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/fields.h"
#include "platform/forms/form_bindings.h"
#include "platform/forms/forms.h"

namespace forms {

class FormCore : public Form {
public:
    // Checks the bindings (BindingError), then the model as every runtime would refuse to
    // build it: two controls of one name ("two controls named X"), a control in something
    // that is no frame of the window ("control X: no frame named Y"), frames that hold each
    // other ("frame X has no container").
    FormCore(const WindowModel& model, std::vector<Binding> bindings);

    engine::FieldStore& fields() override { return fields_; }
    void unload() override;

    const WindowModel& model() const { return model_; }
    bool alive() const { return alive_; }
    bool busy() const { return depth_ > 0; }  // a handler of this form is running
    void run_load();

    // Throws std::out_of_range "no control named X" for a name the model does not have, and
    // std::invalid_argument "X has no visibility" for a timer.
    void set_visible(std::string_view control, bool visible) final;
    bool is_visible(std::string_view control) const final;
    // Throws std::out_of_range for an unknown name and std::invalid_argument "X is not a
    // timer" for any other kind. A timer without an interval never ticks, so it stays off;
    // a window that has gone starts none.
    void set_timer_enabled(std::string_view timer, bool on) final;
    bool timer_enabled(std::string_view timer) const final;
    // 0 normal, 1 minimized, 2 maximized; anything else throws "Invalid property value".
    // The window hears of a new state only once the handler that set it is done, and only if
    // it is shown then: a window minimized and hidden (sent to the tray) in one handler is
    // never minimized on its way out, and a hidden window takes its state when it is shown.
    int window_state() const final { return state_; }
    void set_window_state(int state) final;

    // The control's place in the model; throws std::out_of_range "no control named X".
    std::size_t index_of(std::string_view control) const;
    // The same, or nothing for a name the model does not have.
    std::optional<std::size_t> find_control(std::string_view control) const;
    // Each control's own visibility, by its place in the model (a control in a hidden frame
    // keeps its own).
    const std::vector<bool>& own_visibility() const { return shown_; }
    // Starts the timers that are on in the model, in the order of their names (the runtime,
    // when the window loads).
    void start_timers();

protected:
    // The indices of the bindings that run for a control's event, in the order they run.
    std::span<const std::size_t> bound_to(std::string_view control, Event event) const {
        return bindings_.bound_to(control, event);
    }
    void run_bound(std::string_view control, std::span<const std::size_t> bound, const Mouse& mouse = {});
    void dispatch(std::string_view control, Event event, const Mouse& mouse = {});
    // Runs a step of the window's own (the end of a move) as a handler runs: counted as
    // running, a failure reported under the window's name.
    void run_step(const std::function<void()>& step);
    // From now on no handler runs; the window is going.
    void mark_gone() { alive_ = false; }

    // The order controls are made in: frames first, each after the frame that holds it, then
    // the others in model order; every control finds its container made.
    std::vector<std::size_t> build_order() const;
    // The controls that are windows of their own (buttons, frames, picture boxes) in the order
    // Tab takes them: by tab index, those without one (negative) last, ties in model order.
    std::vector<std::size_t> tab_order() const;

    // The deferred state is due: applied if the window is shown now.
    void state_due();
    // The person changed the window's state (the window manager, the task bar). Taken only
    // while the window is shown and no state of the program's own is on its way.
    void state_changed_by_user(int state);
    bool state_pending() const { return state_pending_; }
    // The window is going: every timer stops.
    void stop_timers();

    // What the runtime's form supplies. The program is ending: no handler runs any more.
    virtual bool runtime_ending() const = 0;
    virtual void report_failure(std::string_view control, std::string_view what) = 0;
    // After Unload's handlers: the window goes.
    virtual void retire() = 0;
    // The form is gone and none of its handlers is on the stack any longer.
    virtual void handlers_done() {}
    // The window is on the screen now (not hidden, not gone).
    virtual bool window_shown() const = 0;
    // Ask for state_due() once the running handler is done (a posted message, a zero timer).
    virtual void defer_state() = 0;
    // Put the state on the window (it is shown).
    virtual void apply_state(int state) = 0;
    // Show or hide one control; not called once the window has gone.
    virtual void show_control(std::size_t index, bool visible) = 0;
    // Start a timer (false when the system refuses one) or stop it.
    virtual bool start_timer(std::size_t index, int interval_ms) = 0;
    virtual void stop_timer(std::size_t index) = 0;
    // Every valid state set, as it is set (the fake's log).
    virtual void state_set(int) {}

    const WindowModel& model_;
    engine::FieldStore fields_;

private:
    void after_run();
    std::size_t visual(std::string_view control) const;
    std::size_t timer(std::string_view control) const;

    BindingTable bindings_;
    std::vector<bool> running_;                                    // per binding: its handler is on the stack now
    std::vector<std::pair<std::string_view, std::size_t>> names_;  // sorted, for look-up
    std::vector<bool> shown_;                                      // per control: its own visibility
    std::vector<bool> timer_on_;                                   // per control: timers only
    int depth_ = 0;
    int state_ = kNormal;
    bool alive_ = true;
    bool unloading_ = false;
    bool state_pending_ = false;
};

}  // namespace forms
