#include "engine/clock_run.h"

#include "engine/numbers.h"

namespace engine {

namespace {

// Each part takes a fresh reading, so a run across the change of a minute can tear; the
// next tick writes a consistent set again.
void write_parts(FieldStore& f, const platform::Clock& clock) {
    write_number(f, "CurMon", clock.now().month);
    write_number(f, "CurDay", clock.now().day);
    write_number(f, "CurHour", clock.now().hour);
    write_number(f, "CurMin", clock.now().minute);
    write_number(f, "CurSec", clock.now().second);
    f.set("MonName", clock.month_name(clock.now().month));
}

}  // namespace

void clock_run(FieldStore& f, const platform::Clock& clock) {
    write_number(f, "CurYear", clock.now().year);
    write_parts(f, clock);
    // Two separate tests, both made on every run; both years count 365 days.
    if (read_number(f, "CurYear") == 2012) f.set("CurYearVal", "365");
    if (read_number(f, "CurYear") == 2013) f.set("CurYearVal", "365");
}

void manual_clock_run(FieldStore& f, const platform::Clock& clock) { write_parts(f, clock); }

}  // namespace engine
