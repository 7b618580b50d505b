#include "engine/countdown_run.h"

#include <string>

#include "engine/numbers.h"

namespace engine {

CountdownFields::CountdownFields(const FieldStore& f)
    : cur_month(f.index_of("CurMon")),
      cur_day(f.index_of("CurDay")),
      cur_hour(f.index_of("CurHour")),
      cur_minute(f.index_of("CurMin")),
      cur_second(f.index_of("CurSec")),
      month_name(f.index_of("MonName")),
      year_value(f.index_of("CurYearVal")),
      end_month(f.index_of("EndMon")),
      end_day(f.index_of("EndDay")),
      end_days(f.index_of("EndDays")),
      end_hour(f.index_of("EndHour")),
      end_minute(f.index_of("EndMinute")),
      end_second(f.index_of("EndSecond")),
      sentence(f.index_of("Final")) {}

namespace {

// One run's steps over the fields. The first field that does not read as a number ends
// the run: each step says whether the run goes on, and failure keeps the field and its text.
class Steps {
public:
    Steps(FieldStore& f, const CountdownFields& at) : f_(f), at_(at) {}

    std::optional<double> number(std::size_t field) { return try_read_number(f_, field, failure); }

    // target = constant - source, each read and written as text.
    bool remainder(std::size_t target, double constant, std::size_t source) {
        const std::optional<double> value = number(source);
        if (value) write_number(f_, target, constant - *value);
        return value.has_value();
    }

    // EndDays = EndDay + days, for the months that count from the festival's day.
    bool days_after_end_day(double days) {
        const std::optional<double> day = number(at_.end_day);
        if (day) write_number(f_, at_.end_days, *day + days);
        return day.has_value();
    }

    bool time_of_day_remainders() {
        return remainder(at_.end_hour, 24, at_.cur_hour) && remainder(at_.end_minute, 60, at_.cur_minute) &&
               remainder(at_.end_second, 60, at_.cur_second);
    }

    std::optional<Mismatch> failure;

private:
    FieldStore& f_;
    const CountdownFields& at_;
};

// The sentence is composed in one buffer that keeps its room from run to run; the runs all
// happen on the user-interface thread, one at a time.
std::string& sentence_buffer() {
    thread_local std::string buffer;
    buffer.clear();
    return buffer;
}

}  // namespace

std::optional<Mismatch> countdown_run(FieldStore& f, const CountdownFields& at, const CountdownActions& actions) {
    Steps run(f, at);
    if (!run.remainder(at.end_month, 10, at.cur_month) || !run.remainder(at.end_day, 12, at.cur_day) ||
        !run.time_of_day_remainders())
        return run.failure;

    // The day count by the month's English name; every comparison is made, in this order.
    // Months without a rule leave EndDays as it was; no rule writes MonName.
    const std::string& month = f.text(at.month_name);
    if (month == "February" && !run.days_after_end_day(59)) return run.failure;
    if (month == "March" && !run.days_after_end_day(30)) return run.failure;
    if (month == "April") f.set(at.end_days, f.text(at.end_day));
    if (month == "December") {
        const std::optional<double> day = run.number(at.end_day);
        if (!day) return run.failure;
        const double rest_of_year = 181 - *day;
        const std::optional<double> year_length = run.number(at.year_value);
        if (!year_length) return run.failure;
        write_number(f, at.end_days, *year_length + rest_of_year);
    }

    // Composed again only when one of its parts, or the sentence itself, was written since.
    const std::array<std::uint64_t, 5> parts = {f.stamp(at.end_days), f.stamp(at.end_hour), f.stamp(at.end_minute),
                                                f.stamp(at.end_second), f.stamp(at.sentence)};
    if (parts != at.composed_at) {
        std::string& sentence = sentence_buffer();
        sentence.append("It is ").append(f.text(at.end_days)).append(" Days, ");
        sentence.append(f.text(at.end_hour)).append(" Hours, ").append(f.text(at.end_minute));
        sentence.append(" Minutes, and ").append(f.text(at.end_second)).append(" Seconds");
        f.set(at.sentence, sentence);
        at.composed_at = parts;
        at.composed_at[4] = f.stamp(at.sentence);
    }

    // The countdown stops at exactly zero days; a negative count goes on.
    const std::optional<double> days = run.number(at.end_days);
    if (!days) return run.failure;
    if (*days == 0) {
        actions.stop_timer();
        actions.open_arrival_window();
    }
    return std::nullopt;
}

std::optional<Mismatch> countdown_run(FieldStore& f, const CountdownActions& actions) {
    return countdown_run(f, CountdownFields(f), actions);
}

std::optional<Mismatch> manual_countdown_run(FieldStore& f, const CountdownFields& at) {
    Steps run(f, at);
    if (!run.remainder(at.end_month, 10, at.cur_month) || !run.remainder(at.end_days, 26, at.cur_day) ||
        !run.time_of_day_remainders())
        return run.failure;
    return std::nullopt;
}

std::optional<Mismatch> manual_countdown_run(FieldStore& f) { return manual_countdown_run(f, CountdownFields(f)); }

}  // namespace engine
