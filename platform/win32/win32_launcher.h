#pragma once
// Starts programs with CreateProcessW: exactly the path given, no shell, no search, no waiting.

#include "platform/launcher.h"

namespace platform_win32 {

class Win32Launcher final : public platform::Launcher {
public:
    // A file that is not a folder (GetFileAttributesW); patterns match nothing.
    bool file_exists(const std::string& path) override;
    // The path is the application name and, quoted whole, the command line, so blanks in it
    // never split it. The new process's handles are closed at once; it runs on its own.
    void start(const std::string& path) override;
};

}  // namespace platform_win32
