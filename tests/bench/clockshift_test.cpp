// The benchmark's clock preload, loaded into this test by CTest: every wall-clock reading is
// moved by VELMORA_CLOCK_OFFSET seconds, and the monotonic clocks are not moved at all. The
// system's own clocks are read past the preload through the system call itself.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

double seconds(const timespec& ts) { return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9; }

double system_clock(clockid_t id) {
    timespec ts{};
    syscall(SYS_clock_gettime, id, &ts);
    return seconds(ts);
}

double through_clock_gettime(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return seconds(ts);
}

long long expected_offset() {
    const char* text = std::getenv("VELMORA_CLOCK_OFFSET");
    return text ? std::atoll(text) : 0;
}

struct Reading {
    const char* name;
    clockid_t system;  // the clock it must agree with, less the offset
    double (*read)();
    bool shifted;
};

const Reading kReadings[] = {
    {"clock_gettime(CLOCK_REALTIME)", CLOCK_REALTIME, [] { return through_clock_gettime(CLOCK_REALTIME); }, true},
    {"clock_gettime(CLOCK_REALTIME_COARSE)", CLOCK_REALTIME,
     [] { return through_clock_gettime(CLOCK_REALTIME_COARSE); }, true},
    {"time()", CLOCK_REALTIME, [] { return static_cast<double>(time(nullptr)); }, true},
    {"gettimeofday()", CLOCK_REALTIME,
     [] {
         timeval tv{};
         gettimeofday(&tv, nullptr);
         return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6;
     },
     true},
    {"clock_gettime(CLOCK_MONOTONIC)", CLOCK_MONOTONIC, [] { return through_clock_gettime(CLOCK_MONOTONIC); }, false},
    {"clock_gettime(CLOCK_MONOTONIC_COARSE)", CLOCK_MONOTONIC,
     [] { return through_clock_gettime(CLOCK_MONOTONIC_COARSE); }, false},
    {"clock_gettime(CLOCK_BOOTTIME)", CLOCK_BOOTTIME, [] { return through_clock_gettime(CLOCK_BOOTTIME); }, false},
};

TEST(ClockShift, IsLoadedWithTheOffsetOfItsEnvironment) {
    using Offset = long long (*)();
    const auto offset = reinterpret_cast<Offset>(dlsym(RTLD_DEFAULT, "velmora_clock_offset"));
    ASSERT_NE(offset, nullptr) << "the preload is not loaded";
    EXPECT_EQ(offset(), expected_offset());
}

TEST(ClockShift, MovesTheWallClockOnlyByTheOffset) {
    const double offset = static_cast<double>(expected_offset());
    for (const Reading& r : kReadings) {
        const double before = system_clock(r.system);
        const double seen = r.read();
        const double after = system_clock(r.system);
        const double shift = r.shifted ? offset : 0;
        // Whole-second and coarse readings may lie up to a second (a tick) behind.
        EXPECT_GE(seen, before + shift - 1.0) << r.name;
        EXPECT_LE(seen, after + shift + 0.01) << r.name;
    }
}

}  // namespace
