// A screen reader's view of a window: its labels and buttons, read through
// AccessibleObjectFromWindow as any reader does, by name, role, place on the screen,
// visibility and focus. (Names as they change, on every runtime: reader_names.h.)

#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_oleacc.h"
#include "platform/win32/win32_text.h"
#include "tests/platform/win32/win32_driver.h"

namespace {

using forms::Control;
using forms::Kind;
using win32_test::child;

// 200 x 100 pixels at 96 dpi. "Go" overlaps "Greeting"; "Away" lies outside the client area
// as Main's manual buttons do; "Later" is hidden.
constexpr Control kControls[] = {
    {.name = "Greeting", .kind = Kind::Label, .text = "Привет, 東京", .rect = {150, 300, 1500, 300}},
    {.name = "Gone", .kind = Kind::Label, .text = "hidden", .rect = {150, 750, 1500, 300}},
    {.name = "Far", .kind = Kind::Label, .text = "outside", .rect = {6000, 6000, 300, 300}},
    {.name = "Btn", .kind = Kind::Button, .text = "Go", .rect = {1200, 0, 900, 375}, .tab = 1, .tooltip = "Goes on"},
    {.name = "Away", .kind = Kind::Button, .text = "Run by hand", .rect = {4500, 300, 900, 375}, .tab = 2},
    {.name = "Later", .kind = Kind::Button, .text = "Later", .rect = {1800, 900, 900, 375}, .tab = 3},
};
constexpr forms::WindowModel kModel{
    .name = "R", .caption = "reader", .client_width = 3000, .client_height = 1500, .controls = kControls};

struct Reader : ::testing::Test, win32_test::Win32Driver {
    platform_win32::Win32Form* form = nullptr;
    IAccessible* client = nullptr;

