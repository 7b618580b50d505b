#pragma once
// Text at the edge of the Win32 API: the program keeps UTF-8 inside and hands the wide calls
// UTF-16. Both conversions keep every character, embedded zeros included (lengths are passed,
// never found by a terminator); an invalid sequence (a stray UTF-8 byte, a lone surrogate)
// becomes U+FFFD, the replacement character, and the rest converts as usual.

#include <windows.h>

#include <string>
#include <string_view>

namespace platform_win32 {

std::wstring to_wide(std::string_view utf8);
std::string to_utf8(std::wstring_view utf16);
// A window's text (a title, a button's caption) as it is now, in UTF-8.
std::string window_text(HWND window);

}  // namespace platform_win32
