// Main itself on the Win32 runtime, with fakes for the shell and the clock and the real tray
// window with its calls to the shell watched: its size, the panel hidden at load, the runs
// writing the sentence, and a click on the tray icon hiding and showing it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "main_window/main_model.h"
// Before windows.h, which takes the name MessageBox for a macro.
#include "tests/main_window/main_wiring.h"

#include "platform/form_geometry.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_tray.h"
#include "tests/platform/win32/win32_forms_fixture.h"
// After windows.h, which the runtime's header brings with its MessageBox name taken back.
#include <commctrl.h>

namespace {

struct MainOnWin32 : ::testing::Test, main_test::MainWiring {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    std::vector<NOTIFYICONDATAA> added;
    int deleted = 0;
    platform_win32::Win32Tray tray{runtime, [this](DWORD message, NOTIFYICONDATAA& data) {
                                       if (message == NIM_ADD) added.push_back(data);
                                       if (message == NIM_DELETE) ++deleted;
                                       return TRUE;
                                   }};
    main_window::MainWindow main{services(runtime, runtime, tray)};
    platform_win32::Win32Form* form = nullptr;

    void SetUp() override {
        main.start();
        form = runtime.find("Main");
        ASSERT_NE(form, nullptr);
        win32_test::pump_for(runtime, std::chrono::milliseconds(300));
    }
};

TEST_F(MainOnWin32, LoadsAt257By145WithThePanelHiddenAndTheIconPlaced) {
    RECT client;
    GetClientRect(form->hwnd(), &client);
    EXPECT_EQ(client.right, 257);
    EXPECT_EQ(client.bottom, 145);
    EXPECT_EQ(GetWindowLongW(form->hwnd(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0) << "no border at all";
    EXPECT_TRUE(form->is_shown());
    EXPECT_FALSE(form->is_visible("Frame1"));
    EXPECT_FALSE(IsWindowVisible(form->control_window("menu_about")));
    EXPECT_TRUE(IsWindowVisible(form->control_window("Title_Close")));

    ASSERT_EQ(added.size(), 1u);
    EXPECT_STREQ(added[0].szTip, "Time until Tarnwick 11");
    EXPECT_EQ(added[0].hWnd, tray.window());

    // The runs have written the sentence over its design text.
    EXPECT_NE(form->fields().get("Final"), "Label2");
    EXPECT_TRUE(log.str().empty()) << log.str();

    // Main's caption strip is drawn in the caption colour; Line3 lies over it at rows 20-21.
    const win32_test::Capture c = win32_test::capture(form->hwnd());
    EXPECT_EQ(c.at(175, 18), win32_test::Capture::rgb(GetSysColor(COLOR_ACTIVECAPTION)));
    EXPECT_EQ(c.at(175, 20), win32_test::Capture::rgb(GetSysColor(COLOR_ACTIVEBORDER)));

    // For a look at it from outside: VELMORA_HOLD_MS keeps it up a while.
    if (const char* hold = std::getenv("VELMORA_HOLD_MS"))
        win32_test::pump_for(runtime, std::chrono::milliseconds(std::atoi(hold)));
}

// Moved to a screen of another density (or the user's scale changed), the window takes the
// size and its buttons the places the model gives at that density, at the place Windows
// suggests; back at 96 dpi it is 257 x 145 again.
TEST_F(MainOnWin32, ADensityChangeRescalesTheWindowAndItsButtons) {
    struct Case {
        UINT dpi;
        LONG width, height;
    };
    const Case kCases[] = {{144, 386, 218}, {192, 514, 290}, {120, 321, 181}, {96, 257, 145}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.dpi);
        RECT suggested{40, 30, 40 + c.width, 30 + c.height};
        SendMessageW(form->hwnd(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT client, frame;
        GetClientRect(form->hwnd(), &client);
        GetWindowRect(form->hwnd(), &frame);
        EXPECT_EQ(client.right, c.width);
        EXPECT_EQ(client.bottom, c.height);
        EXPECT_EQ(frame.left, 40);
        EXPECT_EQ(frame.top, 30);
        const forms::Density density{static_cast<double>(c.dpi), static_cast<double>(c.dpi)};
        for (const char* name : {"Title_Menu", "Title_MinTray", "Title_Close"}) {
            SCOPED_TRACE(name);
            const auto control = std::find_if(main_window::kMain.controls.begin(), main_window::kMain.controls.end(),
                                              [&](const forms::Control& k) { return k.name == name; });
            ASSERT_NE(control, main_window::kMain.controls.end());
            const forms::PixelRect expected = density.rect(control->rect);
            RECT r;
            GetWindowRect(form->control_window(name), &r);
            MapWindowPoints(HWND_DESKTOP, form->hwnd(), reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ((forms::PixelRect{r.left, r.top, r.right - r.left, r.bottom - r.top}), expected);
        }
    }
}

// A new sentence repaints what changed of it and leaves the rest of the window alone, and
// what the screen shows then is what a whole paint would show.
TEST_F(MainOnWin32, ANewSentenceRepaintsWhatChangedAsAWholePaintWould) {
    const std::string sentence = form->fields().get("Final");
    ASSERT_EQ(sentence, "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds");
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
        UpdateWindow(form->hwnd());
        ValidateRect(form->hwnd(), nullptr);
        form->fields().set("Final", c.text);
        RECT dirty{};
        ASSERT_TRUE(GetUpdateRect(form->hwnd(), &dirty, FALSE));
        EXPECT_GE(dirty.left, final_box.left);
        EXPECT_GE(dirty.top, final_box.top);
        EXPECT_LE(dirty.right, final_box.right());
        EXPECT_LE(dirty.bottom, final_box.bottom());
        EXPECT_LE(dirty.right - dirty.left, c.most_width);
        if (c.most_width < final_box.width) {
            EXPECT_LE(dirty.bottom, label12_top) << "Label12 is not touched";
        }
        UpdateWindow(form->hwnd());
        const win32_test::Capture painted = win32_test::capture(form->hwnd(), true);
        const win32_test::Capture whole = win32_test::capture(form->hwnd());
        ASSERT_EQ(painted.pixels.size(), whole.pixels.size());
        int differ = 0;
        for (std::size_t i = 0; i < whole.pixels.size(); ++i) differ += painted.pixels[i] != whole.pixels[i];
        EXPECT_EQ(differ, 0) << "pixels the partial paint left otherwise than a whole paint";
    }
}

TEST_F(MainOnWin32, ALeftClickOnTheTrayIconHidesAndShowsTheWindow) {
    SendMessageW(tray.window(), WM_MOUSEMOVE, 1, 0x202);
    win32_test::pump_for(runtime, std::chrono::milliseconds(50));
    EXPECT_FALSE(form->is_shown());
    SendMessageW(tray.window(), WM_MOUSEMOVE, 1, 0x202);
    win32_test::pump_for(runtime, std::chrono::milliseconds(50));
    EXPECT_TRUE(form->is_shown());
}

// At 250 % and more Main is wider than 514 pixels, the code of a left-button release: the
// pointer's own moves, inside the window and (while a button is held) beyond it, must not
// read as the tray's.
TEST_F(MainOnWin32, PointerMovesNeverToggleTheWindowAtAnyDensityWhileTheTrayIconDoes) {
    for (const UINT dpi : {96u, 240u, 288u}) {
        SCOPED_TRACE(dpi);
        RECT suggested{40, 30, 41, 31};
        SendMessageW(form->hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT client;
        GetClientRect(form->hwnd(), &client);
        ASSERT_GT(client.right, static_cast<LONG>(257 * dpi / 96) - 2);
        for (LONG x = 0; x <= 3 * client.right; ++x)
            SendMessageW(form->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, client.bottom / 2));
        win32_test::pump_for(runtime, std::chrono::milliseconds(50));
        EXPECT_TRUE(form->is_shown());
        SendMessageW(tray.window(), WM_MOUSEMOVE, 1, 0x202);
        win32_test::pump_for(runtime, std::chrono::milliseconds(50));
        EXPECT_FALSE(form->is_shown()) << "the tray icon still hides it";
        SendMessageW(tray.window(), WM_MOUSEMOVE, 1, 0x202);
        win32_test::pump_for(runtime, std::chrono::milliseconds(50));
        EXPECT_TRUE(form->is_shown());
    }
}

TEST_F(MainOnWin32, TheCaptionButtonsCarryTheirTipsInTheWindowsTooltipControl) {
    const HWND tips = form->tooltips();
    ASSERT_NE(tips, nullptr);
    wchar_t kind[32] = {};
    GetClassNameW(tips, kind, 32);
    EXPECT_STREQ(kind, TOOLTIPS_CLASSW);
    EXPECT_EQ(GetWindow(tips, GW_OWNER), form->hwnd());
    EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 3);
    const std::pair<const char*, const char*> kTips[] = {
        {"Title_Menu", "Menu"}, {"Title_MinTray", "Minimize to Tray"}, {"Title_Close", "Close"}};
    for (const auto& [name, tip] : kTips) {
        const HWND button = form->control_window(name);
        wchar_t text[80] = {};
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = GetParent(button);
        tool.uId = reinterpret_cast<UINT_PTR>(button);
        tool.lpszText = text;
        SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
        EXPECT_EQ(platform_win32::to_utf8(text), tip) << name;
    }
}

TEST_F(MainOnWin32, TheEndOfTheSessionRunsTheUnloadCleanUp) {
    EXPECT_TRUE(SendMessageW(form->hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)) << "nothing holds it up";
    SendMessageW(form->hwnd(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);  // the end was called off
    EXPECT_TRUE(form->is_shown());
    EXPECT_TRUE(tray.shown());
    EXPECT_EQ(deleted, 0);
    SendMessageW(form->hwnd(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(deleted, 1) << "the tray icon goes with the session";
    EXPECT_FALSE(tray.shown());
    EXPECT_EQ(runtime.find("Main"), nullptr);
    EXPECT_FALSE(runtime.pump()) << "the program ends";
}

TEST_F(MainOnWin32, TheMenuButtonShowsThePanelAndTheCloseButtonEndsTheProgram) {
    SendMessageW(form->control_window("Title_Menu"), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowVisible(form->control_window("menu_about")));
    SendMessageW(form->control_window("Title_Close"), BM_CLICK, 0, 0);
    EXPECT_FALSE(runtime.pump()) << "the program has ended";
    EXPECT_TRUE(added.size() >= 1u);
}

}  // namespace
