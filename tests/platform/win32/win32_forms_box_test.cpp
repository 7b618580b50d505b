// A message box's style becomes the settings MessageBoxW is asked for; the box is modal to
// every window of the program and timers tick while it is up. (The buttons, icon and title
// the system shows: forms_contract.h, on every runtime.)

#include <gtest/gtest.h>

#include "tests/platform/win32/win32_box_reader.h"
#include "tests/platform/win32/win32_forms_fixture.h"

namespace {

using win32_test::SeenBox;

TEST(Boxes, TheStyleBecomesADefinedButtonSetAndIconTaskModal) {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    struct Case {
        int style;
        UINT asked;  // besides task modality
    };
    const Case kCases[] = {
        {0, MB_OK},
        {1, MB_OKCANCEL},
        {2, MB_ABORTRETRYIGNORE},
        {3, MB_YESNOCANCEL},
        {4, MB_YESNO},
        {5, MB_RETRYCANCEL},
        {16, MB_ICONHAND},
        {32 + 4, MB_ICONQUESTION | MB_YESNO},
        {48, MB_ICONEXCLAMATION},
        {64 + 1, MB_ICONASTERISK | MB_OKCANCEL},
        {27, MB_OK | MB_ICONHAND},  // the farewell box: code 11 names no button set
        {6 + 4096, MB_OK},          // neither a set nor system modality gets through
    };
    for (const Case& c : kCases)
        EXPECT_EQ(runtime.box_call("Prompt", c.style, std::nullopt).style, c.asked | MB_TASKMODAL)
            << "style " << c.style;
    const auto call = runtime.box_call(std::string("one\0two", 7), 64, std::nullopt);
    EXPECT_EQ(call.text, L"one") << "the prompt ends at a NUL";
}

constexpr forms::Control kNone[] = {{.name = "T", .kind = forms::Kind::Timer, .interval_ms = 20}};
constexpr forms::WindowModel kOwner{
    .name = "O", .caption = "owner", .client_width = 1500, .client_height = 750, .controls = kNone};

TEST(Boxes, TheBoxIsModalToEveryWindowAndOpensOverTheActiveOne) {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    auto& other = static_cast<platform_win32::Win32Form&>(runtime.load(kOwner, {}));
    auto& form = static_cast<platform_win32::Win32Form&>(runtime.load(kOwner, {}));
    other.show();
    form.show();
    win32_test::pump_for(runtime, std::chrono::milliseconds(100));
    ASSERT_EQ(GetActiveWindow(), form.hwnd());
    win32_test::g_watched = other.hwnd();
    const SeenBox box = win32_test::read_box(runtime, "Prompt", 0, std::nullopt, 100);
    win32_test::g_watched = nullptr;
    EXPECT_EQ(box.owner, form.hwnd()) << "it opens over the active window";
    EXPECT_FALSE(box.watched_enabled) << "the other window takes no input meanwhile";
    EXPECT_TRUE(IsWindowEnabled(other.hwnd())) << "and is enabled again after";
}

}  // namespace
