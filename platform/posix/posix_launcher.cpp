#include "platform/posix/posix_launcher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

// A path with a zero byte in it would name a different, shorter path to the C library.
bool has_zero_byte(const std::string& path) { return path.find('\0') != std::string::npos; }

std::string describe(const std::string& path, int error) {
    return "cannot start \"" + path + "\": " + std::strerror(error);
}

// Writes the whole of one int, retrying after signals; only async-signal-safe calls.
void report_errno(int fd, int error) {
    const char* p = reinterpret_cast<const char*>(&error);
    std::size_t left = sizeof error;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

}  // namespace

bool PosixLauncher::file_exists(const std::string& path) {
    if (path.empty() || has_zero_byte(path)) return false;
    struct stat st = {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void PosixLauncher::start(const std::string& path) {
    if (path.empty()) throw LaunchError("cannot start a program without a path");
    if (has_zero_byte(path)) throw LaunchError("cannot start a path that holds a zero byte");

    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) throw LaunchError(describe(path, errno));
    const int read_end = pipe_fds[0], write_end = pipe_fds[1];

    // Everything the children need is prepared before fork: after it, in a program with
    // threads, only async-signal-safe calls are allowed.
    const char* program = path.c_str();
    char* const argv[] = {const_cast<char*>(program), nullptr};

    const pid_t middle = ::fork();
    if (middle < 0) {
        const int error = errno;
        ::close(read_end);
        ::close(write_end);
        throw LaunchError(describe(path, error));
    }
    if (middle == 0) {
        ::close(read_end);
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            report_errno(write_end, errno);
            ::_exit(127);
        }
        if (grandchild > 0) ::_exit(0);  // the program's parent goes at once; init adopts it
        ::setsid();                      // its own session: not stopped with our terminal
        // Our other descriptors stay ours; the pipe closes at exec.
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        ::execv(program, argv);
        report_errno(write_end, errno);
        ::_exit(127);
    }

    ::close(write_end);
    // The middle process ends at once; reaping it here leaves no zombie.
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }

    // The pipe reads empty once the program's exec succeeded (close-on-exec), or carries
    // the errno of the fork or exec that failed.
    int error = 0;
    std::size_t got = 0;
    char* p = reinterpret_cast<char*>(&error);
    while (got < sizeof error) {
        const ssize_t n = ::read(read_end, p + got, sizeof error - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(read_end);
    if (got == sizeof error) throw LaunchError(describe(path, error));
    if (got != 0) throw LaunchError("cannot start \"" + path + "\": no word from the new process");
}

}  // namespace platform
