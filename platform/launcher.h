#pragma once
// Starting an outside program: an existence test of a path, and a start that does not wait.

#include <stdexcept>
#include <string>

namespace platform {

// The program could not be started (missing, not executable, no process to run it in).
class LaunchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Launcher {
public:
    virtual ~Launcher() = default;

    // Whether a regular file exists at exactly this path (no patterns, no search).
    virtual bool file_exists(const std::string& path) = 0;

    // Starts the program at exactly this path, as one whole name: no shell, no splitting on
    // blanks, no search along PATH. Returns once it runs, without waiting for it to end;
    // throws LaunchError when it cannot be started.
    virtual void start(const std::string& path) = 0;
};

}  // namespace platform
