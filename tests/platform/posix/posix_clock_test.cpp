#include "platform/posix/posix_clock.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Names = std::array<const char*, 12>;

const Names kEnglish = {"January", "February", "March",     "April",   "May",      "June",
                        "July",    "August",   "September", "October", "November", "December"};
const Names kFrench = {"janvier", "février", "mars",      "avril",   "mai",      "juin",
                       "juillet", "août",    "septembre", "octobre", "novembre", "décembre"};

// Sets environment variables for the life of the guard and puts the old values back.
class EnvGuard {
public:
    ~EnvGuard() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
        tzset();
    }
    void set(const char* name, const std::string& value) {
        remember(name);
        setenv(name, value.c_str(), 1);
    }
    void unset(const char* name) {
        remember(name);
        unsetenv(name);
    }

private:
    void remember(const char* name) {
        const char* old = getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

bool locale_opens(const std::string& name) {
    locale_t l = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (l) freelocale(l);
    return l != nullptr;
}

// Where the locale `name` (such as "fr_FR.UTF-8") can be found: "" when the system has it
// installed, else a LOCPATH folder in the build tree where localedef has compiled it from
// the sources of Debian's "locales" package. nullopt when neither is possible.
std::optional<std::string> locale_path_for(const std::string& name) {
    if (locale_opens(name)) return "";
    const fs::path dir = VELMORA_TEST_LOCALE_DIR;
    const fs::path target = dir / name;
    if (!fs::exists(target)) {
        const std::string source = name.substr(0, name.find('.'));
        if (!fs::exists("/usr/share/i18n/locales/" + source) || access("/usr/bin/localedef", X_OK) != 0)
            return std::nullopt;
        fs::create_directories(dir);
        // Other test processes may build the same locale at once: build aside, then rename.
        const fs::path partial = dir / (name + ".partial." + std::to_string(getpid()));
        const std::string command =
            "/usr/bin/localedef -i " + source + " -f UTF-8 '" + partial.string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return std::nullopt;
        std::error_code ignored;
        fs::rename(partial, target, ignored);
        fs::remove_all(partial, ignored);
    }
    return dir.string();
}

// A clock made while the environment names `name` for LC_ALL.
#define CLOCK_IN_LOCALE(var, name)                                                                 \
    EnvGuard var##_env;                                                                            \
    const std::optional<std::string> var##_path = locale_path_for(name);                           \
    if (!var##_path) GTEST_SKIP() << name << " is neither installed nor buildable with localedef"; \
    if (!var##_path->empty()) var##_env.set("LOCPATH", *var##_path);                               \
    var##_env.set("LC_ALL", name);                                                                 \
    const platform::PosixClock var

void expect_names(const platform::PosixClock& clock, const Names& expected) {
    for (int m = 1; m <= 12; ++m) EXPECT_EQ(clock.month_name(m), expected[static_cast<std::size_t>(m - 1)]) << m;
}

TEST(PosixClock, EnglishNamesInTheCLocale) {
    EnvGuard env;
    env.set("LC_ALL", "C");
    expect_names(platform::PosixClock(), kEnglish);
}

TEST(PosixClock, EnglishNamesWithUsEnglishSettings) {
    CLOCK_IN_LOCALE(clock, "en_US.UTF-8");
    expect_names(clock, kEnglish);
}

TEST(PosixClock, FrenchNamesWithFrenchSettings) {
    CLOCK_IN_LOCALE(clock, "fr_FR.UTF-8");
    expect_names(clock, kFrench);
}

TEST(PosixClock, NamesAreTheStandaloneForm) {
    // Russian declines month names: "января" inside a date, "Январь" on its own.
    CLOCK_IN_LOCALE(clock, "ru_RU.UTF-8");
    EXPECT_EQ(clock.month_name(1), "Январь");
    EXPECT_EQ(clock.month_name(12), "Декабрь");
}

TEST(PosixClock, LcTimeAloneDecides) {
    const std::optional<std::string> path = locale_path_for("fr_FR.UTF-8");
    if (!path) GTEST_SKIP() << "fr_FR.UTF-8 is neither installed nor buildable with localedef";
    EnvGuard env;
    if (!path->empty()) env.set("LOCPATH", *path);
    env.unset("LC_ALL");
    env.set("LANG", "C");
    env.set("LC_MESSAGES", "C");
    env.set("LC_TIME", "fr_FR.UTF-8");
    EXPECT_EQ(platform::PosixClock().month_name(8), "août");
}

TEST(PosixClock, UninstalledLocaleFallsBackToEnglish) {
    EnvGuard env;
    env.set("LC_ALL", "xx_NOWHERE.UTF-8");
    expect_names(platform::PosixClock(), kEnglish);
}

TEST(PosixClock, LeavesTheGlobalLocaleAlone) {
    const std::string before = setlocale(LC_ALL, nullptr);
    {
        CLOCK_IN_LOCALE(clock, "fr_FR.UTF-8");
        EXPECT_EQ(clock.month_name(2), "février") << "the names do not come from the global locale";
        EXPECT_EQ(setlocale(LC_ALL, nullptr), before);
    }
    EXPECT_EQ(setlocale(LC_ALL, nullptr), before);
}

TEST(PosixClock, MonthOutsideOneToTwelveThrows) {
    const platform::PosixClock clock;
    for (int m : {0, 13, -1, 100, INT_MIN, INT_MAX}) EXPECT_THROW(clock.month_name(m), std::out_of_range) << m;
}

engine::LocalTime from_tm(const std::tm& tm) {
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}
bool same(const engine::LocalTime& a, const engine::LocalTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second;
}
std::string text(const engine::LocalTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buffer;
}

// The reading lies between two readings of time(): it must equal the local time of one.
void expect_reading_matches(const platform::PosixClock& clock, std::tm* (*convert)(const std::time_t*, std::tm*),
                            long offset_seconds) {
    const std::time_t before = std::time(nullptr);
    const engine::LocalTime reading = clock.now();
    const std::time_t after = std::time(nullptr);
    ASSERT_LE(after - before, 1) << "the test machine stalled";
    bool matched = false;
    for (std::time_t t = before; t <= after; ++t) {
        const std::time_t shifted = t + offset_seconds;
        std::tm tm{};
        ASSERT_NE(convert(&shifted, &tm), nullptr);
        matched = matched || same(reading, from_tm(tm));
    }
    EXPECT_TRUE(matched) << "reading " << text(reading) << " is not the time between two readings of time()";
}

TEST(PosixClock, ReadingMatchesLocaltime) {
    const platform::PosixClock clock;
    expect_reading_matches(clock, localtime_r, 0);
    const engine::LocalTime t = clock.now();
    EXPECT_TRUE(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31) << text(t);
    EXPECT_TRUE(t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 60)
        << text(t);
}

TEST(PosixClock, ReadingsFollowTheClockFromSecondToSecond) {
    // Many readings within one second and the first ones of the next each match the clock.
    const platform::PosixClock clock;
    const engine::LocalTime first = clock.now();
    const std::time_t start = std::time(nullptr);
    while (std::time(nullptr) == start) expect_reading_matches(clock, localtime_r, 0);
    for (int i = 0; i < 3; ++i) expect_reading_matches(clock, localtime_r, 0);
    EXPECT_FALSE(same(clock.now(), first)) << "the reading stayed at " << text(first);
}

TEST(PosixClock, ReadingIsLocalTimeNotUtc) {
    // A zone 5 h 45 min east of UTC, given as a POSIX TZ rule, so no zone database is needed.
    EnvGuard env;
    env.set("TZ", "VEL-05:45");
    tzset();
    expect_reading_matches(platform::PosixClock(), gmtime_r, 5 * 3600 + 45 * 60);
}

}  // namespace
