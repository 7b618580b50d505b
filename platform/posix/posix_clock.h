#pragma once
// The system clock in local time, and month names in the user's LC_TIME settings.

#include <locale.h>

#include <array>
#include <ctime>
#include <string>
#include <string_view>

#include "engine/clock.h"

namespace platform {

class PosixClock final : public engine::Clock {
public:
    // Opens the user's LC_TIME locale once ("C" when the environment names one that is not
    // installed) and reads its twelve month names; the global locale of the process is
    // neither read nor changed.
    PosixClock();
    ~PosixClock() override;
    PosixClock(const PosixClock&) = delete;
    PosixClock& operator=(const PosixClock&) = delete;

    // Reads the clock afresh each time; the conversion to local time is made once for each
    // second the clock shows (a clock run reads it seven times, ten times a second).
    engine::LocalTime now() const override;
    // Month 1 to 12; any other number throws std::out_of_range.
    std::string_view month_name(int month) const override;

private:
    locale_t time_locale_;
    std::array<std::string, 12> month_names_;
    // The last second converted and its local time; used from one thread only, as the
    // forms runtime runs every handler on its own.
    mutable std::time_t converted_ = static_cast<std::time_t>(-1);
    mutable engine::LocalTime local_{};
};

}  // namespace platform
