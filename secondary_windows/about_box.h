#pragma once
// The About box: one window for the whole program, loaded on first request and unloaded by
// OK, Enter, Esc or its close box; a request while it is open brings the same window forward.

#include "platform/forms.h"
#include "platform/message_box.h"
#include "platform/shell.h"

namespace secondary {

class AboutBox {
public:
    AboutBox(forms::Runtime& runtime, platform::MessageBox& boxes, platform::Shell& shell);
    ~AboutBox();

    // Shows the About window modeless and without an owner, loading it first when it is not
    // loaded (which runs its load step).
    void open();
    bool is_open() const { return form_ != nullptr; }
    forms::Form* form() const { return form_; }

    // Starts the system-information tool, or says it is unavailable. Nothing in the program
    // calls it.
    void StartSysInfo();

private:
    forms::Runtime& runtime_;
    platform::MessageBox& boxes_;
    platform::Shell& shell_;
    forms::Form* form_ = nullptr;
};

}  // namespace secondary
