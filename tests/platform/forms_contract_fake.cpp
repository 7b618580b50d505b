// The forms contract against the fake runtime: the loop is a step per 20 ms in which every
// timer that is on ticks once, after what the last handler posted.

#include "platform/fakes/fake_forms.h"
#include "tests/platform/forms_contract.h"

namespace {

struct FakeDriver {
    fakes::FakeRuntime runtime;

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
        const forms::Control& c = form_model(form).controls[fake(form).index_of(control)];
        return form.is_visible(control) && (c.container.empty() || native_visible(form, c.container));
    }
    std::vector<std::string> tab_stops(forms::Form& form) { return fake(form).tab_stops(); }
    bool loaded(std::string_view model_name) { return runtime.find(model_name) != nullptr; }
    void close_box(forms::Form& form) { form.unload(); }
    bool loop_ends_within(int ms) {
        settle(ms);
        return runtime.ended() || runtime.last_window_gone();
    }

private:
    static fakes::FakeForm& fake(forms::Form& form) { return static_cast<fakes::FakeForm&>(form); }
    static const forms::WindowModel& form_model(forms::Form& form) { return fake(form).model(); }

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

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, FormsContract, FakeDriver);
}  // namespace contract
