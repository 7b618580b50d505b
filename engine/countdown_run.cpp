#include "engine/countdown_run.h"

#include <string>

#include "engine/numbers.h"

namespace engine {

namespace {

// target = constant - source, each read and written as text.
void remainder(FieldStore& f, std::string_view target, double constant, std::string_view source) {
    write_number(f, target, constant - read_number(f, source));
}

void time_of_day_remainders(FieldStore& f) {
    remainder(f, "EndHour", 24, "CurHour");
    remainder(f, "EndMinute", 60, "CurMin");
    remainder(f, "EndSecond", 60, "CurSec");
}

}  // namespace

void countdown_run(FieldStore& f, const CountdownActions& actions) {
    remainder(f, "EndMon", 10, "CurMon");
    remainder(f, "EndDay", 12, "CurDay");
    time_of_day_remainders(f);

    // The day count by the month's English name; every comparison is made, in this order.
    // Months without a rule leave EndDays as it was.
    const std::string month = f.get("MonName");
    if (month == "February") write_number(f, "EndDays", read_number(f, "EndDay") + 59);
    if (month == "March") write_number(f, "EndDays", read_number(f, "EndDay") + 30);
    if (month == "April") f.set("EndDays", f.get("EndDay"));
    if (month == "December") {
        const double rest_of_year = 181 - read_number(f, "EndDay");
        write_number(f, "EndDays", read_number(f, "CurYearVal") + rest_of_year);
    }

    f.set("Final", "It is " + f.get("EndDays") + " Days, " + f.get("EndHour") + " Hours, " + f.get("EndMinute") +
                       " Minutes, and " + f.get("EndSecond") + " Seconds");

    // The countdown stops at exactly zero days; a negative count goes on.
    if (read_number(f, "EndDays") == 0) {
        actions.stop_timer();
        actions.open_arrival_window();
    }
}

void manual_countdown_run(FieldStore& f) {
    remainder(f, "EndMon", 10, "CurMon");
    remainder(f, "EndDays", 26, "CurDay");
    time_of_day_remainders(f);
}

}  // namespace engine
