// A message box is modal to every window of the program, and only to them.

#include <gtest/gtest.h>

#include "tests/platform/win32/win32_driver.h"

namespace {

// The buttons and icon the system shows for each style, its title and prompt: forms_boxes.h.
// What it is asked for besides: task modality, never the system's.
TEST(Boxes, EveryBoxIsAskedForTaskModal) {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    for (const int style : {0, 4 + 32, 27, 6 + 4096})
        EXPECT_EQ(runtime.box_call("Prompt", style, std::nullopt).style & (MB_TASKMODAL | MB_SYSTEMMODAL),
                  static_cast<UINT>(MB_TASKMODAL))
            << "style " << style;
}

constexpr forms::Control kNone[] = {{.name = "T", .kind = forms::Kind::Timer, .interval_ms = 20}};
constexpr forms::WindowModel kOwner{
    .name = "O", .caption = "owner", .client_width = 1500, .client_height = 750, .controls = kNone};

TEST(Boxes, TheBoxIsModalToEveryWindowAndOpensOverTheActiveOne) {
    win32_test::Win32Driver d;
    auto& other = static_cast<platform_win32::Win32Form&>(d.runtime.load(kOwner, {}));
    auto& form = static_cast<platform_win32::Win32Form&>(d.runtime.load(kOwner, {}));
    other.show();
    d.show(form);
    ASSERT_EQ(GetActiveWindow(), form.hwnd());
    d.box_reader.watched = other.hwnd();
    d.read_box("Prompt", 0, std::nullopt, 100);
    EXPECT_EQ(d.box_reader.owner, form.hwnd()) << "it opens over the active window";
    EXPECT_FALSE(d.box_reader.watched_enabled) << "the other window takes no input meanwhile";
    EXPECT_TRUE(IsWindowEnabled(other.hwnd())) << "and is enabled again after";
}

}  // namespace
