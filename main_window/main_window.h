#pragma once
// Main's behaviour: the load step, the two runs on their timers and buttons, the caption
// strip and menu panel, the tray icon and the unload clean-up.

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "engine/clock.h"
#include "engine/clock_run.h"
#include "engine/countdown_run.h"
#include "engine/failure_log.h"
#include "main_window/tray_record.h"
#include "platform/forms/forms.h"
#include "platform/forms/message_box.h"
#include "platform/shell.h"
#include "platform/tray.h"

namespace main_window {

struct Services {
    forms::Runtime& runtime;
    platform::MessageBox& boxes;
    platform::Shell& shell;
    platform::Tray& tray;
    const engine::Clock& clock;
    engine::LineSink log;                       // where failed runs are reported, one line per cause
    std::function<void()> open_about;           // shows the single About window
    std::function<void()> open_arrival_window;  // a new arrival window, modeless
};

class MainWindow {
public:
    explicit MainWindow(Services services);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Loads Main (its load step hides the panel and adds the tray icon) and shows it where
    // the window manager places new windows.
    void start();

    // The loaded window; nullptr before start() and after it was unloaded.
    forms::Form* form() const { return form_; }

    // Hides the window to the tray or brings it back; WindowState alone decides.
    void toggle();

private:
    std::vector<forms::Binding> bindings();
    void AddIcon(std::string tip);
    void notification(const forms::Mouse& mouse);
    void failure_step(const std::string& description);
    void tray_availability(bool available);
    void unload_cleanup();
    void close_program();
    void hide_panel();
    void clock_tick();
    void countdown_tick();

    Services s_;
    forms::Form* form_ = nullptr;
    TrayRecord record_{};
    bool icon_added_ = false;
    // Where the runs' fields lie in the loaded form's store, looked up once at load.
    std::optional<engine::ClockFields> clock_at_;
    std::optional<engine::CountdownFields> countdown_at_;
    engine::CountdownActions stop_;
    engine::FailureLog clock_log_, countdown_log_, manual_clock_log_, manual_countdown_log_;
};

}  // namespace main_window
