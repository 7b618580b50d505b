// The tray icon's record as Shell_NotifyIconA gets it, notifications reaching notify as their
// codes, its menu on the right button, and the icon placed again when the shell announces
// TaskbarCreated.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_tray.h"
#include "tests/platform/win32/win32_forms_fixture.h"

namespace {

struct Call {
    DWORD message;
    NOTIFYICONDATAA data;
};

struct Tray : ::testing::Test {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    std::vector<Call> calls;
    BOOL answer = TRUE;
    BOOL modify_answer = TRUE;  // NIM_MODIFY's
    platform_win32::Win32Tray tray{runtime, [this](DWORD message, NOTIFYICONDATAA& data) {
                                       calls.push_back({message, data});
                                       return message == NIM_MODIFY ? modify_answer : answer;
                                   }};
    std::vector<int> codes;
    std::vector<bool> availability;

    bool add(const std::string& tip) {
        tray.on_availability([this](bool available) { availability.push_back(available); });
        return tray.add(tip, [this](int code) { codes.push_back(code); });
    }
};

TEST_F(Tray, TheShellGetsTheIconsRecord) {
    ASSERT_TRUE(add("Time until Tarnwick 11"));
    ASSERT_EQ(calls.size(), 1u);
    const NOTIFYICONDATAA& d = calls[0].data;
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(d.cbSize, sizeof(NOTIFYICONDATAA));
    EXPECT_EQ(d.hWnd, tray.window());
    EXPECT_EQ(d.uID, 1u);
    EXPECT_EQ(d.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(d.uFlags, 7u);
    EXPECT_EQ(d.uCallbackMessage, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_NE(d.hIcon, nullptr) << "the system's icon where the program has none";
    EXPECT_STREQ(d.szTip, "Time until Tarnwick 11");
    EXPECT_TRUE(tray.shown());

    tray.remove();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(calls[1].data.uID, 1u);
    EXPECT_FALSE(tray.shown());
}

TEST_F(Tray, ATipLongerThanTheFieldIsCutAndAlwaysEndsInANul) {
    struct Case {
        std::string tip;
        std::string carried;
    };
    const Case kCases[] = {
        {std::string(64, 'x'), std::string(64, 'x')},
        {std::string(300, 'y'), std::string(sizeof(NOTIFYICONDATAA::szTip) - 1, 'y')},
        {std::string("ab\0cd", 5), "ab"},
        {"", ""},
    };
    for (const Case& c : kCases) {
        calls.clear();
        add(c.tip);
        ASSERT_FALSE(calls.empty());
        const NOTIFYICONDATAA& d = calls.back().data;
        EXPECT_EQ(std::string(d.szTip, strnlen(d.szTip, sizeof d.szTip)), c.carried) << c.tip.size();
    }
}

TEST_F(Tray, NotificationsArriveAsMouseMovesCarryingTheirCode) {
    add("tip");
    for (const LPARAM code : {0x200, 0x201, 0x202, 0x205}) SendMessageW(tray.window(), WM_MOUSEMOVE, 1, code);
    SendMessageW(tray.window(), WM_MOUSEMOVE, 2, 0x202);  // not our icon
    EXPECT_EQ(codes, (std::vector<int>{512, 513, 514, 517}));
}

// What the person does in the open menu, from a timer that runs inside the menu's own loop:
// the menu's texts are read, then the keys are posted to it; a menu the keys did not close
// is ended after 2 s, so that a fault fails the test instead of hanging it.
struct MenuHand {
    static inline std::vector<WPARAM> keys;
    static inline std::vector<std::string> texts;
    static inline int ticks_since_keys = -1;

    static void CALLBACK act(HWND, UINT, UINT_PTR, DWORD) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (!menu || !IsWindowVisible(menu)) return;  // not open yet, or closed
        if (ticks_since_keys >= 0) {
            if (++ticks_since_keys > 40) EndMenu();
            return;
        }
        HMENU items = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
        for (int i = 0; i < GetMenuItemCount(items); ++i) {
            char text[64] = {};
            GetMenuStringA(items, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            texts.emplace_back(text);
        }
        for (const WPARAM key : keys) PostMessageW(menu, WM_KEYDOWN, key, 0);
        ticks_since_keys = 0;
    }
};

TEST_F(Tray, TheRightButtonOpensTheMenuAndTheChosenItemRuns) {
    struct Case {
        const char* what;
        std::vector<WPARAM> keys;
        std::vector<std::string> ran;
    };
    const Case kCases[] = {
        {"the first item", {VK_DOWN, VK_RETURN}, {"Show"}},
        {"the second item", {VK_DOWN, VK_DOWN, VK_RETURN}, {"Close"}},
        {"none: Esc closes the menu", {VK_ESCAPE}, {}},
    };
    add("tip");
    std::vector<std::string> ran;
    tray.set_menu({{"Show", [&] { ran.push_back("Show"); }}, {"Close", [&] { ran.push_back("Close"); }}});
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        ran.clear();
        MenuHand::texts.clear();
        MenuHand::keys = c.keys;
        MenuHand::ticks_since_keys = -1;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &MenuHand::act);
        ASSERT_NE(timer, 0u);
        SendMessageW(tray.window(), WM_MOUSEMOVE, 1, 0x205);  // returns when the menu has closed
        KillTimer(nullptr, timer);
        EXPECT_EQ(MenuHand::texts, (std::vector<std::string>{"Show", "Close"}));
        EXPECT_EQ(ran, c.ran);
    }
}

int icon_width(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

TEST_F(Tray, TaskbarCreatedPlacesTheIconAgainOrUpdatesTheOneTheShellKept) {
    struct Case {
        const char* what;
        BOOL add, modify;  // the shell's answers after its announcement
        std::vector<DWORD> asked;
        bool shown;
    };
    const Case kCases[] = {
        {"a new shell", TRUE, FALSE, {NIM_ADD}, true},
        {"the shell kept the icon", FALSE, TRUE, {NIM_ADD, NIM_MODIFY}, true},
        {"no notification area", FALSE, FALSE, {NIM_ADD, NIM_MODIFY}, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        answer = TRUE;
        availability.clear();
        ASSERT_TRUE(add("tip"));
        calls.clear();
        answer = c.add;
        modify_answer = c.modify;
        SendMessageW(tray.window(), platform_win32::Win32Tray::taskbar_created(), 0, 0);
        std::vector<DWORD> asked;
        for (const Call& call : calls) asked.push_back(call.message);
        EXPECT_EQ(asked, c.asked);
        ASSERT_FALSE(calls.empty());
        EXPECT_STREQ(calls.back().data.szTip, "tip");
        // At the small-icon size of the density the shell's screen has now.
        const UINT dpi = GetDpiForWindow(tray.window());
        EXPECT_EQ(icon_width(calls.back().data.hIcon), GetSystemMetricsForDpi(SM_CXSMICON, dpi ? dpi : 96));
        EXPECT_EQ(tray.shown(), c.shown);
        EXPECT_EQ(availability, std::vector<bool>{c.shown});
        tray.remove();
    }
    calls.clear();
    SendMessageW(tray.window(), platform_win32::Win32Tray::taskbar_created(), 0, 0);
    EXPECT_TRUE(calls.empty()) << "a removed icon stays removed";
}

TEST_F(Tray, NoNotificationAreaIsReported) {
    answer = FALSE;  // to the add and the update alike
    modify_answer = FALSE;
    EXPECT_FALSE(add("tip"));
    EXPECT_FALSE(tray.shown());
    tray.remove();
    EXPECT_EQ(calls.size(), 2u) << "nothing to delete";
}

TEST(RealTray, TheIconDocksInTheSessionsNotificationArea) {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    platform_win32::Win32Tray tray{runtime};
    EXPECT_TRUE(tray.add("Time until Tarnwick 11", [](int) {}));
    EXPECT_TRUE(tray.shown());
    tray.remove();
}

}  // namespace
