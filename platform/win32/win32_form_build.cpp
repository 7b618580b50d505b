// Building a window from its model: the window, its frames and child controls, the order
// Tab takes them, and their places and fonts at the window's density.

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/forms/form_bindings.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_form_procedure.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_text.h"

namespace platform_win32 {

using forms::Control;
using forms::Kind;

namespace {

DWORD style_of(forms::Border border) {
    switch (border) {
        case forms::Border::FixedDialog: return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        case forms::Border::None: break;
    }
    return WS_POPUP | WS_CLIPCHILDREN;
}

DWORD ex_style_of(forms::Border border) {
    return border == forms::Border::FixedDialog ? WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT : WS_EX_CONTROLPARENT;
}

// Where the system puts a new window it places itself. Windows cascades new overlapped
// windows created at CW_USEDEFAULT but puts a popup asked the same at (0, 0); a window of ours
// placed by the system goes where the cascade puts an overlapped one: a probe that is never
// shown is asked for it. (0, 0) when even the probe cannot be made.
POINT system_placement() {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!probe) return {0, 0};
    RECT r;
    GetWindowRect(probe, &r);
    DestroyWindow(probe);
    return {r.left, r.top};
}

// The tooltip control comes with the common controls, loaded from the system's folder when the
// first window asks for it rather than imported: an import would be looked for beside the
// program first.
bool tooltips_available() {
    static const bool available = [] {
        HMODULE controls = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!controls) return false;
        using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        const auto init =
            reinterpret_cast<Init>(reinterpret_cast<void*>(GetProcAddress(controls, "InitCommonControlsEx")));
        const INITCOMMONCONTROLSEX classes{.dwSize = sizeof(INITCOMMONCONTROLSEX), .dwICC = ICC_BAR_CLASSES};
        return init && init(&classes);
    }();
    return available;
}

// The program's icon from its resources, or the system's where the program has none.
HICON program_icon(int size) {
    auto* icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED));
    return icon ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

}  // namespace

Win32Form::Win32Form(Win32Runtime& runtime, const forms::WindowModel& model, std::vector<forms::Binding> bindings)
    : FormCore(model, std::move(bindings)), runtime_(runtime) {
    register_form_classes();
    windows_.controls.assign(model.controls.size(), nullptr);
    try {
        build();
    } catch (...) {
        if (windows_.top) {
            SetWindowLongPtrW(windows_.top, GWLP_USERDATA, 0);
            DestroyWindow(windows_.top);
        }
        throw;
    }
    // Only the label whose caption changed is painted again, and a screen reader hears of it.
    fields_.on_change([this](std::size_t index, const std::string&) {
        if (!alive()) return;
        painter_.text_changed(label_of_.at(index));
        accessibility_.name_changed(label_of_.at(index));
    });
}

Win32Form::~Win32Form() {
    accessibility_.forget();
    if (windows_.top && IsWindow(windows_.top)) {
        SetWindowLongPtrW(windows_.top, GWLP_USERDATA, 0);
        DestroyWindow(windows_.top);
    }
}

void Win32Form::build() {
    label_of_.resize(fields_.size());
    for (std::size_t i = 0; i < model_.controls.size(); ++i)
        if (model_.controls[i].kind == Kind::Label) label_of_.at(fields_.index_of(model_.controls[i].name)) = i;
    const std::wstring title = to_wide(model_.caption);
    const POINT at = model_.placement.system_default ? system_placement() : POINT{0, 0};  // else: lay_out's
    HWND& hwnd = windows_.top;
    hwnd = CreateWindowExW(ex_style_of(model_.border), kWindowClass, title.c_str(), style_of(model_.border), at.x, at.y,
                           0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd) throw std::runtime_error("cannot create window " + std::string(model_.name));
    windows_.surfaces.emplace_back(hwnd, "");
    windows_.dpi = GetDpiForWindow(hwnd);
    if (windows_.dpi == 0) windows_.dpi = 96;
    icon_ = program_icon(GetSystemMetrics(SM_CXICON));
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(program_icon(GetSystemMetrics(SM_CXSMICON))));

    for (const std::size_t i : build_order()) build_control(i);
    order_children();
    add_tooltips();
    lay_out(nullptr);
}

