// A screen reader's first look at a window, from another process: finds the top-level window
// by its title, asks it for its client object (AccessibleObjectFromWindow, OBJID_CLIENT) and
// prints the object and each of its children as one JSON line: role, name, description,
// default action, state and place on the screen. The end-to-end tests read the countdown's
// texts this way under Wine.
//
//   msaa_dump.exe TITLE
//   msaa_dump.exe --tooltips
//   msaa_dump.exe --windows TITLE
//   msaa_dump.exe --name-changes TITLE SECONDS
//
// Exits 0 after printing, 3 when no window has that title, 4 when the window answers with no
// accessible object (or takes no hook). --tooltips prints, one JSON line each, the tooltips
// shown on the screen now (the notification area's among them) with the text each shows,
// asked of it by WM_GETTEXT as a reader asks a window of another process. --windows reads a
// window made of child windows (a message box): the window's client object, then each child
// window's, in the order the system keeps them. --name-changes listens SECONDS long with a
// WinEvent hook of its own, out of the window's process, and prints each
// EVENT_OBJECT_NAMECHANGE the window raises: the child it names and that child's name then.

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int kNoWindow = 3;
constexpr int kNoObject = 4;
constexpr UINT kAnswerWithin = 2000;  // ms a window of another process may take to answer

std::string utf8(const wchar_t* text, int length) {
    if (length <= 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::string bstr_text(BSTR text) { return text ? utf8(text, static_cast<int>(SysStringLen(text))) : std::string{}; }

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The names the rig matches on, as AT-SPI spells the same roles.
std::string role_name(long role) {
    switch (role) {
        case ROLE_SYSTEM_CLIENT: return "client";
        case ROLE_SYSTEM_STATICTEXT: return "static text";
        case ROLE_SYSTEM_PUSHBUTTON: return "push button";
        default: break;
    }
    wchar_t text[128];
    const UINT length = GetRoleTextW(static_cast<DWORD>(role), text, 128);
    return utf8(text, static_cast<int>(length));
}

VARIANT child_id(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// One line for the element `id` of `object` (CHILDID_SELF: the object itself).
void print_element(IAccessible* object, long id, long index) {
    VARIANT who = child_id(id);
    BSTR name = nullptr;
    std::string text;
    if (object->get_accName(who, &name) == S_OK && name) text = utf8(name, static_cast<int>(SysStringLen(name)));
    SysFreeString(name);
    BSTR description = nullptr, action = nullptr;
    const std::string described = object->get_accDescription(who, &description) == S_OK ? bstr_text(description) : "";
    const std::string acted = object->get_accDefaultAction(who, &action) == S_OK ? bstr_text(action) : "";
    SysFreeString(description);
    SysFreeString(action);
    VARIANT role;
    VariantInit(&role);
    object->get_accRole(who, &role);
    VARIANT state;
    VariantInit(&state);
    object->get_accState(who, &state);
    long left = 0, top = 0, width = 0, height = 0;
    const bool placed = object->accLocation(&left, &top, &width, &height, who) == S_OK;
    const long role_id = role.vt == VT_I4 ? role.lVal : 0;
    const long state_bits = state.vt == VT_I4 ? state.lVal : 0;
    std::printf(
        "{\"index\": %ld, \"role\": %s, \"role_id\": %ld, \"name\": %s, \"description\": %s, "
        "\"default_action\": %s, \"state\": %ld, \"invisible\": %s, \"focusable\": %s, \"placed\": %s, "
        "\"x\": %ld, \"y\": %ld, \"width\": %ld, \"height\": %ld}\n",
        index, json_string(role_name(role_id)).c_str(), role_id, json_string(text).c_str(),
        json_string(described).c_str(), json_string(acted).c_str(), state_bits,
        (state_bits & STATE_SYSTEM_INVISIBLE) ? "true" : "false",
        (state_bits & STATE_SYSTEM_FOCUSABLE) ? "true" : "false", placed ? "true" : "false", left, top, width, height);
    VariantClear(&role);
    VariantClear(&state);
}

// The child `id`: an object of its own (a system control's) or a simple element of `parent`.
void print_child(IAccessible* parent, long id) {
    IDispatch* dispatch = nullptr;
    if (parent->get_accChild(child_id(id), &dispatch) == S_OK && dispatch) {
        IAccessible* own = nullptr;
        if (dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own)) == S_OK) {
            print_element(own, CHILDID_SELF, id);
            own->Release();
            dispatch->Release();
            return;
        }
        dispatch->Release();
    }
    print_element(parent, id, id);
}

BOOL CALLBACK print_tooltip(HWND window, LPARAM) {
    wchar_t kind[64];
    if (!IsWindowVisible(window) || !GetClassNameW(window, kind, 64) || std::wcscmp(kind, L"tooltips_class32") != 0)
        return TRUE;
    wchar_t text[512] = L"";
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kAnswerWithin,
                        &length);
    RECT r{};
    GetWindowRect(window, &r);
    std::printf("{\"text\": %s, \"x\": %ld, \"y\": %ld, \"width\": %ld, \"height\": %ld}\n",
                json_string(utf8(text, static_cast<int>(std::wcslen(text)))).c_str(), r.left, r.top, r.right - r.left,
                r.bottom - r.top);
    return TRUE;
}

