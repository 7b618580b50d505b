#include "main_window/main_window.h"

#include <exception>
#include <stdexcept>

#include "engine/clock_run.h"
#include "engine/countdown_run.h"
#include "identity/identity.h"
#include "main_window/main_model.h"

namespace main_window {

using forms::Event;
using forms::Mouse;

MainWindow::MainWindow(Services services)
    : s_(std::move(services)),
      clock_log_(s_.log, "clock run"),
      countdown_log_(s_.log, "countdown run"),
      manual_clock_log_(s_.log, "manual clock run"),
      manual_countdown_log_(s_.log, "manual countdown run") {}

void MainWindow::start() {
    form_ = &s_.runtime.load(kMain, bindings());
    form_->show();
}

std::vector<forms::Binding> MainWindow::bindings() {
    // Most handlers need neither the event's arguments nor the form, which Main keeps.
    auto on = [](std::string_view control, Event event, std::function<void()> run) {
        return forms::Binding{control, event, [run = std::move(run)](forms::Form&, const Mouse&) { run(); }};
    };
    auto fields = [this]() -> engine::FieldStore& { return form_->fields(); };
    stop_ = {
        .stop_timer = [this] { form_->set_timer_enabled("Timer2", false); },
        .open_arrival_window = [this] { s_.open_arrival_window(); },
    };
    return {
        {"Main", Event::Load,
         [this](forms::Form& form, const Mouse&) {
             form_ = &form;
             clock_at_.emplace(form.fields());
             countdown_at_.emplace(form.fields());
             hide_panel();
             AddIcon(std::string(kTrayTip));
         }},
        // The pointer's own moves over Main are left unbound: the tray's notifications come
        // from the tray alone (AddIcon). A real move would decode as the column it crosses,
        // and at 250 % Main is wider than 514 pixels, the code of a left-button release.
        on("Main", Event::Unload,
           [this] {
               unload_cleanup();
               form_ = nullptr;
           }),
        on("Main", Event::Click, [this] { hide_panel(); }),
        on("Final", Event::Click, [this] { hide_panel(); }),
        on("Label12", Event::Click, [this] { hide_panel(); }),
        // Any button, anywhere on the strip: the panel stays up during the drag and goes
        // once it has ended.
        on("Label2", Event::MouseDown, [this] { form_->start_system_move([this] { hide_panel(); }); }),
        // The two runs of every 100 ms take no detour through the wrappers above.
        {"Timer1", Event::Tick, [this](forms::Form&, const Mouse&) { clock_tick(); }},
        {"Timer2", Event::Tick, [this](forms::Form&, const Mouse&) { countdown_tick(); }},
        on("Command1", Event::Click,
           [this, fields] { manual_clock_log_.run([&] { engine::manual_clock_run(fields(), s_.clock); }); }),
        on("Command2", Event::Click,
           [this, fields] { manual_countdown_log_.record(engine::manual_countdown_run(fields())); }),
        on("Title_Menu", Event::Click, [this] { form_->set_visible("Frame1", true); }),
        on("Title_MinTray", Event::Click, [this] { toggle(); }),
        on("Title_Close", Event::Click, [this] { close_program(); }),
        on("menu_about", Event::Click,
           [this] {
               s_.open_about();
               hide_panel();
           }),
        on("menu_website", Event::Click,
           [this] {
               s_.shell.open(std::string(kFestivalPage));
               hide_panel();
           }),
        on("menu_wrenhollow", Event::Click,
           [this] {
               s_.shell.open(std::string(kMakerSite));
               hide_panel();
           }),
    };
}

void MainWindow::clock_tick() {
    engine::FieldStore& fields = form_->fields();
    if (!clock_at_) clock_at_.emplace(fields);
    clock_log_.run([&] { engine::clock_run(fields, *clock_at_, s_.clock); });
}

void MainWindow::countdown_tick() {
    engine::FieldStore& fields = form_->fields();
    if (!countdown_at_) countdown_at_.emplace(fields);
    countdown_log_.record(engine::countdown_run(fields, *countdown_at_, stop_));
}

void MainWindow::hide_panel() {
    if (form_) form_->set_visible("Frame1", false);
}

void MainWindow::AddIcon(std::string tip) {
    try {
        record_ = tray_record(form_->window_handle(), form_->icon_handle(), tip);
        icon_added_ = true;
        s_.tray.add(record_tooltip(record_), [this](int code) {
            // The tray's notifications arrive as mouse moves whose x carries the code.
            notification({.x = static_cast<float>(code * s_.runtime.twips_per_pixel_x())});
        });
        s_.tray.on_availability([this](bool available) { tray_availability(available); });
        s_.tray.set_menu({
            {"Show",
             [this] {
                 if (form_ && form_->window_state() == forms::kMinimized) toggle();
             }},
            {"Close", [this] { close_program(); }},
        });
    } catch (const std::exception& e) {
        failure_step(e.what());
    }
}

void MainWindow::notification(const Mouse& mouse) {
    try {
        const auto code = notification_code(mouse.x, s_.runtime.twips_per_pixel_x());
        if (!code) throw std::overflow_error("Overflow");
        // A right-button release (517) opens the tray's own context menu; nothing to do here.
        if (*code == platform::kTrayLeftUp) toggle();
    } catch (const std::exception& e) {
        failure_step(e.what());
    }
}

void MainWindow::failure_step(const std::string& description) {
    s_.runtime.reset_pointer();
    const std::string caption = form_ ? form_->caption() : std::string(kMain.caption);
    s_.boxes.show(description, 64, std::string(identity::kProductName) + " - " + caption);
}

void MainWindow::toggle() {
    if (!form_) return;
    if (form_->window_state() == forms::kMinimized) {
        form_->set_window_state(forms::kNormal);
        form_->show();
        return;
    }
    form_->set_window_state(forms::kMinimized);
    // Without an icon in a notification area a hidden window could not be brought back:
    // then it stays minimized on the task bar.
    if (s_.tray.shown()) form_->hide();
}

void MainWindow::tray_availability(bool available) {
    // The notification area went away (the desktop shell stopped) while the window was in
    // it: put the window on the task bar, minimized, so it is never lost.
    if (!available && form_ && !form_->is_shown()) form_->show();
}

void MainWindow::unload_cleanup() {
    if (!icon_added_) return;
    icon_added_ = false;
    s_.tray.remove();
}

void MainWindow::close_program() {
    unload_cleanup();
    s_.runtime.end_program();
}

}  // namespace main_window
