#include "platform/forms/form_bindings.h"

#include <numeric>
#include <optional>

namespace forms {

namespace {

constexpr std::size_t kEvents = static_cast<std::size_t>(Event::Unload) + 1;

// A control's place in the model, or the window's own slot after the controls.
std::optional<std::size_t> slot_of(const WindowModel& model, std::string_view control) {
    if (control == model.name) return model.controls.size();
    for (std::size_t i = 0; i < model.controls.size(); ++i)
        if (model.controls[i].name == control) return i;
    return std::nullopt;
}

}  // namespace

BindingTable::BindingTable(const WindowModel& model, std::vector<Binding> bindings) : bindings_(std::move(bindings)) {
    check_bindings(model, bindings_);
    // Counted, then placed: each slot's and event's bindings lie together in binding order.
    const std::size_t keys = (model.controls.size() + 1) * kEvents;
    std::vector<std::size_t> key_of(bindings_.size(), keys);
    first_.assign(keys + 1, 0);
    for (std::size_t i = 0; i < bindings_.size(); ++i) {
        const std::optional<std::size_t> slot = slot_of(model, bindings_[i].control);
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

std::span<const std::size_t> BindingTable::bound_to(std::string_view control, Event event) const {
    const auto at = std::lower_bound(slots_.begin(), slots_.end(), control,
                                     [](const auto& entry, std::string_view name) { return entry.first < name; });
    if (at == slots_.end() || at->first != control) return {};
    const std::size_t key = at->second * kEvents + static_cast<std::size_t>(event);
    return std::span(bound_).subspan(first_[key], first_[key + 1] - first_[key]);
}

}  // namespace forms
