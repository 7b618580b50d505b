#include "platform/posix/exit_deadline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The status the deadline would have ended the process with; -1 while it has not fired.
std::atomic<int> ended_with{-1};
void record_end(int status) { ended_with = status; }

struct Case {
    const char* what;
    bool arm;
    std::chrono::milliseconds teardown;  // how long the end takes after the loop returned
    int expect;                          // the status it ended with, or -1
};

const Case kCases[] = {
    {"an end in time is left alone", true, 0ms, -1},
    {"an end that hangs is cut short with the loop's status", true, 400ms, 3},
    {"a deadline never armed never fires", false, 400ms, -1},
};

TEST(ExitDeadline, EndsOnlyATeardownThatOverrunsIt) {
    for (const Case& c : kCases) {
        ended_with = -1;
        {
            platform::ExitDeadline deadline(100ms, &record_end);
            if (c.arm) deadline.arm(3);
            std::this_thread::sleep_for(c.teardown);
        }
        EXPECT_EQ(ended_with.load(), c.expect) << c.what;
    }
}

}  // namespace
