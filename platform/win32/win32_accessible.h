#pragma once
// What a screen reader reads of a window whose labels have no window of their own: the
// window's client object, whose children are its labels (name = caption, static text, their
// rectangle on the screen, invisible when hidden or outside the client area) and its buttons
// (name = the button's text, push button, focusable, described by its tip, "Press" as its
// default action), in the model's order.

#include <windows.h>

#include <oleacc.h>

#include <functional>
#include <string>
#include <vector>

namespace platform_win32 {

struct AccessibleChild {
    std::string name;
    RECT screen;  // in screen pixels
    bool invisible;
    long role = ROLE_SYSTEM_STATICTEXT;  // or ROLE_SYSTEM_PUSHBUTTON
    bool focused = false;                // buttons only
    std::string description = {};        // buttons: what the button does (its tip)
    HWND button = nullptr;               // buttons: the window the default action presses
};

// The children as they are now, asked for at every call, so the object never goes stale.
using ChildSource = std::function<std::vector<AccessibleChild>()>;

// A new client object for the window with one reference, for LresultFromObject.
IAccessible* make_client_accessible(HWND window, ChildSource children);

}  // namespace platform_win32
