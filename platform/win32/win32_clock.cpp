#include "platform/win32/win32_clock.h"

#include <windows.h>

#include <stdexcept>

#include "platform/win32/win32_text.h"

namespace platform_win32 {

namespace {

// LOCALE_SMONTHNAMEn is the name on its own; a date's "MMMM" would give the declined form
// that languages such as Russian use inside a date.
std::array<std::string, 12> month_names_of(const wchar_t* locale) {
    std::array<std::string, 12> names;
    for (int m = 1; m <= 12; ++m) {
        wchar_t name[80];
        const LCTYPE item = static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + (m - 1));
        const int written = GetLocaleInfoEx(locale, item, name, static_cast<int>(std::size(name)));
        if (written <= 0)
            throw std::runtime_error("no month names for the locale \"" + to_utf8(locale ? locale : L"(user)") +
                                     "\" (error " + std::to_string(GetLastError()) + ")");
        names[static_cast<std::size_t>(m - 1)] =
            to_utf8(std::wstring_view(name, static_cast<std::size_t>(written - 1)));
    }
    return names;
}

}  // namespace

Win32Clock::Win32Clock() : month_names_(month_names_of(LOCALE_NAME_USER_DEFAULT)) {}

Win32Clock::Win32Clock(const std::wstring& locale_name) : month_names_(month_names_of(locale_name.c_str())) {}

engine::LocalTime Win32Clock::now() const {
    FILETIME instant{};
    GetSystemTimeAsFileTime(&instant);
    const std::uint64_t second = ((std::uint64_t{instant.dwHighDateTime} << 32) | instant.dwLowDateTime) / 10'000'000;
    SYSTEMTIME utc{}, t{};
    bool local = FileTimeToSystemTime(&instant, &utc);
    if (local && second != zone_second_) {
        local = GetTimeZoneInformation(&zone_) != TIME_ZONE_ID_INVALID;
        zone_second_ = local ? second : UINT64_MAX;
    }
    local = local && SystemTimeToTzSpecificLocalTime(&zone_, &utc, &t);
    if (!local) GetLocalTime(&t);  // the system's own conversion when ours cannot be made
    return {
        .year = t.wYear, .month = t.wMonth, .day = t.wDay, .hour = t.wHour, .minute = t.wMinute, .second = t.wSecond};
}

std::string_view Win32Clock::month_name(int month) const {
    if (month < 1 || month > 12) throw std::out_of_range("month " + std::to_string(month) + " is not 1 to 12");
    return month_names_[static_cast<std::size_t>(month - 1)];
}

}  // namespace platform_win32
