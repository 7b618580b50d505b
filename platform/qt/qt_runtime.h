#pragma once
// The forms runtime and the message boxes on Qt Widgets. One instance for the program,
// made after the QApplication.
//
// The program ends when the last loaded window has gone (closed by the window manager or
// unloaded), or at once by end_program(); closing a window never ends it by Qt's own rule,
// so a hidden main window survives the closing of the About box.

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/form_list.h"
#include "platform/forms/forms.h"
#include "platform/forms/message_box.h"

namespace platform_qt {

class QtForm;

class QtRuntime final : public forms::Runtime, public platform::MessageBox {
public:
    // The application's title is what a message box without a title of its own bears.
    explicit QtRuntime(std::string application_title);
    ~QtRuntime() override;
    QtRuntime(const QtRuntime&) = delete;
    QtRuntime& operator=(const QtRuntime&) = delete;

    forms::Form& load(const forms::WindowModel& model, std::vector<forms::Binding> bindings) override;
    void end_program() override;
    double twips_per_pixel_x() const override;
    void reset_pointer() override;

    void show(const std::string& prompt, int style, const std::optional<std::string>& title = std::nullopt) override;

    // Runs the program's loop until the program ends; at once if it has ended already.
    int run();

    // The loaded windows, oldest first (unloaded ones are gone from here at once).
    std::vector<QtForm*> forms() const;
    QtForm* find(std::string_view model_name) const;
    bool ending() const { return windows_.ending(); }

    // From the forms: a window has been unloaded; a handler failed with an exception that
    // nothing caught (reported once per distinct text, on standard error).
    void form_gone(QtForm& form);
    void reap_later();
    void report_failure(std::string_view control, std::string_view what);

private:
    void reap();
    void leave_event_loop();

    std::string application_title_;
    forms::RuntimeWindows<QtForm> windows_;  // loaded, and unloaded ones not yet freed
    QObject context_;                        // queued work dies with the runtime
    bool reap_queued_ = false;
};

}  // namespace platform_qt
