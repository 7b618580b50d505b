#pragma once
// The system clock in local time, and month names in the user's regional settings.

#include <array>
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

    // GetLocalTime afresh on every call.
    engine::LocalTime now() const override;
    // Month 1 to 12, in UTF-8, the standalone form (nominative, as a calendar's heading shows
    // it); any other number throws std::out_of_range.
    std::string_view month_name(int month) const override;

private:
    std::array<std::string, 12> month_names_;
};

}  // namespace platform_win32