void Win32Form::add_tooltips() {
    std::vector<std::size_t> tipped;
    for (std::size_t i = 0; i < windows_.controls.size(); ++i)
        if (windows_.controls[i] && !model_.controls[i].tooltip.empty()) tipped.push_back(i);
    if (tipped.empty() || !tooltips_available()) return;
    // Owned by the window: it goes with it, and stays above it. A window without its tips is
    // still whole, so a failure here leaves it at that.
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, windows_.top, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!tooltips_) return;
    for (const std::size_t i : tipped) {
        std::wstring text = to_wide(model_.controls[i].tooltip);
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;  // the tip watches the button's own mouse moves
        tool.hwnd = GetParent(windows_.controls[i]);
        tool.uId = reinterpret_cast<UINT_PTR>(windows_.controls[i]);
        tool.lpszText = text.data();  // copied by the control
        SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Win32Form::build_control(std::size_t index) {
    const Control& c = model_.controls[index];
    HWND& made = windows_.controls[index];
    if (!forms::surface_drawn(c.kind) && c.kind != Kind::Timer) {
        HWND parent = windows_.surface_of(c.container);  // made before it
        const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index));
        const std::wstring text = to_wide(c.text);
        HINSTANCE instance = GetModuleHandleW(nullptr);
        switch (c.kind) {
            case Kind::Button: {
                DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_MULTILINE | BS_CENTER | BS_VCENTER;
                style |= c.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
                made = CreateWindowExW(0, L"BUTTON", text.c_str(), style, 0, 0, 0, 0, parent, id, instance, nullptr);
                break;
            }
            case Kind::Frame:
                made = CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, nullptr,
                                       WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                                       id, instance, this);
                if (made) windows_.surfaces.emplace_back(made, c.name);
                break;
            case Kind::PictureBox:
                // SS_NOTIFY: the picture takes the pointer's presses itself, as a picture box
                // does; a plain static lets them through to the label under it.
                made = CreateWindowExW(0, L"STATIC", nullptr,
                                       WS_CHILD | WS_VISIBLE | SS_ICON | SS_REALSIZEIMAGE | SS_NOTIFY, 0, 0, 0, 0,
                                       parent, id, instance, nullptr);
                if (made)
                    SendMessageW(made, STM_SETICON, reinterpret_cast<WPARAM>(program_icon(32 * windows_.dpi / 96)), 0);
                break;
            default: break;
        }
        if (!made) throw std::runtime_error("cannot create control " + std::string(c.name));
    }
}

void Win32Form::order_children() {
    // The dialog manager takes tab stops in the order of the children from the top: each
    // container's children are stacked by tab index (then model order), the first on top.
    // Across containers the focus starts at the lowest tab index of all.
    std::map<HWND, HWND> last_of;  // container -> the child placed last
    std::vector<HWND> buttons;
    for (const std::size_t i : tab_order()) {
        HWND parent = GetParent(windows_.controls[i]);
        const auto it = last_of.find(parent);
        SetWindowPos(windows_.controls[i], it == last_of.end() ? HWND_TOP : it->second, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        last_of[parent] = windows_.controls[i];
        if (model_.controls[i].kind == Kind::Button) buttons.push_back(windows_.controls[i]);
    }
    input_.set_focus_order(std::move(buttons));
}

void Win32Form::lay_out(const RECT* suggested) {
    const forms::Density d = density();
    painter_.new_density();  // the controls take fonts of the new one below
    RECT frame{0, 0, d.x(model_.client_width), d.y(model_.client_height)};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(windows_.top, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(windows_.top, GWL_EXSTYLE)), windows_.dpi);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    int x = 0, y = 0;
    if (suggested) {
        x = suggested->left;
        y = suggested->top;
    } else if (!model_.placement.system_default) {
        x = d.x(model_.placement.left) + frame.left;
        y = d.y(model_.placement.top) + frame.top;
    } else {
        flags |= SWP_NOMOVE;  // where the system placed it
    }
    SetWindowPos(windows_.top, nullptr, x, y, frame.right - frame.left, frame.bottom - frame.top, flags);
    for (std::size_t i = 0; i < windows_.controls.size(); ++i) {
        if (!windows_.controls[i]) continue;
        const Control& c = model_.controls[i];
        const forms::PixelRect r = d.rect(c.rect);
        SetWindowPos(windows_.controls[i], nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (c.kind == Kind::Button)
            SendMessageW(windows_.controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(painter_.font(c.font)), TRUE);
    }
    InvalidateRect(windows_.top, nullptr, TRUE);
}

}  // namespace platform_win32
