#include "platform/win32/win32_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace platform_win32 {

namespace {

// The API counts in int; a text longer than that is not one the program ever holds.
int api_length(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long for the Win32 API");
    return static_cast<int>(size);
}

}  // namespace

// Without MB_ERR_INVALID_CHARS and WC_ERR_INVALID_CHARS the system replaces what it cannot
// convert by U+FFFD instead of failing, which is the behaviour the header promises.
std::wstring to_wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int in = api_length(utf8.size());
    const int out = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, nullptr, 0);
    if (out <= 0) throw std::runtime_error("MultiByteToWideChar failed");
    std::wstring wide(static_cast<std::size_t>(out), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, wide.data(), out);
    return wide;
}

std::string to_utf8(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    const int in = api_length(utf16.size());
    const int out = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), in, nullptr, 0, nullptr, nullptr);
    if (out <= 0) throw std::runtime_error("WideCharToMultiByte failed");
    std::string utf8(static_cast<std::size_t>(out), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), in, utf8.data(), out, nullptr, nullptr);
    return utf8;
}

std::string window_text(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return to_utf8(text);
}

}  // namespace platform_win32
