#pragma once
// The system clock in local time, and month names in the user's LC_TIME settings.

#include <locale.h>

#include <string>

#include "platform/clock.h"

namespace platform {

class PosixClock final : public Clock {
public:
    // Opens the user's LC_TIME locale once ("C" when the environment names one that is not
    // installed); the global locale of the process is neither read nor changed.
    PosixClock();
    ~PosixClock() override;
    PosixClock(const PosixClock&) = delete;
    PosixClock& operator=(const PosixClock&) = delete;

    LocalTime now() const override;
    // Month 1 to 12; any other number throws std::out_of_range.
    std::string month_name(int month) const override;

private:
    locale_t time_locale_;
};

}  // namespace platform
