#pragma once
// Starts programs with fork and exec: exactly the path given, no shell, no waiting.

#include "platform/launcher.h"

namespace platform {

class PosixLauncher final : public Launcher {
public:
    bool file_exists(const std::string& path) override;
    // The program runs as a grandchild that init adopts, so no zombie is left behind; a
    // failed exec is reported back through a close-on-exec pipe and thrown as LaunchError.
    void start(const std::string& path) override;
};

}  // namespace platform
