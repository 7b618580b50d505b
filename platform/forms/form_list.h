#pragma once
// What every runtime keeps of its windows alike: the windows it has loaded, freed only once
// none of their handlers is still running, the failures their handlers reported, each said
// once, and the program's end. Written once for any runtime's form type.

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

// A runtime's windows: F is its form type (a FormCore that can also halt: stop where it is
// without any closing step). The runtime adds only what is native: leaving its loop.
template <class F>
class RuntimeWindows {
public:
    // A new window: its timers that are on start, then its load step runs.
    F& load(std::unique_ptr<F> form) {
        F& f = list_.add(std::move(form));
        f.start_timers();
        f.run_load();
        return f;
    }

    // The program ends at once: every window stops where it is, without its closing steps.
    // False when it was ending already.
    bool end() {
        if (ending_) return false;
        ending_ = true;
        halt_all();
        return true;
    }
    bool ending() const { return ending_; }
    // After a window has been unloaded: it was the last one, so the program ends (once the
    // handler that unloaded it has returned to the loop).
    bool last_gone() const { return !ending_ && list_.loaded().empty(); }

    std::vector<F*> loaded() const { return list_.loaded(); }
    F* find(std::string_view model_name) const { return list_.find(model_name); }
    void reap() { list_.reap(); }
    void report(std::string_view control, std::string_view what) { failures_.report(control, what); }

    // The runtime goes: the windows left go without their closing steps.
    void close_all() {
        halt_all();
        list_.clear();
    }

private:
    void halt_all() {
        list_.each([](F& f) {
            if (f.alive()) f.halt();
        });
    }

    FormList<F> list_;
    FailureReport failures_;
    bool ending_ = false;
};

}  // namespace forms