// One line for a child window: its class, its name as its client object tells it, whether it
// is shown, and whether it shows an icon (a static control of style SS_ICON holding one).
BOOL CALLBACK print_child_window(HWND window, LPARAM counter) {
    auto& index = *reinterpret_cast<long*>(counter);
    std::string name;
    IAccessible* client = nullptr;
    if (AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&client)) == S_OK &&
        client) {
        BSTR text = nullptr;
        if (client->get_accName(child_id(CHILDID_SELF), &text) == S_OK && text)
            name = utf8(text, static_cast<int>(SysStringLen(text)));
        SysFreeString(text);
        client->Release();
    }
    wchar_t kind[64] = L"";
    GetClassNameW(window, kind, 64);
    DWORD_PTR icon = 0;
    const bool icon_style = (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    if (std::wcscmp(kind, L"Static") == 0 && icon_style)
        SendMessageTimeoutW(window, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kAnswerWithin, &icon);
    RECT r{};
    GetWindowRect(window, &r);
    std::printf(
        "{\"index\": %ld, \"class\": %s, \"name\": %s, \"shown\": %s, \"icon\": %s, \"x\": %ld, "
        "\"y\": %ld, \"width\": %ld, \"height\": %ld}\n",
        ++index, json_string(utf8(kind, static_cast<int>(std::wcslen(kind)))).c_str(), json_string(name).c_str(),
        IsWindowVisible(window) ? "true" : "false", icon != 0 && IsWindowVisible(window) ? "true" : "false", r.left,
        r.top, r.right - r.left, r.bottom - r.top);
    return TRUE;
}

// Prints one line per name change the watched window raises; the hook's calls come through
// this thread's message loop.
HWND g_watched = nullptr;

void CALLBACK print_name_change(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (window != g_watched) return;
    std::string name;
    IAccessible* source = nullptr;
    VARIANT which;
    VariantInit(&which);
    if (AccessibleObjectFromEvent(window, static_cast<DWORD>(object), static_cast<DWORD>(child), &source, &which) ==
            S_OK &&
        source) {
        BSTR text = nullptr;
        if (source->get_accName(which, &text) == S_OK) name = bstr_text(text);
        SysFreeString(text);
        source->Release();
    }
    std::printf("{\"object\": %ld, \"child\": %ld, \"name\": %s}\n", static_cast<long>(object),
                static_cast<long>(child), json_string(name).c_str());
    std::fflush(stdout);
}

int listen_for_name_changes(HWND window, double seconds) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    g_watched = window;
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                               print_name_change, process, 0, WINEVENT_OUTOFCONTEXT);
    if (!hook) return kNoObject;
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    UnhookWinEvent(hook);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool windows = argc == 3 && std::wcscmp(argv[1], L"--windows") == 0;
    const bool name_changes = argc == 4 && std::wcscmp(argv[1], L"--name-changes") == 0;
    if (argc != 2 && !windows && !name_changes) {
        std::fputs("usage: msaa_dump.exe TITLE | --tooltips | --windows TITLE | --name-changes TITLE SECONDS\n",
                   stderr);
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 as it is, lines ending in \n
    if (std::wcscmp(argv[1], L"--tooltips") == 0) {
        EnumWindows(print_tooltip, 0);
        std::fflush(stdout);
        return 0;
    }
    const wchar_t* title = argv[name_changes ? 2 : argc - 1];
    const HWND window = FindWindowW(nullptr, title);
    if (!window) {
        std::fprintf(stderr, "msaa_dump: no top-level window titled %s\n",
                     utf8(title, static_cast<int>(std::wcslen(title))).c_str());
        return kNoWindow;
    }
    // Cross-process objects arrive through COM's marshalling: the thread needs an apartment.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return kNoObject;
    IAccessible* client = nullptr;
    const HRESULT asked = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                     reinterpret_cast<void**>(&client));
    if (FAILED(asked) || !client) {
        std::fprintf(stderr, "msaa_dump: AccessibleObjectFromWindow failed (0x%08lx)\n",
                     static_cast<unsigned long>(asked));
        CoUninitialize();
        return kNoObject;
    }
    if (name_changes) {
        client->Release();
        const int status = listen_for_name_changes(window, std::wcstod(argv[3], nullptr));
        CoUninitialize();
        return status;
    }
    print_element(client, CHILDID_SELF, 0);
    if (windows) {
        long index = 0;
        EnumChildWindows(window, print_child_window, reinterpret_cast<LPARAM>(&index));
        std::fflush(stdout);
        client->Release();
        CoUninitialize();
        return 0;
    }
    long count = 0;
    client->get_accChildCount(&count);
    for (long id = 1; id <= count; ++id) print_child(client, id);
    std::fflush(stdout);
    client->Release();
    CoUninitialize();
    return 0;
}
