#pragma once
// The About box: one window for the whole program, loaded on first request and unloaded by
// OK, Enter, Esc or its close box; a request while it is open brings the same window forward.

#include <memory>
#include <string>
#include <vector>

#include "platform/forms/forms.h"
#include "platform/forms/message_box.h"
#include "platform/launcher.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace secondary {

class AboutBox {
public:
    // made_with is what the build is made with, as the credit line names it ("C++ with Qt").
    // Without a registry there is nothing to find the system-information tool by, so
    // StartSysInfo can only say it is unavailable.
    AboutBox(forms::Runtime& runtime, platform::MessageBox& boxes, platform::Shell& shell, std::string made_with);
    AboutBox(forms::Runtime& runtime, platform::MessageBox& boxes, platform::Shell& shell, std::string made_with,
             platform::RegistrySource& registry, platform::Launcher& launcher);
    AboutBox(const AboutBox&) = delete;
    AboutBox& operator=(const AboutBox&) = delete;
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
    std::vector<forms::Binding> bindings();

    forms::Runtime& runtime_;
    platform::MessageBox& boxes_;
    platform::Shell& shell_;
    platform::RegistrySource& registry_;
    platform::Launcher& launcher_;
    std::string made_with_;
    forms::Form* form_ = nullptr;
    // The window's handlers reach this object only while it exists: the window may outlive
    // it at the end of the program.
    std::shared_ptr<AboutBox*> self_;
};

}  // namespace secondary
