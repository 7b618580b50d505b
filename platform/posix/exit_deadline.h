#pragma once
// A bound on how long the program may take to end once its event loop has returned.
//
// Qt 6.4's Wayland client can deadlock in its display's teardown (its event thread waits for a
// read that the main thread, already tearing down, never makes), and the process then stays
// with no window and no way for a person to end it but kill. Once armed, the deadline ends the
// process with the loop's status if it is still alive when the time is up; ended in time, it
// never fires, so an orderly teardown (and the leak check after it) is unchanged.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {

class ExitDeadline {
public:
    using End = void (*)(int status);

    // `end` ends the process; std::_Exit unless a test gives its own.
    explicit ExitDeadline(std::chrono::milliseconds limit, End end = nullptr);
    // Disarms: an orderly end got here in time.
    ~ExitDeadline();
    ExitDeadline(const ExitDeadline&) = delete;
    ExitDeadline& operator=(const ExitDeadline&) = delete;

    // Starts the count towards `limit`; the status is what the process ends with if the time
    // is up. A second call changes nothing.
    void arm(int status);

private:
    void wait(int status);

    std::chrono::milliseconds limit_;
    End end_;
    std::mutex mutex_;
    std::condition_variable done_changed_;
    bool done_ = false;
    std::thread watcher_;
};

}  // namespace platform
