#pragma once
// What every runtime keeps of its windows alike: the windows it has loaded, freed only once
// none of their handlers is still running, and the failures their handlers reported, each
// said once. Written once for any runtime's form type.

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

// F is a runtime's window type: it says whether it is still loaded (alive) and whether one of
// its handlers is on the stack (busy), and names its model.
template <class F>
class FormList {
public:
    F& add(std::unique_ptr<F> form) {
        forms_.push_back(std::move(form));
        return *forms_.back();
    }

    // The loaded windows, oldest first (unloaded ones are gone from here at once).
    std::vector<F*> loaded() const {
        std::vector<F*> out;
        for (const auto& f : forms_)
            if (f->alive()) out.push_back(f.get());
        return out;
    }

    F* find(std::string_view model_name) const {
        for (const auto& f : forms_)
            if (f->alive() && f->model().name == model_name) return f.get();
        return nullptr;
    }

    // Frees the unloaded windows. One goes only when none of its handlers is still on the
    // stack: one may wait in a message box's loop while its window was closed.
    void reap() {
        std::erase_if(forms_, [](const auto& f) { return !f->alive() && !f->busy(); });
    }

    // Every window not yet freed, loaded or not.
    template <class Fn>
    void each(Fn&& fn) const {
        for (const auto& f : forms_) fn(*f);
    }
    void clear() { forms_.clear(); }

private:
    std::vector<std::unique_ptr<F>> forms_;
};

// A handler's failure that nothing caught, on standard error, once per control and text.
class FailureReport {
public:
    void report(std::string_view control, std::string_view what) {
        if (!reported_.insert(std::string(control) + '\n' + std::string(what)).second) return;
        std::fprintf(stderr, "velmora: an event handler of %.*s failed: %.*s\n", static_cast<int>(control.size()),
                     control.data(), static_cast<int>(what.size()), what.data());
    }

private:
    std::set<std::string, std::less<>> reported_;
};

}  // namespace forms
