#pragma once
// The fake runtime's driver (forms_driver.h): the loop is a step per 20 ms in which every timer
// that is on ticks once, after what was posted; a box is read from what the runtime was handed.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fakes/fake_forms.h"
#include "platform/fakes/fake_platform.h"
#include "tests/platform/forms_driver.h"

namespace fake_test {

struct FakeDriver {
    fakes::FakeRuntime runtime;
    fakes::FakeShell shell;

    void settle(int ms) {
        for (int step = 0; step <= ms / 20; ++step) tick_all();
    }
    bool wait_until(const std::function<bool()>& done) {
        for (int step = 0; step < 500 && !done(); ++step) tick_all();
        return done();
    }
    void show(forms::Form& form) {
        form.show();
        settle(0);
    }
    int native_state(forms::Form& form) { return fake(form).native_state(); }
    void change_state_by_hand(forms::Form& form, int state) { fake(form).change_state_by_hand(state); }
    bool native_visible(forms::Form& form, std::string_view control) {
        const forms::Control& c = fake(form).model().controls[fake(form).index_of(control)];
        return form.is_visible(control) && (c.container.empty() || native_visible(form, c.container));
    }
    std::vector<std::string> tab_stops(forms::Form& form) { return fake(form).tab_stops(); }
    bool loaded(std::string_view model_name) { return runtime.find(model_name) != nullptr; }
    void close_box(forms::Form& form) { form.unload(); }
    bool loop_ends_within(int ms) {
        settle(ms);
        return runtime.ended() || runtime.last_window_gone();
    }

    void click(forms::Form& form, std::string_view control) {
        EXPECT_TRUE(fake(form).click(control)) << control << " has no Click handler";
    }
    void key(forms::Form& form, contract::Key key) {
        using contract::Key;
        for (const forms::Control& c : fake(form).model().controls)
            if (c.kind == forms::Kind::Button && (key == Key::Escape                        ? c.is_cancel
                                                  : key == Key::Return || key == Key::Enter ? c.is_default
                                                                                            : false))
                return click(form, c.name);
        ADD_FAILURE() << "no button takes the key";
    }
    std::string text(forms::Form& form, std::string_view label) { return form.fields().get(label); }
    std::vector<forms::Form*> windows(std::string_view name) const { return contract::windows_named(runtime, name); }
    int on_screen(const std::string& title) const {
        int n = 0;
        for (fakes::FakeForm* f : runtime.forms()) n += f->is_shown() && f->caption() == title;
        return n;
    }
    std::vector<contract::Box> boxes() const {
        std::vector<contract::Box> out;
        for (const fakes::ShownBox& shown : runtime.boxes()) {
            const platform::BoxLayout layout = platform::box_layout(shown.style);
            out.push_back({shown.title.value_or(probe::kAppTitle), contract::lines_of(shown.prompt), layout.buttons,
                           layout.icon});
        }
        return out;
    }

private:
    static fakes::FakeForm& fake(forms::Form& form) { return static_cast<fakes::FakeForm&>(form); }

    // Posted work first, then one tick of every timer that is on, window by window; a
    // handler may unload its window meanwhile.
    void tick_all() {
        for (fakes::FakeForm* f : runtime.forms()) f->settle();
        for (fakes::FakeForm* f : runtime.forms()) {
            const forms::WindowModel& model = f->model();
            for (const forms::Control& c : model.controls)
                if (c.kind == forms::Kind::Timer && runtime.find(model.name) == f) f->tick(c.name);
        }
    }
};

}  // namespace fake_test
