#include "platform/win32/win32_shell.h"

#include <windows.h>
// shellapi.h builds on the types windows.h declares.
#include <shellapi.h>

namespace platform_win32 {

void Win32Shell::open(const std::string& address) {
    // Ignored on purpose: when no handler answers, nothing is reported.
    (void)ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace platform_win32
