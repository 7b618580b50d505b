#pragma once
// The window classes of a form's window and its frames, whose window procedure hands every
// message to the form the window belongs to.

#include <windows.h>

namespace platform_win32 {

inline constexpr wchar_t kWindowClass[] = L"VelmoraForm";
inline constexpr wchar_t kFrameClass[] = L"VelmoraFrame";
// Posted to apply a change of the window's state once the handler that made it is done.
inline constexpr UINT kApplyState = WM_APP + 1;

// Registers both classes, once for the run; throws std::runtime_error where the system
// refuses. A window of either class is made with its form as the creation parameter.
void register_form_classes();

}  // namespace platform_win32
