#include "engine/clock_run.h"

#include "engine/numbers.h"

namespace engine {

ClockFields::ClockFields(const FieldStore& f)
    : year(f.index_of("CurYear")),
      month(f.index_of("CurMon")),
      day(f.index_of("CurDay")),
      hour(f.index_of("CurHour")),
      minute(f.index_of("CurMin")),
      second(f.index_of("CurSec")),
      month_name(f.index_of("MonName")),
      year_value(f.index_of("CurYearVal")) {}

namespace {

// Each part takes a fresh reading, so a run across the change of a minute can tear; the
// next tick writes a consistent set again.
void write_parts(FieldStore& f, const ClockFields& at, const Clock& clock) {
    write_number(f, at.month, clock.now().month);
    write_number(f, at.day, clock.now().day);
    write_number(f, at.hour, clock.now().hour);
    write_number(f, at.minute, clock.now().minute);
    write_number(f, at.second, clock.now().second);
    f.set(at.month_name, clock.month_name(clock.now().month));
}

double read_year(const FieldStore& f, const ClockFields& at) {
    std::optional<Mismatch> failure;
    if (const std::optional<double> year = try_read_number(f, at.year, failure)) return *year;
    throw TypeMismatch(failure->field, failure->text);
}

}  // namespace

void clock_run(FieldStore& f, const ClockFields& at, const Clock& clock) {
    write_number(f, at.year, clock.now().year);
    write_parts(f, at, clock);
    // Two separate tests, both made on every run; both years count 365 days.
    if (read_year(f, at) == 2012) f.set(at.year_value, "365");
    if (read_year(f, at) == 2013) f.set(at.year_value, "365");
}

void clock_run(FieldStore& f, const Clock& clock) { clock_run(f, ClockFields(f), clock); }

void manual_clock_run(FieldStore& f, const ClockFields& at, const Clock& clock) { write_parts(f, at, clock); }

void manual_clock_run(FieldStore& f, const Clock& clock) { write_parts(f, ClockFields(f), clock); }

}  // namespace engine