    void SetUp() override {
        form = static_cast<platform_win32::Win32Form*>(&runtime.load(kModel, {}));
        form->set_visible("Gone", false);
        form->set_visible("Later", false);
        show(*form);
        client = win32_test::client_object(form->hwnd());
        ASSERT_NE(client, nullptr);
    }
    void TearDown() override {
        if (client) client->Release();
    }
    long state(long id) const {
        VARIANT v;
        VariantInit(&v);
        client->get_accState(child(id), &v);
        return v.lVal;
    }
};

TEST_F(Reader, ReadsEveryLabelAndButtonByNameRoleAndPlace) {
    long count = 0;
    ASSERT_EQ(client->get_accChildCount(&count), S_OK);
    ASSERT_EQ(count, 6);
    struct Case {
        long id;
        const char* name;
        long role;
        bool invisible;
        const char* description = "(none)";  // a button's tip
        const char* action = "(none)";
    };
    const Case kCases[] = {
        {1, "Привет, 東京", ROLE_SYSTEM_STATICTEXT, false},
        {2, "hidden", ROLE_SYSTEM_STATICTEXT, true},
        {3, "outside", ROLE_SYSTEM_STATICTEXT, true},
        {4, "Go", ROLE_SYSTEM_PUSHBUTTON, false, "Goes on", "Press"},
        {5, "Run by hand", ROLE_SYSTEM_PUSHBUTTON, true, "(none)", "Press"},
        {6, "Later", ROLE_SYSTEM_PUSHBUTTON, true, "(none)", "Press"},
        {0, "reader", ROLE_SYSTEM_CLIENT, false},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(win32_test::accessible_text(client, &IAccessible::get_accName, c.id), c.name);
        EXPECT_EQ(win32_test::accessible_text(client, &IAccessible::get_accDescription, c.id), c.description) << c.name;
        EXPECT_EQ(win32_test::accessible_text(client, &IAccessible::get_accDefaultAction, c.id), c.action) << c.name;
        if (c.id == 0) continue;
        VARIANT role;
        VariantInit(&role);
        ASSERT_EQ(client->get_accRole(child(c.id), &role), S_OK);
        EXPECT_EQ(role.lVal, c.role) << c.name;
        EXPECT_EQ((state(c.id) & STATE_SYSTEM_INVISIBLE) != 0, c.invisible) << c.name;
        const bool button = c.role == ROLE_SYSTEM_PUSHBUTTON;
        EXPECT_EQ((state(c.id) & STATE_SYSTEM_FOCUSABLE) != 0, button) << c.name;
        EXPECT_EQ((state(c.id) & STATE_SYSTEM_READONLY) != 0, !button) << c.name;
    }

    POINT corner{0, 0};
    ClientToScreen(form->hwnd(), &corner);
    struct Place {
        long id;
        std::vector<long> rect;  // left, top, width, height in the client area
    };
    const Place kPlaces[] = {{1, {10, 20, 100, 20}}, {4, {80, 0, 60, 25}}};
    for (const Place& p : kPlaces) {
        long left = 0, top = 0, width = 0, height = 0;
        ASSERT_EQ(client->accLocation(&left, &top, &width, &height, child(p.id)), S_OK);
        EXPECT_EQ((std::vector<long>{left - corner.x, top - corner.y, width, height}), p.rect) << p.id;
    }
}

TEST_F(Reader, TheDefaultActionPressesAShownButtonOnly) {
    int presses = 0;
    auto& pressed = static_cast<platform_win32::Win32Form&>(
        runtime.load(kModel, {{"Btn", forms::Event::Click, [&](forms::Form&, const forms::Mouse&) { ++presses; }},
                              {"Later", forms::Event::Click, [&](forms::Form&, const forms::Mouse&) { ++presses; }}}));
    pressed.set_visible("Later", false);
    pressed.show();
    IAccessible* object = win32_test::client_object(pressed.hwnd());
    ASSERT_NE(object, nullptr);
    struct Case {
        long id;
        HRESULT result;
        int presses_after;
    };
    const Case kCases[] = {{4, S_OK, 1}, {6, E_FAIL, 1}, {1, DISP_E_MEMBERNOTFOUND, 1}, {9, E_INVALIDARG, 1}};
    for (const Case& c : kCases) {
        EXPECT_EQ(object->accDoDefaultAction(child(c.id)), c.result) << c.id;
        win32_test::pump_for(runtime, std::chrono::milliseconds(50));
        EXPECT_EQ(presses, c.presses_after) << c.id;
    }
    object->Release();
}

// Name changes as a hook of a reader hears them, outside the window's own code.
std::vector<std::pair<HWND, long>>* g_heard = nullptr;

void CALLBACK hear(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG id, DWORD, DWORD) {
    if (g_heard && object == OBJID_CLIENT) g_heard->emplace_back(window, id);
}

TEST_F(Reader, AChangedTextIsAnnouncedWhereAPersonCouldReadIt) {
    std::vector<std::pair<HWND, long>> heard;
    g_heard = &heard;
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, hear,
                                               GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    struct Case {
        const char* label;
        const char* text;
        std::vector<std::pair<HWND, long>> heard;
    };
    const Case kCases[] = {
        {"Greeting", "changed", {{form->hwnd(), 1}}},
        {"Greeting", "changed", {}},  // the same text again
        {"Gone", "changed", {}},      // hidden
        {"Far", "changed", {}},       // outside the window
    };
    for (const Case& c : kCases) {
        heard.clear();
        form->fields().set(c.label, c.text);
        win32_test::pump_for(runtime, std::chrono::milliseconds(100));
        EXPECT_EQ(heard, c.heard) << c.label;
    }
    form->hide();
    heard.clear();
    form->fields().set("Greeting", "in the tray");
    win32_test::pump_for(runtime, std::chrono::milliseconds(100));
    EXPECT_TRUE(heard.empty()) << "nobody can read a hidden window";
    UnhookWinEvent(hook);
    g_heard = nullptr;
}

TEST_F(Reader, HearsWhichButtonHasTheFocus) {
    SetFocus(form->control_window("Btn"));
    EXPECT_NE(state(4) & STATE_SYSTEM_FOCUSED, 0);
    EXPECT_EQ(state(1) & STATE_SYSTEM_FOCUSED, 0);
    VARIANT focus;
    VariantInit(&focus);
    ASSERT_EQ(client->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.vt, VT_I4);
    EXPECT_EQ(focus.lVal, 4);
}

TEST_F(Reader, AHitFindsTheButtonAboveALabelAndTheLabelBesideIt) {
    POINT corner{0, 0};
    ClientToScreen(form->hwnd(), &corner);
    struct Case {
        POINT at;  // in the client area
        long expect;
    };
    const Case kCases[] = {
        {{90, 22}, 4},              // "Go" lies over "Greeting"
        {{20, 25}, 1},              // "Greeting" alone
        {{150, 70}, CHILDID_SELF},  // where the hidden "Later" is
        {{5, 90}, CHILDID_SELF},    // nothing
    };
    for (const Case& c : kCases) {
        VARIANT hit;
        VariantInit(&hit);
        ASSERT_EQ(client->accHitTest(corner.x + c.at.x, corner.y + c.at.y, &hit), S_OK);
        EXPECT_EQ(hit.lVal, c.expect) << c.at.x << ", " << c.at.y;
    }
}

TEST_F(Reader, TheParentIsTheWindowItself) {
    IDispatch* parent = nullptr;
    ASSERT_EQ(client->get_accParent(&parent), S_OK);
    ASSERT_NE(parent, nullptr);
    IAccessible* window = nullptr;
    ASSERT_EQ(parent->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&window)), S_OK);
    HWND of_parent = nullptr;
    EXPECT_EQ(WindowFromAccessibleObject(window, &of_parent), S_OK);
    EXPECT_EQ(of_parent, form->hwnd());
    window->Release();
    parent->Release();
}

// oleacc.dll's functions are taken whole from System32's copy or not at all; without them
// the windows answer readers as plain windows do.
TEST(Oleacc, IsTakenWholeFromSystem32OrNotAtAll) {
    struct Case {
        const wchar_t* file;
        bool loads;
    };
    const Case kCases[] = {
        {L"oleacc.dll", true},
        {L"no-such-oleacc.dll", false},  // found nowhere
        {L"kernel32.dll", false},        // loads, but has none of them
    };
    for (const Case& c : kCases) {
        platform_win32::Oleacc functions{};
        EXPECT_EQ(platform_win32::load_oleacc(c.file, LOAD_LIBRARY_SEARCH_SYSTEM32, functions), c.loads)
            << platform_win32::to_utf8(c.file);
        EXPECT_EQ(functions.lresult_from_object != nullptr, c.loads);
    }

    const platform_win32::Oleacc* loaded = platform_win32::oleacc();
    ASSERT_NE(loaded, nullptr);
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<const wchar_t*>(reinterpret_cast<void*>(loaded->create_std_accessible_object)), &module));
    wchar_t path[MAX_PATH], system[MAX_PATH];
    ASSERT_NE(GetModuleFileNameW(module, path, MAX_PATH), 0u);
    ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_EQ(lstrcmpiW(path, (std::wstring(system) + L"\\oleacc.dll").c_str()), 0) << platform_win32::to_utf8(path);
}

TEST_F(Reader, AnObjectKeptAfterTheWindowHasGoneAnswersNothing) {
    form->unload();
    long count = -1;
    EXPECT_EQ(client->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 0);
}

}  // namespace
