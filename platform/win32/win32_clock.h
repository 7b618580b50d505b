#pragma once
// The system clock in local time, and month names in the user's regional settings.

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/clock.h"

namespace platform_win32 {

class Win32Clock final : public engine::Clock {
public:
    // Month names of the user's locale (LOCALE_NAME_USER_DEFAULT), read once.
    Win32Clock();
    // Month names of a locale named the Windows way ("fr-FR", "ja-JP"); a name the system does
    // not know throws std::runtime_error.
    explicit Win32Clock(const std::wstring& locale_name);

    // The system clock read afresh on every call, in the time zone's local time. The zone's
    // rules are asked once for each new second the clock reads: GetLocalTime asks them on every
    // call, which costs Wine several times the reading itself, ten times a second for each of
    // a clock run's parts. A change of time zone shows from the next second on.
    engine::LocalTime now() const override;
    // Month 1 to 12, in UTF-8, the standalone form (nominative, as a calendar's heading shows
    // it); any other number throws std::out_of_range.
    std::string_view month_name(int month) const override;

private:
    std::array<std::string, 12> month_names_;
    // The zone as last asked; read and written by the one thread that reads the clock (the
    // user-interface thread's timers).
    mutable TIME_ZONE_INFORMATION zone_{};
    mutable std::uint64_t zone_second_ = UINT64_MAX;  // the second the zone was asked in
};

}  // namespace platform_win32
