#pragma once
// The festival countdown: from the clock fields to the countdown fields and the sentence.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "engine/fields.h"
#include "engine/numbers.h"

namespace engine {

// The countdown's fields' places in a window's store, looked up once by name.
struct CountdownFields {
    explicit CountdownFields(const FieldStore& fields);
    std::size_t cur_month, cur_day, cur_hour, cur_minute, cur_second, month_name, year_value;
    std::size_t end_month, end_day, end_days, end_hour, end_minute, end_second, sentence;
    // The stamps (FieldStore::stamp) of EndDays, EndHour, EndMinute, EndSecond and the sentence
    // when the sentence was last composed: while they stand, composing it again gives the
    // text it already holds. Not yet composed: stamps no field has.
    mutable std::array<std::uint64_t, 5> composed_at{~0ULL, ~0ULL, ~0ULL, ~0ULL, ~0ULL};
};

struct CountdownActions {
    std::function<void()> stop_timer;           // switches Timer2 off
    std::function<void()> open_arrival_window;  // a new arrival window, shown modeless
};

// On each tick of Timer2. A field that does not read as a number ends the run at that
// step and is given back (nothing when the run completed); what the earlier steps wrote
// stays written. Outside its months the run fails this way ten times a second, so it
// throws nothing.
[[nodiscard]] std::optional<Mismatch> countdown_run(FieldStore& fields, const CountdownFields& at,
                                                    const CountdownActions& actions);
[[nodiscard]] std::optional<Mismatch> countdown_run(FieldStore& fields, const CountdownActions& actions);

// On each click of Command2: EndMon, EndDays (26 - day), EndHour, EndMinute, EndSecond.
[[nodiscard]] std::optional<Mismatch> manual_countdown_run(FieldStore& fields, const CountdownFields& at);
[[nodiscard]] std::optional<Mismatch> manual_countdown_run(FieldStore& fields);

}  // namespace engine
