// The About box against the fake runtime: one instance, its load step each time it is
// loaded, the mail link, Label6's three answers, and the launcher it carries.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "identity/identity.h"
#include "platform/fakes/fake_forms.h"
#include "platform/fakes/fake_launcher.h"
#include "platform/fakes/fake_platform.h"
#include "platform/fakes/fake_registry.h"
#include "secondary_windows/about_box.h"
#include "secondary_windows/about_model.h"

namespace {

struct AboutHarness {
    fakes::FakeRuntime runtime;
    fakes::FakeShell shell;
    secondary::AboutBox about{runtime, runtime, shell, "C++ and the Win32 API"};

    fakes::FakeForm& window() { return runtime.window("frmAbout"); }
    std::size_t windows() const { return runtime.windows("frmAbout").size(); }
};

void expect_loaded_texts(fakes::FakeForm& form) {
    EXPECT_EQ(form.caption(), "About Velmora Fest Countdown");
    EXPECT_EQ(form.fields().get("lblVersion"), "Version " + std::string(identity::kVersion));
    EXPECT_EQ(form.fields().get("lblTitle"), "Velmora Fest Countdown");
    EXPECT_EQ(form.fields().get("Label1"), secondary::credit_line("C++ and the Win32 API"))
        << "the credit names what the build it was given is made with";
}

TEST(AboutBox, OpenLoadsAndShowsTheWindowWithItsTexts) {
    AboutHarness h;
    h.about.open();
    ASSERT_TRUE(h.about.is_open());
    EXPECT_EQ(h.about.form(), &h.window());
    EXPECT_TRUE(h.window().is_shown());
    expect_loaded_texts(h.window());
    // The design texts of the rest stay as they were.
    EXPECT_EQ(h.window().fields().get("Label3"), "DISCLAIMER:");
}

TEST(AboutBox, ASecondRequestBringsTheSameWindowForwardWithoutLoadingAgain) {
    AboutHarness h;
    h.about.open();
    fakes::FakeForm* first = &h.window();
    first->fields().set("lblTitle", "changed while open");
    h.about.open();
    EXPECT_EQ(h.windows(), 1u);
    EXPECT_EQ(&h.window(), first);
    EXPECT_EQ(h.runtime.loads(), 1);
    EXPECT_EQ(first->shows(), 2);
    EXPECT_EQ(first->fields().get("lblTitle"), "changed while open") << "no second load step";
}

TEST(AboutBox, OkUnloadsAndTheNextRequestLoadsItAnew) {
    AboutHarness h;
    h.about.open();
    ASSERT_TRUE(h.window().click("cmdOK"));
    EXPECT_FALSE(h.about.is_open());
    EXPECT_EQ(h.windows(), 0u);

    h.about.open();
    EXPECT_EQ(h.runtime.loads(), 2);
    ASSERT_EQ(h.windows(), 1u);
    expect_loaded_texts(h.window());
    EXPECT_TRUE(h.window().is_shown());
}

// The close box and the window manager unload the window without OK: the Unload event
// alone must reset the instance.
TEST(AboutBox, ACloseByTheWindowManagerResetsTheInstance) {
    AboutHarness h;
    h.about.open();
    h.window().unload();
    EXPECT_FALSE(h.about.is_open());
    EXPECT_EQ(h.about.form(), nullptr);
    h.about.open();
    EXPECT_EQ(h.runtime.loads(), 2);
    EXPECT_EQ(h.windows(), 1u);
    EXPECT_EQ(h.about.form(), &h.window());
}

TEST(AboutBox, TheMailButtonHandsTheAddressToTheShellAndStaysOpen) {
    AboutHarness h;
    h.about.open();
    ASSERT_TRUE(h.window().click("Command1"));
    ASSERT_TRUE(h.window().click("Command1"));
    EXPECT_EQ(h.shell.opened, (std::vector<std::string>{"mailto:ardo@example.org", "mailto:ardo@example.org"}));
    EXPECT_TRUE(h.about.is_open());
    EXPECT_TRUE(h.runtime.boxes().empty()) << "nothing is reported";
}

TEST(AboutBox, Label6AnswersEachClickWithItsThreeBoxesInOrder) {
    AboutHarness h;
    h.about.open();
    ASSERT_TRUE(h.window().click("Label6"));
    ASSERT_TRUE(h.window().click("Label6"));
    const char* const expected[] = {
        "here's a hint, it's not.",
        "but maybe it is",
        "it all depends on wether I decide to learn how to make one or not.",
    };
    const auto& boxes = h.runtime.boxes();
    ASSERT_EQ(boxes.size(), 6u);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(boxes[i].prompt, expected[i % 3]);
        EXPECT_EQ(boxes[i].style, 0);
        EXPECT_FALSE(boxes[i].title.has_value());
    }
    EXPECT_TRUE(h.about.is_open());
}

// The window may outlive its AboutBox at the end of the program; its events then do nothing.
TEST(AboutBox, AWindowThatOutlivesItsBoxIgnoresItsEvents) {
    fakes::FakeRuntime runtime;
    fakes::FakeShell shell;
    auto about = std::make_unique<secondary::AboutBox>(runtime, runtime, shell, "C++ with Qt");
    about->open();
    fakes::FakeForm& form = runtime.window("frmAbout");
    about.reset();
    EXPECT_TRUE(form.click("Label6"));
    EXPECT_TRUE(form.click("Command1"));
    EXPECT_TRUE(runtime.boxes().empty());
    EXPECT_TRUE(shell.opened.empty());
    form.unload();
    EXPECT_TRUE(runtime.windows("frmAbout").empty());
}

TEST(AboutBox, WithoutARegistryStartSysInfoSaysTheToolIsUnavailable) {
    AboutHarness h;
    h.about.open();
    h.about.StartSysInfo();
    ASSERT_EQ(h.runtime.boxes().size(), 1u);
    EXPECT_EQ(h.runtime.boxes()[0].prompt, "System Information Is Unavailable At This Time");
    EXPECT_EQ(h.runtime.boxes()[0].style, 0);
    EXPECT_TRUE(h.about.is_open()) << "the About window stays as it was";
}

TEST(AboutBox, StartSysInfoUsesTheRegistryAndLauncherItWasGiven) {
    fakes::FakeRuntime runtime;
    fakes::FakeShell shell;
    fakes::FakeRegistry registry;
    fakes::FakeLauncher launcher;
    const std::string tool = "C:\\Windows\\msinfo32.exe";
    registry.add_key(platform::kLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    registry.set_text(platform::kLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", tool);
    launcher.files = {tool};
    secondary::AboutBox about(runtime, runtime, shell, "C++ with Qt", registry, launcher);
    about.StartSysInfo();
    EXPECT_EQ(launcher.started, std::vector<std::string>{tool});
    EXPECT_TRUE(runtime.boxes().empty());
    EXPECT_FALSE(about.is_open()) << "starting the tool does not open the window";
}

}  // namespace
