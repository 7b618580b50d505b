#pragma once
// The current-time panel: copies the present local date and time into the clock fields.

#include <cstddef>

#include "engine/clock.h"
#include "engine/fields.h"

namespace engine {

// The clock fields' places in a window's store, looked up once by name.
struct ClockFields {
    explicit ClockFields(const FieldStore& fields);
    std::size_t year, month, day, hour, minute, second, month_name, year_value;
};

// On each tick of Timer1: CurYear, CurMon, CurDay, CurHour, CurMin, CurSec, MonName, each
// from a fresh reading, then the two separate year tests that write "365" into CurYearVal.
void clock_run(FieldStore& fields, const ClockFields& at, const Clock& clock);
void clock_run(FieldStore& fields, const Clock& clock);

// On each click of Command1: the same six fields from CurMon to MonName; CurYear and
// CurYearVal are left alone.
void manual_clock_run(FieldStore& fields, const ClockFields& at, const Clock& clock);
void manual_clock_run(FieldStore& fields, const Clock& clock);

}  // namespace engine
