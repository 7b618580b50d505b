#pragma once
// The forms runtime and the message boxes on the Win32 API. One instance for the program,
// on the thread that runs its message loop.
//
// The program ends when the last loaded window has gone (closed or unloaded), or at once by
// end_program(): either posts the loop's quit, which also ends any message box's loop.

#include <windows.h>
// windows.h names MessageBoxA or MessageBoxW "MessageBox", which would rename the interface.
#undef MessageBox

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/form_list.h"
#include "platform/forms/forms.h"
#include "platform/forms/message_box.h"

namespace platform_win32 {

class Win32Form;

class Win32Runtime final : public forms::Runtime, public platform::MessageBox {
public:
    // The application's title is what a message box without a title of its own bears.
    explicit Win32Runtime(std::string application_title);
    ~Win32Runtime() override;
    Win32Runtime(const Win32Runtime&) = delete;
    Win32Runtime& operator=(const Win32Runtime&) = delete;

    forms::Form& load(const forms::WindowModel& model, std::vector<forms::Binding> bindings) override;
    void end_program() override;
    double twips_per_pixel_x() const override;
    void reset_pointer() override;

    void show(const std::string& prompt, int style, const std::optional<std::string>& title = std::nullopt) override;

    // Takes messages until the program ends; returns its exit code. Tab, Shift-Tab, Enter and
    // Esc in a window go to its buttons as in a dialog.
    int run();
    // Takes every message waiting now (for tests); false once the program has ended.
    bool pump();
    // Hands a message to the window it is for, as run() does.
    void deliver(MSG& msg);

    // The loaded windows, oldest first (unloaded ones are gone from here at once).
    std::vector<Win32Form*> forms() const;
    Win32Form* find(std::string_view model_name) const;
    bool ending() const { return windows_.ending(); }

    // From the forms: a window has been unloaded; a handler failed with an exception that
    // nothing caught (reported once per distinct text, on standard error).
    void form_gone(Win32Form& form);
    void report_failure(std::string_view control, std::string_view what);

    // The message box's settings as MessageBoxW takes them (for tests).
    struct BoxCall {
        HWND owner;
        std::wstring text, title;
        UINT style;
    };
    BoxCall box_call(const std::string& prompt, int style, const std::optional<std::string>& title) const;

private:
    void reap();

    std::string application_title_;
    forms::RuntimeWindows<Win32Form> windows_;  // loaded, and unloaded ones not yet freed
    bool quit_posted_ = false;
    bool com_ = false;
};

}  // namespace platform_win32
