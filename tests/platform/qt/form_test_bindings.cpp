// A binding is checked when its window loads, the same way on every runtime: a name the window
// does not have, or an event its control never raises, fails the load with the window, the
// control and the event named, instead of a handler that silently never runs.

#include <functional>
#include <string>
#include <vector>

#include "platform/fakes/fake_forms.h"
#include "platform/form_bindings.h"
#include "tests/platform/qt/qt_harness.h"

namespace {

using namespace qt_test;

struct Case {
    const char* what;
    std::string_view control;
    Event event;
    bool loads;
};

const Case kBindings[] = {
    {"the window's load", "Probe", Event::Load, true},
    {"a click on the window's surface", "Probe", Event::Click, true},
    {"the pointer over the window", "Probe", Event::MouseMove, true},
    {"the window's unload", "Probe", Event::Unload, true},
    {"a label pressed", "Caption", Event::MouseDown, true},
    {"a label clicked", "Strip", Event::Click, true},
    {"a button clicked", "Ok", Event::Click, true},
    {"a button in a frame clicked", "Inside", Event::Click, true},
    {"a timer that is on", "Ticker", Event::Tick, true},
    {"a timer that is off", "Idle", Event::Tick, true},
    {"a misspelt control", "Caption2", Event::Click, false},
    {"a name in the wrong case", "ok", Event::Click, false},
    {"another window's name", "Dialog", Event::Load, false},
    {"no name at all", "", Event::Click, false},
    {"a timer clicked", "Ticker", Event::Click, false},
    {"a button ticking", "Ok", Event::Tick, false},
    {"a button pressed", "Ok", Event::MouseDown, false},
    {"a label loaded", "Caption", Event::Load, false},
    {"a frame clicked", "Panel", Event::Click, false},
    {"a line clicked", "Cross", Event::Click, false},
    {"a shape clicked", "Box", Event::Click, false},
    {"a picture clicked", "Pic", Event::Click, false},
    {"the window ticking", "Probe", Event::Tick, false},
    {"the window pressed", "Probe", Event::MouseDown, false},
};

TEST(BindingCheck, ABindingTheWindowCannotRaiseFailsItsLoadOnEveryRuntime) {
    fakes::FakeRuntime fake;
    platform_qt::QtRuntime qt{kAppTitle};
    struct Target {
        const char* name;
        forms::Runtime& runtime;
        std::function<bool()> probe_loaded;
    };
    const Target kTargets[] = {
        {"fake", fake, [&] { return !fake.windows(kProbe.name).empty(); }},
        {"Qt", qt, [&] { return qt.find(kProbe.name) != nullptr; }},
    };
    for (const Target& t : kTargets)
        for (const Case& c : kBindings) {
            SCOPED_TRACE(std::string(t.name) + ": " + c.what);
            EventLog log;
            // The binding under test comes after a good one: every binding is looked at.
            std::vector<forms::Binding> bindings = {log.record("Probe", Event::Load),
                                                    {c.control, c.event, [](forms::Form&, const forms::Mouse&) {}}};
            if (c.loads) {
                forms::Form& form = t.runtime.load(kProbe, std::move(bindings));
                EXPECT_EQ(log.lines, std::vector<std::string>{"Probe/Load"});
                form.unload();
                continue;
            }
            try {
                t.runtime.load(kProbe, std::move(bindings));
                ADD_FAILURE() << "loaded";
            } catch (const forms::BindingError& e) {
                EXPECT_EQ(e.window(), "Probe");
                EXPECT_EQ(e.control(), c.control);
                EXPECT_EQ(e.event(), c.event);
                const std::string said = e.what();
                EXPECT_NE(said.find("Probe"), std::string::npos) << said;
                EXPECT_NE(said.find(std::string(c.control) + "/" + std::string(forms::event_name(c.event))),
                          std::string::npos)
                    << said;
            }
            EXPECT_TRUE(log.lines.empty());  // the window's load step never ran
            EXPECT_FALSE(t.probe_loaded());
        }
    settle(5);
}

}  // namespace
