#pragma once
// The present local date and time, as the clock fields need it: the engine declares the clock it
// reads, and the platform supplies the real one.

#include <string_view>

namespace engine {

// One reading of the local clock, to the whole second.
struct LocalTime {
    int year = 0;    // in full, such as 2013
    int month = 0;   // 1 to 12
    int day = 0;     // 1 to 31
    int hour = 0;    // 0 to 23
    int minute = 0;  // 0 to 59
    int second = 0;  // 0 to 59
};

class Clock {
public:
    virtual ~Clock() = default;
    // Every call is a fresh reading of the system clock.
    virtual LocalTime now() const = 0;
    // Full, unabbreviated name of month 1 to 12 in the user's language settings
    // ("January" ... "December" with English settings); the text lives as long as the clock.
    virtual std::string_view month_name(int month) const = 0;
};

}  // namespace engine
