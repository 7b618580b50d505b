// Main itself on the Win32 runtime, with fakes for the shell and the clock and the real tray
// window with its calls to the shell watched: the behaviours every runtime shares
// (main_contract.h), then the window's style, densities, partial repaints, the pointer's
// moves, the tooltip control and the end of the session.

#include <cstdlib>
#include <vector>

// Before windows.h, which takes the name MessageBox for a macro.
#include "tests/main_window/main_contract.h"

#include "platform/win32/win32_text.h"
#include "platform/win32/win32_tray.h"
#include "tests/platform/win32/win32_driver.h"
// After windows.h, which the runtime's header brings with its MessageBox name taken back.
#include <commctrl.h>

namespace main_test {

// The forms driver with Main's tray: the real tray window, whose calls to the shell are
// watched, clicked as the notification area passes a click on to it.
struct MainWin32Driver : win32_test::Win32Driver {
    std::vector<NOTIFYICONDATAA> added;
    int deleted = 0;
    platform_win32::Win32Tray tray{runtime, [this](DWORD message, NOTIFYICONDATAA& data) {
                                       if (message == NIM_ADD) added.push_back(data);
                                       if (message == NIM_DELETE) ++deleted;
                                       return TRUE;
                                   }};

    void click_tray_icon() {
        SendMessageW(tray.window(), WM_MOUSEMOVE, 1, platform::kTrayLeftUp);
        settle(50);
    }
    std::string tray_tip() const { return added.empty() ? "(no icon)" : added.back().szTip; }
    bool tray_icon_shown() const { return tray.shown(); }
    std::pair<int, int> client_size(forms::Form& form) {
        RECT client;
        GetClientRect(hwnd(form), &client);
        return {client.right, client.bottom};
    }
    forms::PixelRect place(forms::Form& form, std::string_view control) {
        const HWND window = win32(form).control_window(control);
        RECT r{};
        GetWindowRect(window, &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
        return {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    // What the window's tooltip control holds for the control.
    std::string tip(forms::Form& form, std::string_view control) {
        const HWND window = win32(form).control_window(control);
        wchar_t text[80] = {};
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = GetParent(window);
        tool.uId = reinterpret_cast<UINT_PTR>(window);
        tool.lpszText = text;
        SendMessageW(win32(form).tooltips(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
        return platform_win32::to_utf8(text);
    }
    bool ended() { return !runtime.pump(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(MainOnWin32, MainOnRuntime, MainWin32Driver);

}  // namespace main_test

namespace {

struct MainOnWin32 : main_test::MainOnRuntime<main_test::MainWin32Driver> {
    HWND hwnd() const { return form->hwnd(); }
    // As Windows tells a window moved to a screen of another density, with the place it suggests.
    void move_to_density(UINT dpi, RECT suggested) {
        SendMessageW(hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    }
};

TEST_F(MainOnWin32, HasNoBorderAndItsIconIsPlacedOnceByTheTrayWindow) {
    EXPECT_EQ(GetWindowLongW(hwnd(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0) << "no border at all";
    ASSERT_EQ(driver.added.size(), 1u);
    EXPECT_EQ(driver.added[0].hWnd, driver.tray.window());
    // For a look at it from outside: VELMORA_HOLD_MS keeps it up a while.
    if (const char* hold = std::getenv("VELMORA_HOLD_MS")) driver.settle(std::atoi(hold));
}

// Moved to a screen of another density (or the user's scale changed), the window takes the
// size and its buttons the places the model gives at that density, at the place Windows
// suggests; back at 96 dpi it is 257 x 145 again.
TEST_F(MainOnWin32, ADensityChangeRescalesTheWindowAndItsButtons) {
    const struct {
        UINT dpi;
        int width, height;
    } kCases[] = {{144, 386, 218}, {192, 514, 290}, {120, 321, 181}, {96, 257, 145}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.dpi);
        move_to_density(c.dpi, {40, 30, 40 + c.width, 30 + c.height});
        RECT frame;
        GetWindowRect(hwnd(), &frame);
        EXPECT_EQ(driver.client_size(*form), std::make_pair(c.width, c.height));
        EXPECT_EQ(std::make_pair(frame.left, frame.top), std::make_pair(40L, 30L));
        const forms::Density density{static_cast<double>(c.dpi), static_cast<double>(c.dpi)};
        for (const char* name : {"Title_Menu", "Title_MinTray", "Title_Close"})
            EXPECT_EQ(driver.place(*form, name), density.rect(form->model().controls[form->index_of(name)].rect))
                << name;
    }
}

// A new sentence repaints what changed of it and leaves the rest of the window alone, and
// what the screen shows then is what a whole paint would show.
TEST_F(MainOnWin32, ANewSentenceRepaintsWhatChangedAsAWholePaintWould) {
    ASSERT_TRUE(driver.wait_until([&] { return form->fields().get("Final") != "Label2"; }));
    const std::string sentence = form->fields().get("Final");
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string s = sentence;
        return s.replace(s.find(from), from.size(), to);
    };
    struct Case {
        const char* what;
        std::string text;
        int most_width;  // of the part repainted, in pixels
    };
    const Case kCases[] = {
        {"a second later", with("53", "52"), 125},  // the seconds' digits and what follows
        {"ten seconds later", with("53", "43"), 125},
        {"a minute later: two lines change", with("35 Minutes, and 53", "34 Minutes, and 59"), 249},
        {"a day fewer moves the rest of the first line", with("9 Days", "8 Days"), 249},
        {"the design text", "Label2", 249},
        {"nothing", "", 249},
        {"the sentence again", sentence, 249},
    };
    const forms::PixelRect final_box{8, 24, 249, 81};  // Final at 96 dpi
    const int label12_top = 104;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        UpdateWindow(hwnd());
        ValidateRect(hwnd(), nullptr);
        form->fields().set("Final", c.text);
        RECT dirty{};
        ASSERT_TRUE(GetUpdateRect(hwnd(), &dirty, FALSE));
        EXPECT_GE(dirty.left, final_box.left);
        EXPECT_GE(dirty.top, final_box.top);
        EXPECT_LE(dirty.right, final_box.right());
        EXPECT_LE(dirty.bottom, final_box.bottom());
        EXPECT_LE(dirty.right - dirty.left, c.most_width);
        if (c.most_width < final_box.width) {
            EXPECT_LE(dirty.bottom, label12_top) << "Label12 is not touched";
        }
        UpdateWindow(hwnd());
        const contract::Picture painted = win32_test::capture(hwnd(), true);
        const contract::Picture whole = win32_test::capture(hwnd());
        EXPECT_TRUE(painted.pixels == whole.pixels) << "the partial paint left pixels otherwise than a whole paint";
    }
}

// At 250 % and more Main is wider than 514 pixels, the code of a left-button release: the
// pointer's own moves, inside the window and (while a button is held) beyond it, must not
// read as the tray's.
TEST_F(MainOnWin32, PointerMovesNeverToggleTheWindowAtAnyDensityWhileTheTrayIconDoes) {
    for (const UINT dpi : {96u, 240u, 288u}) {
        SCOPED_TRACE(dpi);
        move_to_density(dpi, {40, 30, 41, 31});
        const auto [width, height] = driver.client_size(*form);
        ASSERT_GT(width, static_cast<int>(257 * dpi / 96) - 2);
        for (int x = 0; x <= 3 * width; ++x) SendMessageW(hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, height / 2));
        driver.settle(50);
        EXPECT_TRUE(form->is_shown());
        driver.click_tray_icon();
        EXPECT_FALSE(form->is_shown()) << "the tray icon still hides it";
        driver.click_tray_icon();
        EXPECT_TRUE(form->is_shown());
    }
}

// The caption buttons' tips (main_contract.h reads them) are held by one tooltip control.
TEST_F(MainOnWin32, TheCaptionButtonsTipsAreHeldByTheWindowsTooltipControl) {
    const HWND tips = form->tooltips();
    ASSERT_NE(tips, nullptr);
    wchar_t kind[32] = {};
    GetClassNameW(tips, kind, 32);
    EXPECT_STREQ(kind, TOOLTIPS_CLASSW);
    EXPECT_EQ(GetWindow(tips, GW_OWNER), hwnd());
    EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 3);
}

TEST_F(MainOnWin32, TheEndOfTheSessionRunsTheUnloadCleanUp) {
    EXPECT_TRUE(SendMessageW(hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)) << "nothing holds it up";
    SendMessageW(hwnd(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);  // the end was called off
    EXPECT_TRUE(form->is_shown());
    EXPECT_TRUE(driver.tray_icon_shown());
    EXPECT_EQ(driver.deleted, 0);
    SendMessageW(hwnd(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(driver.deleted, 1) << "the tray icon goes with the session";
    EXPECT_FALSE(driver.tray_icon_shown());
    EXPECT_EQ(driver.runtime.find("Main"), nullptr);
    EXPECT_FALSE(driver.runtime.pump()) << "the program ends";
}

}  // namespace
