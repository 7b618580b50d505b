// A preload that moves the wall clock of a process by a constant, and nothing else.
//
//   LD_PRELOAD=libvelmora_clockshift.so VELMORA_CLOCK_OFFSET=SECONDS program
//
// clock_gettime(CLOCK_REALTIME) and (CLOCK_REALTIME_COARSE), time() and gettimeofday() read
// SECONDS later than the system clock (earlier when negative); every other clock, the
// monotonic ones that timers run on included, is left alone. The offset is read once when the
// library is loaded; a reading then is the C library's own (a vDSO call, no system call) plus
// one addition, with no lock and no signal mask, so the benchmark's programs pay for the
// shift nothing they would not pay on the real clock.

#include <dlfcn.h>
#include <sys/time.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace {

using ClockGettime = int (*)(clockid_t, timespec*);

std::atomic<ClockGettime> real_clock_gettime{nullptr};
std::atomic<long long> offset_s{0};

// Idempotent, so a reading made before the constructor ran (another library's constructor)
// resolves it itself; two threads doing so at once store the same pointer.
ClockGettime real() {
    ClockGettime f = real_clock_gettime.load(std::memory_order_relaxed);
    if (!f) {
        f = reinterpret_cast<ClockGettime>(dlsym(RTLD_NEXT, "clock_gettime"));
        real_clock_gettime.store(f, std::memory_order_relaxed);
    }
    return f;
}

long long parse_offset(const char* text) {
    if (!text || !*text) return 0;
    char* end = nullptr;
    errno = 0;
    const long long s = std::strtoll(text, &end, 10);
    return (errno != 0 || *end != '\0') ? 0 : s;
}

__attribute__((constructor)) void load() {
    offset_s.store(parse_offset(std::getenv("VELMORA_CLOCK_OFFSET")), std::memory_order_relaxed);
    real();
}

bool wall(clockid_t id) { return id == CLOCK_REALTIME || id == CLOCK_REALTIME_COARSE; }

}  // namespace

extern "C" {

// What the library was loaded with, so a test can tell it is there.
__attribute__((visibility("default"))) long long velmora_clock_offset() {
    return offset_s.load(std::memory_order_relaxed);
}

__attribute__((visibility("default"))) int clock_gettime(clockid_t id, timespec* ts) noexcept {
    const int r = real()(id, ts);
    if (r == 0 && wall(id)) ts->tv_sec += static_cast<time_t>(offset_s.load(std::memory_order_relaxed));
    return r;
}

__attribute__((visibility("default"))) time_t time(time_t* out) noexcept {
    timespec ts{};
    if (real()(CLOCK_REALTIME, &ts) != 0) return static_cast<time_t>(-1);
    const time_t t = ts.tv_sec + static_cast<time_t>(offset_s.load(std::memory_order_relaxed));
    if (out) *out = t;
    return t;
}

__attribute__((visibility("default"))) int gettimeofday(timeval* __restrict tv, void* __restrict /*tz*/) noexcept {
    timespec ts{};
    if (real()(CLOCK_REALTIME, &ts) != 0) return -1;
    tv->tv_sec = ts.tv_sec + static_cast<time_t>(offset_s.load(std::memory_order_relaxed));
    tv->tv_usec = static_cast<suseconds_t>(ts.tv_nsec / 1000);
    return 0;
}

}  // extern "C"
