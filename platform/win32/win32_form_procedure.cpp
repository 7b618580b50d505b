// The window procedure of a form's window and its frames: each message goes to the part of the
// form whose job it is (its painter, its input, its accessibility) or to its handlers.

#include "platform/win32/win32_form_procedure.h"

#include <stdexcept>

#include "platform/win32/win32_form.h"
#include "platform/win32/win32_owner_procedure.h"

namespace platform_win32 {

using forms::Event;

void register_form_classes() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = owner_procedure<Win32Form>;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kWindowClass;
        // Double clicks stay two clicks, as every press is an event of its own. Each window
        // keeps its own device context: a context from the system's cache is put back as it
        // was after every paint, which selects its font again (under Wine a walk down to the
        // X server's text renderer, which reads the X resources each time).
        wc.style = CS_OWNDC;
        if (!RegisterClassExW(&wc)) return false;
        wc.lpszClassName = kFrameClass;
        return RegisterClassExW(&wc) != 0;
    }();
    if (!registered) throw std::runtime_error("cannot register the window classes");
}

void Win32Form::fire(const std::optional<Fired>& fired) {
    if (fired) dispatch(fired->control, fired->event, fired->mouse);
}

LRESULT Win32Form::handle(HWND surface, UINT message, WPARAM wparam, LPARAM lparam) {
    const bool top = surface == windows_.top;
    switch (message) {
        case WM_PAINT: painter_.paint(surface); return 0;
        case WM_ERASEBKGND: return 1;  // the paint covers every pixel
        case WM_LBUTTONDOWN: fire(input_.press(surface, 1, wparam, lparam)); return 0;
        case WM_RBUTTONDOWN: fire(input_.press(surface, 2, wparam, lparam)); return 0;
        case WM_MBUTTONDOWN: fire(input_.press(surface, 4, wparam, lparam)); return 0;
        case WM_LBUTTONUP: fire(input_.release(surface, wparam, lparam)); return 0;
        case WM_MOUSEMOVE: fire(input_.moved(surface, wparam, lparam)); return 0;
        case WM_CAPTURECHANGED: input_.drop_press(); return 0;
        case WM_COMMAND: fire(input_.command(wparam)); return 0;
        case DM_GETDEFID: return input_.default_id();
        case WM_TIMER: {
            const std::size_t index = wparam - kFirstControlId;
            if (index < model_.controls.size()) dispatch(model_.controls[index].name, Event::Tick);
            return 0;
        }
        case WM_ACTIVATE:
            if (!top) break;
            input_.activated(wparam);
            return 0;
        case WM_CLOSE: unload(); return 0;
        case WM_QUERYENDSESSION: return TRUE;  // nothing here holds the session up
        case WM_ENDSESSION:
            // The session is ending and the process may end as soon as this returns: the
            // window's closing steps (Main's takes its tray icon away) run now.
            if (top && wparam) unload();
            return 0;
        case WM_SIZE:
            // While it is shown, a change of state comes from the user (the task bar).
            if (top)
                state_changed_by_user(wparam == SIZE_MINIMIZED   ? forms::kMinimized
                                      : wparam == SIZE_MAXIMIZED ? forms::kMaximized
                                                                 : forms::kNormal);
            break;
        case kApplyState: state_due(); return 0;
        case WM_GETOBJECT:
            if (top && static_cast<LONG>(lparam) == static_cast<LONG>(OBJID_CLIENT))
                return accessibility_.client_object(wparam, lparam);
            break;
        case WM_SYSCOLORCHANGE: InvalidateRect(surface, nullptr, FALSE); return 0;
        case WM_DPICHANGED:
            if (!top) break;
            windows_.dpi = LOWORD(wparam);
            lay_out(reinterpret_cast<const RECT*>(lparam));
            return 0;
        default: break;
    }
    return DefWindowProcW(surface, message, wparam, lparam);
}

}  // namespace platform_win32
