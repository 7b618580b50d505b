#include "platform/posix/posix_clock.h"

#include <langinfo.h>

#include <cerrno>
#include <ctime>
#include <stdexcept>
#include <system_error>

namespace platform {

namespace {

locale_t open_time_locale() {
    if (locale_t l = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr))) return l;
    // The environment names a locale that is not installed: English names, as "C" has them.
    if (locale_t l = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr))) return l;
    throw std::system_error(errno, std::generic_category(), "newlocale");
}

// The standalone (nominative) form where the C library has one: in languages that
// decline month names, MON_n is the form used inside a date ("1 stycznia"), ALTMON_n the
// name on its own ("styczeń").
nl_item month_item(int month) {
#ifdef ALTMON_1
    return static_cast<nl_item>(ALTMON_1 + (month - 1));
#else
    return static_cast<nl_item>(MON_1 + (month - 1));
#endif
}

}  // namespace

PosixClock::PosixClock() : time_locale_(open_time_locale()) {
    // The locale is fixed for the clock's life, and so are its names.
    for (int m = 1; m <= 12; ++m)
        month_names_[static_cast<std::size_t>(m - 1)] = nl_langinfo_l(month_item(m), time_locale_);
}

PosixClock::~PosixClock() { freelocale(time_locale_); }

engine::LocalTime PosixClock::now() const {
    const std::time_t t = std::time(nullptr);
    if (t == static_cast<std::time_t>(-1))
        throw std::system_error(errno, std::generic_category(), "reading the local time");
    if (t == converted_) return local_;
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        throw std::system_error(errno, std::generic_category(), "reading the local time");
    local_ = {.year = tm.tm_year + 1900,
              .month = tm.tm_mon + 1,
              .day = tm.tm_mday,
              .hour = tm.tm_hour,
              .minute = tm.tm_min,
              .second = tm.tm_sec};
    converted_ = t;
    return local_;
}

std::string_view PosixClock::month_name(int month) const {
    if (month < 1 || month > 12) throw std::out_of_range("month " + std::to_string(month) + " is not 1 to 12");
    return month_names_[static_cast<std::size_t>(month - 1)];
}

}  // namespace platform
