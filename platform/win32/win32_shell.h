#pragma once
// Addresses handed to the shell's default handler for their scheme.

#include "platform/shell.h"

namespace platform_win32 {

class Win32Shell final : public platform::Shell {
public:
    // ShellExecuteA with "open", no parent, parameters or folder, SW_SHOWNORMAL. The addresses
    // are ASCII, so the ANSI call carries them unchanged. The result is not examined.
    void open(const std::string& address) override;
};

}  // namespace platform_win32
