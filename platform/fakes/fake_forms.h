#pragma once
// A forms runtime without a window system: windows are records, events are fired by tests.

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/form_bindings.h"
#include "platform/forms.h"
#include "platform/message_box.h"

namespace fakes {

class FakeRuntime;

class FakeForm final : public forms::Form {
public:
    FakeForm(FakeRuntime& runtime, const forms::WindowModel& model, std::vector<forms::Binding> bindings)
        : runtime_(runtime),
          model_(model),
          fields_(forms::label_fields(model)),
          bindings_(std::move(bindings)),
          caption_(model.caption) {
        forms::check_bindings(model, bindings_);
        for (const forms::Control& c : model.controls) {
            visible_[std::string(c.name)] = true;
            if (c.kind == forms::Kind::Timer) timers_[std::string(c.name)] = c.enabled;
        }
    }

    ~FakeForm() override { *alive_ = false; }

    const forms::WindowModel& model() const { return model_; }

    // Fires an event as the runtime would; returns whether a handler was bound to it.
    // A handler may unload the form (an OK button): then the loop stops, the form is gone.
    bool fire(std::string_view control, forms::Event event, const forms::Mouse& mouse = {}) {
        bool ran = false;
        const std::shared_ptr<bool> alive = alive_;
        for (std::size_t i = 0; *alive && i < bindings_.size(); ++i) {
            const forms::Binding& b = bindings_[i];
            if (b.control == control && b.event == event) {
                b.run(*this, mouse);
                ran = true;
            }
        }
        return ran;
    }
    bool click(std::string_view control) { return fire(control, forms::Event::Click); }
    // A tick reaches its handler only while the timer is on.
    bool tick(std::string_view timer) { return timer_enabled(timer) && fire(timer, forms::Event::Tick); }

    engine::FieldStore& fields() override { return fields_; }
    void set_visible(std::string_view control, bool v) override { visible_.at(std::string(control)) = v; }
    bool is_visible(std::string_view control) const override { return visible_.at(std::string(control)); }
    void set_timer_enabled(std::string_view t, bool on) override { timers_.at(std::string(t)) = on; }
    bool timer_enabled(std::string_view t) const override { return timers_.at(std::string(t)); }
    void set_caption(std::string c) override { caption_ = std::move(c); }
    std::string caption() const override { return caption_; }
    int window_state() const override { return state_; }
    void set_window_state(int s) override {
        state_ = s;
        log_.push_back("state " + std::to_string(s));
    }
    void show() override {
        shown_ = true;
        ++shows_;
        log_.push_back("show");
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
        if (ended) ended();
    }
    bool moving() const { return static_cast<bool>(move_ended_); }
    void unload() override;

    int shows() const { return shows_; }
    int moves() const { return moves_; }
    // What the handlers did to the window, in order ("state 1", "hide", "show", "move").
    const std::vector<std::string>& log() const { return log_; }

private:
    FakeRuntime& runtime_;
    const forms::WindowModel& model_;
    engine::FieldStore fields_;
    std::vector<forms::Binding> bindings_;
    std::map<std::string, bool, std::less<>> visible_;
    std::map<std::string, bool, std::less<>> timers_;
    std::string caption_;
    int state_ = forms::kNormal;
    bool shown_ = false;
    int shows_ = 0;
    int moves_ = 0;
    std::vector<std::string> log_;
    std::function<void()> move_ended_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // false once destroyed
};

struct ShownBox {
    std::string prompt;
    int style;
    std::optional<std::string> title;
};

class FakeRuntime final : public forms::Runtime, public platform::MessageBox {
public:
    forms::Form& load(const forms::WindowModel& model, std::vector<forms::Binding> bindings) override {
        forms_.push_back(std::make_unique<FakeForm>(*this, model, std::move(bindings)));
        ++loads_;
        FakeForm& f = *forms_.back();
        f.fire(model.name, forms::Event::Load);
        return f;
    }
    void end_program() override { ended_ = true; }
    double twips_per_pixel_x() const override { return twips_per_pixel_; }
    void reset_pointer() override { ++pointer_resets_; }

    void show(const std::string& prompt, int style, const std::optional<std::string>& title) override {
        boxes_.push_back({prompt, style, title});
    }

    // The loaded windows built from the model named, oldest first.
    std::vector<FakeForm*> windows(std::string_view model_name) const {
        std::vector<FakeForm*> out;
        for (const auto& f : forms_)
            if (f->model().name == model_name) out.push_back(f.get());
        return out;
    }
    FakeForm& window(std::string_view model_name) const {
        auto all = windows(model_name);
        if (all.size() != 1) throw std::logic_error("expected one window " + std::string(model_name));
        return *all.front();
    }

    void forget(FakeForm* form) {
        std::erase_if(forms_, [form](const auto& p) { return p.get() == form; });
    }

    bool ended() const { return ended_; }
    int loads() const { return loads_; }
    int pointer_resets() const { return pointer_resets_; }
    const std::vector<ShownBox>& boxes() const { return boxes_; }
    void set_twips_per_pixel(double t) { twips_per_pixel_ = t; }

private:
    std::vector<std::unique_ptr<FakeForm>> forms_;
    std::vector<ShownBox> boxes_;
    bool ended_ = false;
    int loads_ = 0;
    int pointer_resets_ = 0;
    double twips_per_pixel_ = 15;
};

inline void FakeForm::unload() {
    fire(model_.name, forms::Event::Unload);
    runtime_.forget(this);  // destroys *this
}

}  // namespace fakes
