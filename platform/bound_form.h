#pragma once
// What every runtime's window does the same way with its handlers: finds those bound to a
// control's event, runs them in binding order (a failure reported, never thrown on into the
// toolkit), keeps a handler that waits in a loop of its own from being entered again by its
// own event, and runs the window's Load and Unload steps. The runtime's form says how the
// window is made and drawn, and what happens once it is gone.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/fields.h"
#include "platform/forms.h"

namespace forms {

class BoundForm : public Form {
public:
    // Throws BindingError for a binding to a control or event the model does not have.
    BoundForm(const WindowModel& model, std::vector<Binding> bindings);

    engine::FieldStore& fields() override { return fields_; }
    void unload() override;

    const WindowModel& model() const { return model_; }
    bool alive() const { return alive_; }
    bool busy() const { return depth_ > 0; }  // a handler of this form is running
    void run_load();

protected:
    // The indices of the bindings that run for a control's event, in the order they run. They
    // are sorted out once, when the window loads: an event looks its handlers up without
    // allocating anything.
    std::span<const std::size_t> bound_to(std::string_view control, Event event) const;
    void run_bound(std::string_view control, std::span<const std::size_t> bound, const Mouse& mouse = {});
    void dispatch(std::string_view control, Event event, const Mouse& mouse = {});
    // Runs a step of the window's own (the end of a move) as a handler runs: counted as
    // running, a failure reported under the window's name.
    void run_step(const std::function<void()>& step);
    // From now on no handler runs; the window is going.
    void mark_gone() { alive_ = false; }

    // The program is ending: no handler runs any more.
    virtual bool runtime_ending() const = 0;
    virtual void report_failure(std::string_view control, std::string_view what) = 0;
    // After Unload's handlers: the window goes.
    virtual void retire() = 0;
    // The form is gone and none of its handlers is on the stack any longer.
    virtual void handlers_done() {}

    const WindowModel& model_;
    engine::FieldStore fields_;

private:
    void after_run();
    void resolve_bindings();
    // A control's place in the model, or the window's own slot after the controls.
    std::optional<std::size_t> slot_of(std::string_view control) const;

    std::vector<Binding> bindings_;
    std::vector<std::size_t> bound_;  // binding indices by slot, then event, then binding order
    std::vector<std::size_t> first_;  // per slot and event: where its run in bound_ starts, and the end
    std::vector<std::pair<std::string_view, std::size_t>> slots_;  // names with a binding, sorted
    std::vector<bool> running_;                                    // per binding: its handler is on the stack now
    int depth_ = 0;
    bool alive_ = true;
    bool unloading_ = false;
};

}  // namespace forms
