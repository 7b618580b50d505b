#include "platform/posix/exit_deadline.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
[[noreturn]] void end_process(int status) { std::_Exit(status); }
}  // namespace

ExitDeadline::ExitDeadline(std::chrono::milliseconds limit, End end) : limit_(limit), end_(end ? end : &end_process) {}

ExitDeadline::~ExitDeadline() {
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    done_changed_.notify_all();
    if (watcher_.joinable()) watcher_.join();
}

void ExitDeadline::arm(int status) {
    if (watcher_.joinable()) return;
    watcher_ = std::thread([this, status] { wait(status); });
}

void ExitDeadline::wait(int status) {
    std::unique_lock lock(mutex_);
    if (done_changed_.wait_for(lock, limit_, [this] { return done_; })) return;
    std::fprintf(stderr,
                 "velmora3-c: the window system did not let the program end within %lld ms; "
                 "it ends without waiting further\n",
                 static_cast<long long>(limit_.count()));
    std::fflush(stderr);
    end_(status);
}

}  // namespace platform
