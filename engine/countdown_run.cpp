#include "engine/countdown_run.h"

#include <string>

#include "engine/numbers.h"

namespace engine {

namespace {

// One run's steps over the fields. The first field that does not read as a number ends
// the run: each step says whether the run goes on, and failure keeps the field and its text.
class Steps {
public:
    explicit Steps(FieldStore& f) : f_(f) {}

    std::optional<double> number(std::string_view field) { return try_read_number(f_, field, failure); }

    // target = constant - source, each read and written as text.
    bool remainder(std::string_view target, double constant, std::string_view source) {
        const std::optional<double> value = number(source);
        if (value) write_number(f_, target, constant - *value);
        return value.has_value();
    }

    // EndDays = EndDay + days, for the months that count from the festival's day.
    bool days_after_end_day(double days) {
        const std::optional<double> day = number("EndDay");
        if (day) write_number(f_, "EndDays", *day + days);
        return day.has_value();
    }

    bool time_of_day_remainders() {
        return remainder("EndHour", 24, "CurHour") && remainder("EndMinute", 60, "CurMin") &&
               remainder("EndSecond", 60, "CurSec");
    }

    std::optional<Mismatch> failure;

private:
    FieldStore& f_;
};

}  // namespace

std::optional<Mismatch> countdown_run(FieldStore& f, const CountdownActions& actions) {
    Steps run(f);
    if (!run.remainder("EndMon", 10, "CurMon") || !run.remainder("EndDay", 12, "CurDay") ||
        !run.time_of_day_remainders())
        return run.failure;

    // The day count by the month's English name; every comparison is made, in this order.
    // Months without a rule leave EndDays as it was.
    const std::string month = f.get("MonName");
    if (month == "February" && !run.days_after_end_day(59)) return run.failure;
    if (month == "March" && !run.days_after_end_day(30)) return run.failure;
    if (month == "April") f.set("EndDays", f.get("EndDay"));
    if (month == "December") {
        const std::optional<double> day = run.number("EndDay");
        if (!day) return run.failure;
        const double rest_of_year = 181 - *day;
        const std::optional<double> year_length = run.number("CurYearVal");
        if (!year_length) return run.failure;
        write_number(f, "EndDays", *year_length + rest_of_year);
    }

    f.set("Final", "It is " + f.get("EndDays") + " Days, " + f.get("EndHour") + " Hours, " + f.get("EndMinute") +
                       " Minutes, and " + f.get("EndSecond") + " Seconds");

    // The countdown stops at exactly zero days; a negative count goes on.
    const std::optional<double> days = run.number("EndDays");
    if (!days) return run.failure;
    if (*days == 0) {
        actions.stop_timer();
        actions.open_arrival_window();
    }
    return std::nullopt;
}

std::optional<Mismatch> manual_countdown_run(FieldStore& f) {
    Steps run(f);
    if (!run.remainder("EndMon", 10, "CurMon") || !run.remainder("EndDays", 26, "CurDay") ||
        !run.time_of_day_remainders())
        return run.failure;
    return std::nullopt;
}

}  // namespace engine
