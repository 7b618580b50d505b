#pragma once
// The functions of oleacc.dll that serve screen readers, loaded from the system's own folder
// the first time a reader asks. As a static import the DLL would be looked for beside the exe
// first, and a file of that name planted in the user's Downloads would run before the
// program's first line.

#include <windows.h>

#include <oleacc.h>

namespace platform_win32 {

struct Oleacc {
    decltype(&::LresultFromObject) lresult_from_object;
    decltype(&::AccessibleObjectFromWindow) accessible_object_from_window;
    decltype(&::CreateStdAccessibleObject) create_std_accessible_object;
};

// Loads `file` with `flags` and takes its functions; false when it cannot be loaded or lacks
// one of them (then the module is let go again).
bool load_oleacc(const wchar_t* file, DWORD flags, Oleacc& out);

// The system's oleacc.dll, loaded once, from System32 alone; nullptr when it cannot be, and
// then the windows answer readers as plain windows do.
const Oleacc* oleacc();

// A string for a reader (SysAllocStringLen of the system's oleaut32.dll, loaded from System32
// the first time a reader asks, not at start: only readers need it); nullptr when it cannot
// be made.
BSTR reader_string(const wchar_t* text, UINT length);

}  // namespace platform_win32
