// What only the Win32 window does: a button's click message, the move of the pointer, the
// close box and a hidden window ending a button's tracking of the pointer. (Presses, clicks,
// keys, focus, timers, look-ups and the window's state: forms_input.h and forms_contract.h, on
// every runtime.)

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/win32/win32_driver.h"

namespace {

using forms::Control;
using forms::Event;
using forms::Kind;

// 200 x 100 pixels at 96 dpi.
constexpr Control kControls[] = {
    {.name = "Btn", .kind = Kind::Button, .text = "Go", .rect = {1500, 0, 900, 375}, .tab = 1},
};
constexpr forms::WindowModel kModel{
    .name = "W", .caption = "events", .client_width = 3000, .client_height = 1500, .controls = kControls};

struct Events : ::testing::Test, win32_test::Win32Driver {
    probe::EventLog log;
    platform_win32::Win32Form* form = nullptr;

    void SetUp() override {
        std::vector<forms::Binding> b;
        for (Event e : {Event::Load, Event::Click, Event::MouseMove, Event::Unload}) b.push_back(log.record("W", e));
        b.push_back(log.record("Btn", Event::Click));
        form = static_cast<platform_win32::Win32Form*>(&runtime.load(kModel, std::move(b)));
        show(*form);
    }
};

TEST_F(Events, ButtonsMovesLoadAndUnloadReachTheirHandlers) {
    EXPECT_EQ(log.count("W/Load"), 1);
    log.clear();
    SendMessageW(form->control_window("Btn"), BM_CLICK, 0, 0);
    EXPECT_EQ(log.count("Btn/Click"), 1);

    // A move over the window's surface, past its right edge as a captured pointer's may be.
    SendMessageW(form->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(0x202, 0));
    EXPECT_EQ(log.count("W/MouseMove"), 1);

    // The close box: the unload step runs, the window goes and with it the program.
    SendMessageW(form->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(log.count("W/Unload"), 1);
    EXPECT_TRUE(runtime.forms().empty());
    EXPECT_FALSE(runtime.pump()) << "the last window gone ends the program";
}

// A button under the pointer tracks it until the pointer leaves; hidden under a pointer at
// rest, the window ends the tracking itself.
TEST_F(Events, HidingTheWindowEndsAButtonsTrackingOfThePointer) {
    HWND button = form->control_window("Btn");
    RECT r;
    GetWindowRect(button, &r);
    ASSERT_TRUE(SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    // As comctl32's buttons track the pointer for their hot look.
    TRACKMOUSEEVENT hot{.cbSize = sizeof(hot), .dwFlags = TME_HOVER | TME_LEAVE, .hwndTrack = button, .dwHoverTime = 1};
    ASSERT_TRUE(TrackMouseEvent(&hot));
    TRACKMOUSEEVENT query{.cbSize = sizeof(query), .dwFlags = TME_QUERY, .hwndTrack = nullptr, .dwHoverTime = 0};
    ASSERT_TRUE(TrackMouseEvent(&query));
    ASSERT_EQ(query.hwndTrack, button) << "the button tracks the pointer over it";
    form->hide();
    query = {.cbSize = sizeof(query), .dwFlags = TME_QUERY, .hwndTrack = nullptr, .dwHoverTime = 0};
    ASSERT_TRUE(TrackMouseEvent(&query));
    EXPECT_EQ(query.dwFlags & (TME_HOVER | TME_LEAVE), 0u) << "still tracked by " << query.hwndTrack;
}

}  // namespace
