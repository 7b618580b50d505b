// A message box's style becomes the buttons and icon the system shows, under the title the
// caller gives or the application's; each box is read and closed by a hook as it opens.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_text.h"
#include "tests/platform/win32/win32_forms_fixture.h"

namespace {

struct SeenBox {
    std::string title;
    std::vector<std::string> buttons;  // without their "&"
    HICON icon = nullptr;
    HWND owner = nullptr;
    bool watched_enabled = true;  // whether g_watched could be used while the box was up
};

std::string text_of(HWND hwnd) {
    wchar_t buffer[256] = {};
    const int n = GetWindowTextW(hwnd, buffer, 256);
    std::string text = platform_win32::to_utf8(std::wstring_view(buffer, static_cast<std::size_t>(n)));
    std::erase(text, '&');
    return text;
}

bool is_class(HWND hwnd, std::wstring_view name) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    return name == cls;
}

// The hook is per thread and the box's loop runs on this one: statics are the only way in.
std::vector<SeenBox>* g_seen = nullptr;
HWND g_box = nullptr;
HWND g_watched = nullptr;
UINT g_answer_after_ms = 50;

// Answers the box with its first button, whichever it is.
void answer(HWND box) {
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (is_class(c, L"Button") && IsWindowVisible(c)) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), BN_CLICKED), reinterpret_cast<LPARAM>(c));
            return;
        }
}

// Reads the box once it is up (the system sets its buttons and icon after it is activated),
// then answers it.
void CALLBACK read_and_answer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND box = g_box;
    SeenBox seen{.title = text_of(box),
                 .buttons = {},
                 .icon = nullptr,
                 .owner = GetWindow(box, GW_OWNER),
                 .watched_enabled = !g_watched || IsWindowEnabled(g_watched)};
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        if (is_class(c, L"Button")) seen.buttons.push_back(text_of(c));
        if (is_class(c, L"Static") && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            seen.icon = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0));
    }
    if (g_seen) g_seen->push_back(seen);
    answer(box);
}

LRESULT CALLBACK on_cbt(int code, WPARAM wparam, LPARAM lparam) {
    HWND box = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && g_seen && is_class(box, L"#32770") && !g_box) {
        g_box = box;
        SetTimer(nullptr, 0, g_answer_after_ms, read_and_answer);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

struct Boxes : ::testing::Test {
    platform_win32::Win32Runtime runtime{win32_test::kAppTitle};
    std::vector<SeenBox> seen;
    HHOOK hook = nullptr;

    void SetUp() override {
        g_seen = &seen;
        hook = SetWindowsHookExW(WH_CBT, on_cbt, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook, nullptr);
    }
    void TearDown() override {
        UnhookWindowsHookEx(hook);
        g_seen = nullptr;
    }
    SeenBox show(int style, const std::optional<std::string>& title = std::nullopt) {
        seen.clear();
        g_box = nullptr;  // one box a show; a later one may reuse the handle
        runtime.show("Prompt", style, title);
        return seen.empty() ? SeenBox{.title = "(no box)", .buttons = {}, .icon = nullptr, .owner = nullptr}
                            : seen.front();
    }
};

TEST_F(Boxes, TheStyleChoosesTheButtonsAndTheIcon) {
    struct Case {
        int style;
        std::vector<std::string> buttons;
        LPCWSTR icon;  // nullptr: none
        UINT asked;    // what MessageBoxW is asked for, besides task modality
    };
    const Case kCases[] = {
        {0, {"OK"}, nullptr, MB_OK},
        {1, {"OK", "Cancel"}, nullptr, MB_OKCANCEL},
        {2, {"Abort", "Retry", "Ignore"}, nullptr, MB_ABORTRETRYIGNORE},
        {3, {"Yes", "No", "Cancel"}, nullptr, MB_YESNOCANCEL},
        {4, {"Yes", "No"}, nullptr, MB_YESNO},
        {5, {"Retry", "Cancel"}, nullptr, MB_RETRYCANCEL},
        {16, {"OK"}, IDI_HAND, MB_ICONHAND},
        {32 + 4, {"Yes", "No"}, IDI_QUESTION, MB_ICONQUESTION | MB_YESNO},
        {48, {"OK"}, IDI_EXCLAMATION, MB_ICONEXCLAMATION},
        {64 + 1, {"OK", "Cancel"}, IDI_ASTERISK, MB_ICONASTERISK | MB_OKCANCEL},
        // The farewell box: code 11 names no button set, so OK, and the critical-stop icon.
        {27, {"OK"}, IDI_HAND, MB_OK | MB_ICONHAND},
        {6 + 4096, {"OK"}, nullptr, MB_OK},  // neither a set nor system modality gets through
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(runtime.box_call("Prompt", c.style, std::nullopt).style, c.asked | MB_TASKMODAL)
            << "style " << c.style;
        SeenBox box = show(c.style);
        std::vector<std::string> shown = box.buttons;
        std::sort(shown.begin(), shown.end());
        std::vector<std::string> expected = c.buttons;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown, expected) << "style " << c.style;
        EXPECT_EQ(box.icon, c.icon ? LoadIconW(nullptr, c.icon) : nullptr) << "style " << c.style;
    }
}

TEST_F(Boxes, TheBoxBearsItsOwnTitleOrTheApplications) {
    EXPECT_EQ(show(0).title, win32_test::kAppTitle);
    EXPECT_EQ(show(0, "Über Velmora").title, "Über Velmora");
    const auto call = runtime.box_call(std::string("one\0two", 7), 64, std::nullopt);
    EXPECT_EQ(call.text, L"one") << "the prompt ends at a NUL";
    EXPECT_EQ(call.style, 64u | MB_TASKMODAL);
}

constexpr forms::Control kNone[] = {{.name = "T", .kind = forms::Kind::Timer, .interval_ms = 20}};
constexpr forms::WindowModel kOwner{
    .name = "O", .caption = "owner", .client_width = 1500, .client_height = 750, .controls = kNone};

TEST_F(Boxes, TheBoxIsModalToEveryWindowAndTimersTickMeanwhile) {
    int ticks = 0;
    auto& other = static_cast<platform_win32::Win32Form&>(runtime.load(kOwner, {}));
    auto& form = static_cast<platform_win32::Win32Form&>(
        runtime.load(kOwner, {{"T", forms::Event::Tick, [&](forms::Form&, const forms::Mouse&) { ++ticks; }}}));
    other.show();
    form.show();
    win32_test::pump_for(runtime, std::chrono::milliseconds(100));
    ASSERT_EQ(GetActiveWindow(), form.hwnd());
    g_watched = other.hwnd();
    g_answer_after_ms = 300;
    ticks = 0;
    const SeenBox box = show(0);
    g_watched = nullptr;
    g_answer_after_ms = 50;
    EXPECT_EQ(box.owner, form.hwnd()) << "it opens over the active window";
    EXPECT_FALSE(box.watched_enabled) << "the other window takes no input meanwhile";
    EXPECT_TRUE(IsWindowEnabled(other.hwnd())) << "and is enabled again after";
    EXPECT_GE(ticks, 3) << "timers tick while the box is up";
}

}  // namespace
