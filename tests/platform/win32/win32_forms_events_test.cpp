// Events reach the handlers bound to them by control name: presses and clicks on labels and
// on the window's surface, buttons, load and unload; Tab follows the tab indexes across
// frames, Enter and Esc press their buttons, and a hidden frame hides its buttons. (Timers,
// look-ups and the window's state: forms_contract.h.)

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/win32/win32_forms_fixture.h"

namespace {

using forms::Control;
using forms::Event;
using forms::Kind;

// 200 x 100 pixels at 96 dpi. A (0, 0) 20 x 20 lies over B (10, 10) 20 x 20.
constexpr Control kControls[] = {
    {.name = "A", .kind = Kind::Label, .rect = {0, 0, 300, 300}},
    {.name = "B", .kind = Kind::Label, .rect = {150, 150, 300, 300}},
    {.name = "Btn", .kind = Kind::Button, .text = "Go", .rect = {1500, 0, 900, 375}, .tab = 1},
};
constexpr forms::WindowModel kModel{
    .name = "W", .caption = "events", .client_width = 3000, .client_height = 1500, .controls = kControls};

struct Events : ::testing::Test {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    win32_test::EventLog log;
    platform_win32::Win32Form* form = nullptr;

    void SetUp() override {
        std::vector<forms::Binding> b;
        for (const char* label : {"A", "B"}) {
            b.push_back(log.on(label, Event::MouseDown));
            b.push_back(log.on(label, Event::Click));
        }
        for (Event e : {Event::Load, Event::Click, Event::MouseMove, Event::Unload}) b.push_back(log.on("W", e));
        b.push_back(log.on("Btn", Event::Click));
        // A second handler of an event, bound after others: it runs after the first.
        b.push_back({"A", Event::Click, [this](forms::Form&, const forms::Mouse&) { log.lines.push_back("A again"); }});
        form = static_cast<platform_win32::Win32Form*>(&runtime.load(kModel, std::move(b)));
        form->show();
        win32_test::pump_for(runtime, std::chrono::milliseconds(100));
    }
};

TEST_F(Events, PressesGoToTheFrontMostLabelOrTheWindow) {
    struct Case {
        const char* what;
        UINT down, up;  // up 0: no release
        WPARAM keys;
        int x, y, up_x, up_y;
        std::vector<std::string> expect;
    };
    const Case kCases[] = {
        {"a click on A where it lies over B",
         WM_LBUTTONDOWN,
         WM_LBUTTONUP,
         0,
         12,
         12,
         12,
         12,
         {"A MouseDown 1 0 180 180", "A Click 1 0 180 180", "A again"}},
        {"the right button on B with shift",
         WM_RBUTTONDOWN,
         0,
         MK_RBUTTON | MK_SHIFT,
         25,
         25,
         0,
         0,
         {"B MouseDown 2 1 375 375"}},
        {"the middle button with control",
         WM_MBUTTONDOWN,
         0,
         MK_MBUTTON | MK_CONTROL,
         2,
         2,
         0,
         0,
         {"A MouseDown 4 2 30 30"}},
        {"let go outside the label: no click",
         WM_LBUTTONDOWN,
         WM_LBUTTONUP,
         0,
         5,
         5,
         50,
         50,
         {"A MouseDown 1 0 75 75"}},
        {"the bare surface is the window's",
         WM_LBUTTONDOWN,
         WM_LBUTTONUP,
         0,
         150,
         80,
         151,
         80,
         {"W Click 1 0 2265 1200"}},
    };
    for (const Case& c : kCases) {
        log.lines.clear();
        SendMessageW(form->hwnd(), c.down, c.keys | (c.down == WM_LBUTTONDOWN ? MK_LBUTTON : 0), MAKELPARAM(c.x, c.y));
        if (c.up) SendMessageW(form->hwnd(), c.up, c.keys, MAKELPARAM(c.up_x, c.up_y));
        EXPECT_EQ(log.lines, c.expect) << c.what;
    }
}

TEST_F(Events, ButtonsMovesLoadAndUnloadReachTheirHandlers) {
    EXPECT_EQ(log.count("W Load"), 1u);
    log.lines.clear();
    SendMessageW(form->control_window("Btn"), BM_CLICK, 0, 0);
    EXPECT_EQ(log.count("Btn Click"), 1u);

    // A tray notification's road: a move whose x in pixels is the code.
    SendMessageW(form->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(0x202, 0));
    EXPECT_EQ(log.count("W MouseMove"), 1u);

    // The close box: the unload step runs, the window goes and with it the program.
    SendMessageW(form->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(log.count("W Unload"), 1u);
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

// Tab indexes across the window and a frame: A 1, the frame 2 with F2 5 and F1 4, C 3, then
// the default button D 8 and the cancel button X 9.
constexpr Control kKeys[] = {
    {.name = "C", .kind = Kind::Button, .text = "C", .rect = {0, 0, 600, 300}, .tab = 3},
    {.name = "A", .kind = Kind::Button, .text = "A", .rect = {0, 400, 600, 300}, .tab = 1},
    {.name = "F", .kind = Kind::Frame, .rect = {700, 0, 1500, 1200}, .tab = 2},
    {.name = "F2", .kind = Kind::Button, .text = "F2", .rect = {60, 60, 600, 300}, .tab = 5, .container = "F"},
    {.name = "F1", .kind = Kind::Button, .text = "F1", .rect = {60, 500, 600, 300}, .tab = 4, .container = "F"},
    {.name = "D", .kind = Kind::Button, .text = "D", .rect = {2300, 0, 600, 300}, .tab = 8, .is_default = true},
    {.name = "X", .kind = Kind::Button, .text = "X", .rect = {2300, 400, 600, 300}, .tab = 9, .is_cancel = true},
};
constexpr forms::WindowModel kKeysModel{
    .name = "K", .caption = "keys", .client_width = 3000, .client_height = 1500, .controls = kKeys};

struct Keys : ::testing::Test {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    win32_test::EventLog log;
    platform_win32::Win32Form* form = nullptr;

    void SetUp() override {
        std::vector<forms::Binding> b;
        for (const char* name : {"A", "C", "D", "X", "F1", "F2"}) b.push_back(log.on(name, Event::Click));
        form = static_cast<platform_win32::Win32Form*>(&runtime.load(kKeysModel, std::move(b)));
    }
    std::string focused() const {
        for (const char* name : {"A", "C", "D", "X", "F1", "F2"})
            if (form->control_window(name) == GetFocus()) return name;
        return "(none)";
    }
    void key(UINT vk) {
        for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
            MSG msg{.hwnd = GetFocus(), .message = message, .wParam = vk, .lParam = 1, .time = 0, .pt = {}};
            runtime.deliver(msg);
        }
        win32_test::pump_for(runtime, std::chrono::milliseconds(20));
    }
};

TEST_F(Keys, TabFollowsTheTabIndexesAndSkipsWhatIsHidden) {
    form->show();
    win32_test::pump_for(runtime, std::chrono::milliseconds(100));
    ASSERT_EQ(GetForegroundWindow(), form->hwnd());
    std::vector<std::string> seen{focused()};
    for (int i = 0; i < 6; ++i) {
        key(VK_TAB);
        seen.push_back(focused());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"A", "C", "F1", "F2", "D", "X", "A"}));
    ASSERT_TRUE(form->step_focus(true));
    EXPECT_EQ(focused(), "X") << "backwards round the start";

