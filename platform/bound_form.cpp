#include "platform/bound_form.h"

#include <exception>
#include <utility>

#include "platform/form_bindings.h"

namespace forms {

BoundForm::BoundForm(const WindowModel& model, std::vector<Binding> bindings)
    : model_(model), fields_(label_fields(model)), bindings_(std::move(bindings)), running_(bindings_.size(), false) {
    check_bindings(model_, bindings_);
}

std::vector<std::size_t> BoundForm::bound_to(std::string_view control, Event event) const {
    std::vector<std::size_t> bound;
    for (std::size_t i = 0; i < bindings_.size(); ++i)
        if (bindings_[i].control == control && bindings_[i].event == event && bindings_[i].run) bound.push_back(i);
    return bound;
}

void BoundForm::dispatch(std::string_view control, Event event, const Mouse& mouse) {
    run_bound(control, bound_to(control, event), mouse);
}

void BoundForm::run_bound(std::string_view control, std::span<const std::size_t> bound, const Mouse& mouse) {
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

void BoundForm::run_step(const std::function<void()>& step) {
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

void BoundForm::after_run() {
    if (!alive_ && depth_ == 0) handlers_done();
}

void BoundForm::run_load() { dispatch(model_.name, Event::Load); }

void BoundForm::unload() {
    if (!alive_ || unloading_) return;
    unloading_ = true;
    dispatch(model_.name, Event::Unload);
    retire();
}

}  // namespace forms
