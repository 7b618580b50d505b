#pragma once
// What a screen reader reads of a window whose labels have no window of their own: the
// window's client object, whose children are its labels (name = caption, static text, their
// rectangle on the screen, invisible when hidden or outside the client area).

#include <windows.h>

#include <oleacc.h>

#include <functional>
#include <string>
#include <vector>

namespace platform_win32 {

struct AccessibleLabel {
    std::string name;
    RECT screen;  // in screen pixels
    bool invisible;
};

// The labels as they are now, asked for at every call, so the object never goes stale.
using LabelSource = std::function<std::vector<AccessibleLabel>()>;

// A new client object for the window with one reference, for LresultFromObject.
IAccessible* make_client_accessible(HWND window, LabelSource labels);

}  // namespace platform_win32