    form->set_visible("F", false);
    EXPECT_FALSE(IsWindowVisible(form->control_window("F1"))) << "the frame hides its buttons";
    EXPECT_TRUE(form->is_visible("F1")) << "which keep their own setting";
    SetFocus(form->control_window("C"));
    key(VK_TAB);
    EXPECT_EQ(focused(), "D");
}

TEST_F(Keys, TheFocusStartsAtTheLowestShownTabIndex) {
    form->set_visible("A", false);
    form->show();
    win32_test::pump_for(runtime, std::chrono::milliseconds(100));
    EXPECT_EQ(focused(), "C");
}

TEST_F(Keys, EnterPressesTheFocusedButtonAndEscTheCancelButton) {
    form->show();
    win32_test::pump_for(runtime, std::chrono::milliseconds(100));
    struct Case {
        const char* focus;
        UINT vk;
        const char* pressed;
    };
    const Case kCases[] = {{"C", VK_RETURN, "C Click"},
                           {"D", VK_RETURN, "D Click"},
                           {"C", VK_ESCAPE, "X Click"},
                           {"F2", VK_SPACE, "F2 Click"}};
    for (const Case& c : kCases) {
        log.lines.clear();
        for (int i = 0; i < 8 && focused() != c.focus; ++i) form->step_focus(false);
        ASSERT_EQ(focused(), c.focus);
        key(c.vk);
        EXPECT_EQ(log.lines, std::vector<std::string>{std::string(c.pressed) + " 0 0 0 0"})
            << c.focus << " and key " << c.vk;
    }
}

}  // namespace
