#include "secondary_windows/about_box.h"

#include <string>
#include <utility>

#include "identity/identity.h"
#include "secondary_windows/about_model.h"
#include "secondary_windows/sys_info.h"

namespace secondary {

using forms::Event;
using forms::Form;
using forms::Mouse;

namespace {

// Nothing can be started without a way to start programs.
class NoLauncher final : public platform::Launcher {
public:
    bool file_exists(const std::string&) override { return false; }
    void start(const std::string& path) override { throw platform::LaunchError("cannot start " + path); }
};

// "Version" and the three numbers, each as plain decimal digits without leading zeros.
std::string version_text() {
    using std::to_string;
    return "Version " + to_string(identity::kVersionMajor) + "." + to_string(identity::kVersionMinor) + "." +
           to_string(identity::kVersionRevision);
}

platform::AbsentRegistry no_registry;
NoLauncher no_launcher;

const char* const kLabel6Answers[] = {
    "here's a hint, it's not.",
    "but maybe it is",
    "it all depends on wether I decide to learn how to make one or not.",
};

}  // namespace

AboutBox::AboutBox(forms::Runtime& runtime, platform::MessageBox& boxes, platform::Shell& shell, std::string made_with)
    : AboutBox(runtime, boxes, shell, std::move(made_with), no_registry, no_launcher) {}

AboutBox::AboutBox(forms::Runtime& runtime, platform::MessageBox& boxes, platform::Shell& shell, std::string made_with,
                   platform::RegistrySource& registry, platform::Launcher& launcher)
    : runtime_(runtime),
      boxes_(boxes),
      shell_(shell),
      registry_(registry),
      launcher_(launcher),
      made_with_(std::move(made_with)),
      self_(std::make_shared<AboutBox*>(this)) {}

AboutBox::~AboutBox() { *self_ = nullptr; }

void AboutBox::open() {
    if (!form_) form_ = &runtime_.load(kAbout, bindings());  // runs the load step
    form_->show();
}

std::vector<forms::Binding> AboutBox::bindings() {
    // Each handler runs only while this AboutBox still exists.
    auto on = [self = self_](std::string_view control, Event event, void (*run)(AboutBox&, Form&)) {
        return forms::Binding{control, event, [self, run](Form& form, const Mouse&) {
                                  if (*self) run(**self, form);
                              }};
    };
    return {
        on("frmAbout", Event::Load,
           [](AboutBox& about, Form& form) {
               about.form_ = &form;
               form.set_caption("About " + std::string(identity::kProductName));
               form.fields().set("lblVersion", version_text());
               form.fields().set("lblTitle", std::string(identity::kProductName));
               form.fields().set("Label1", credit_line(about.made_with_));
           }),
        // However the window goes (OK, Enter, Esc, its close box, the window manager), the
        // next request loads it anew.
        on("frmAbout", Event::Unload, [](AboutBox& about, Form&) { about.form_ = nullptr; }),
        on("cmdOK", Event::Click, [](AboutBox&, Form& form) { form.unload(); }),
        on("Command1", Event::Click,
           [](AboutBox& about, Form&) { about.shell_.open("mailto:" + std::string(kContactAddress)); }),
        on("Label6", Event::Click,
           [](AboutBox& about, Form&) {
               for (const char* answer : kLabel6Answers) about.boxes_.show(answer, 0);
           }),
    };
}

void AboutBox::StartSysInfo() { secondary::StartSysInfo(registry_, launcher_, boxes_); }

}  // namespace secondary
