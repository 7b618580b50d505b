// The About box and the arrival window on the fake runtime: a click fires the control's
// Click (and must reach a handler), Enter and Esc press the default and the cancel button,
// the close box unloads, and a box is read from what the runtime was handed.

#include "platform/fakes/fake_forms.h"
#include "tests/secondary_windows/secondary_contract.h"

namespace {

using namespace secondary_contract;

struct FakeDriver {
    fakes::FakeRuntime runtime;
    fakes::FakeShell shell;

    void settle() {
        for (fakes::FakeForm* f : runtime.forms()) f->settle();
    }
    void click(forms::Form& form, std::string_view control) {
        EXPECT_TRUE(fake(form).click(control)) << control << " has no Click handler";
    }
    void key(forms::Form& form, Key key) {
        for (const forms::Control& c : fake(form).model().controls)
            if (c.kind == forms::Kind::Button && (key == Key::Enter ? c.is_default : c.is_cancel))
                return click(form, c.name);
        ADD_FAILURE() << "no button takes the key";
    }
    void close_box(forms::Form& form) { form.unload(); }
    std::string text(forms::Form& form, std::string_view label) { return form.fields().get(label); }
    std::vector<forms::Form*> windows(std::string_view model_name) const {
        const auto all = runtime.windows(model_name);
        return {all.begin(), all.end()};
    }
    int on_screen(const std::string& title) const {
        int n = 0;
        for (fakes::FakeForm* f : runtime.forms()) n += f->is_shown() && f->caption() == title;
        return n;
    }
    // The prompt's lines are those its CR LF pairs part: a lone CR or LF stays in its line.
    std::vector<Box> boxes() const {
        std::vector<Box> out;
        for (const fakes::ShownBox& shown : runtime.boxes()) {
            const platform::BoxLayout layout = platform::box_layout(shown.style);
            Box box{.title = shown.title.value_or(kAppTitle), .buttons = layout.buttons, .icon = layout.icon};
            for (std::size_t from = 0, end = 0; end != std::string::npos; from = end + 2) {
                end = shown.prompt.find("\r\n", from);
                box.lines.push_back(shown.prompt.substr(from, end - from));
            }
            out.push_back(std::move(box));
        }
        return out;
    }

private:
    static fakes::FakeForm& fake(forms::Form& form) { return static_cast<fakes::FakeForm&>(form); }
};

// What only the fake sees: a window is loaded once per opening and shown once per request,
// and the boxes' styles and titles are handed over as written.
TEST(SecondaryWindowsOnTheFake, AWindowLoadsOncePerOpeningAndBoxesAreHandedOverAsWritten) {
    FakeDriver d;
    secondary::AboutBox about(d.runtime, d.runtime, d.shell, kMadeWith);
    about.open();
    about.open();
    EXPECT_EQ(d.runtime.loads(), 1);
    EXPECT_EQ(d.runtime.window("frmAbout").shows(), 2) << "a second request brings the window forward";
    d.click(*about.form(), "Label6");
    about.form()->unload();
    about.open();
    EXPECT_EQ(d.runtime.loads(), 2);
    d.click(secondary::open_arrival_window(d.runtime, d.runtime), "Command1");
    EXPECT_EQ(d.runtime.window("VEF2D").shows(), 1);
    const auto& boxes = d.runtime.boxes();
    ASSERT_EQ(boxes.size(), 4u);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(boxes[i].style == 0 && !boxes[i].title) << i;
    EXPECT_EQ(boxes[3].style, 27) << "the critical-stop icon with a button set that names none";
    EXPECT_EQ(boxes[3].title, "Just so you know...");
}

}  // namespace

namespace secondary_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, SecondaryWindows, FakeDriver);
}  // namespace secondary_contract
