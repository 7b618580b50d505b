// The tray icon's record as Shell_NotifyIconA gets it, notifications reaching notify as their
// codes, and the icon placed again when the shell announces TaskbarCreated.

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
    platform_win32::Win32Tray tray{runtime, [this](DWORD message, NOTIFYICONDATAA& data) {
                                       calls.push_back({message, data});
                                       return answer;
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

TEST_F(Tray, TaskbarCreatedPlacesTheIconAgain) {
    add("tip");
    SendMessageW(tray.window(), platform_win32::Win32Tray::taskbar_created(), 0, 0);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_STREQ(calls[1].data.szTip, "tip");
    EXPECT_EQ(availability, std::vector<bool>{true});

    tray.remove();
    SendMessageW(tray.window(), platform_win32::Win32Tray::taskbar_created(), 0, 0);
    EXPECT_EQ(calls.size(), 3u) << "a removed icon stays removed";
}

TEST_F(Tray, NoNotificationAreaIsReported) {
    answer = FALSE;
    EXPECT_FALSE(add("tip"));
    EXPECT_FALSE(tray.shown());
    tray.remove();
    EXPECT_EQ(calls.size(), 1u) << "nothing to delete";
}

TEST(RealTray, TheIconDocksInTheSessionsNotificationArea) {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    platform_win32::Win32Tray tray{runtime};
    EXPECT_TRUE(tray.add("Time until Tarnwick 11", [](int) {}));
    EXPECT_TRUE(tray.shown());
    tray.remove();
}

}  // namespace
