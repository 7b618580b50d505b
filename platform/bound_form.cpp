#include "platform/bound_form.h"

#include <algorithm>
#include <exception>
#include <numeric>
#include <utility>

#include "platform/form_bindings.h"

namespace forms {

namespace {

constexpr std::size_t kEvents = static_cast<std::size_t>(Event::Unload) + 1;

}  // namespace

BoundForm::BoundForm(const WindowModel& model, std::vector<Binding> bindings)
    : model_(model), fields_(label_fields(model)), bindings_(std::move(bindings)), running_(bindings_.size(), false) {
    check_bindings(model_, bindings_);
    resolve_bindings();
}

std::optional<std::size_t> BoundForm::slot_of(std::string_view control) const {
    if (control == model_.name) return model_.controls.size();
    for (std::size_t i = 0; i < model_.controls.size(); ++i)
        if (model_.controls[i].name == control) return i;
    return std::nullopt;
}

void BoundForm::resolve_bindings() {
    // Counted, then placed: each slot's and event's bindings lie together in binding order.
    const std::size_t keys = (model_.controls.size() + 1) * kEvents;
    std::vector<std::size_t> key_of(bindings_.size(), keys);
    first_.assign(keys + 1, 0);
    for (std::size_t i = 0; i < bindings_.size(); ++i) {
        const std::optional<std::size_t> slot = slot_of(bindings_[i].control);
        if (!slot || !bindings_[i].run) continue;
        key_of[i] = *slot * kEvents + static_cast<std::size_t>(bindings_[i].event);
        ++first_[key_of[i] + 1];
        slots_.emplace_back(bindings_[i].control, *slot);
    }
    std::partial_sum(first_.begin(), first_.end(), first_.begin());
    bound_.resize(first_.back());
    std::vector<std::size_t> next(first_.begin(), first_.end() - 1);
    for (std::size_t i = 0; i < bindings_.size(); ++i)
        if (key_of[i] < keys) bound_[next[key_of[i]]++] = i;
    std::sort(slots_.begin(), slots_.end());
    slots_.erase(std::unique(slots_.begin(), slots_.end()), slots_.end());
}

std::span<const std::size_t> BoundForm::bound_to(std::string_view control, Event event) const {
    const auto at = std::lower_bound(slots_.begin(), slots_.end(), control,
                                     [](const auto& entry, std::string_view name) { return entry.first < name; });
    if (at == slots_.end() || at->first != control) return {};
    const std::size_t key = at->second * kEvents + static_cast<std::size_t>(event);
    return std::span(bound_).subspan(first_[key], first_[key + 1] - first_[key]);
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
