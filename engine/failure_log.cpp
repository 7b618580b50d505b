#include "engine/failure_log.h"

#include <string_view>

#include "engine/numbers.h"

namespace engine {

namespace {

// The failures whose field and text alone tell why, in the words of a person waiting for the
// festival: each text is the field's design text, left in place by the runs' own rules.
struct KnownCause {
    std::string_view field, text, why;
};
// clang-format off
constexpr KnownCause kKnownCauses[] = {
    {.field = "CurYearVal", .text = "Label9",
     .why = "The countdown counts to the festival of 12 April 2013, and in December it adds a year's length that "
            "the clock writes into CurYearVal (\"365\") only in 2012 and 2013: in December of other years the "
            "sentence keeps its last text (\"Label2\" until one is written)"},
    {.field = "EndDays", .text = "EndDays",
     .why = "The countdown works out its day count only in February, March, April and December: in the other "
            "months, until it has one, the sentence shows \"EndDays\" where the days belong"},
    {.field = "CurMon", .text = "CurMon",
     .why = "The clock had not yet written the date and time; its next run does"},
};
// clang-format on

std::string_view known_cause(const Mismatch& failure) {
    for (const KnownCause& c : kKnownCauses)
        if (failure.field == c.field && failure.text == c.text) return c.why;
    return {};
}

}  // namespace

FailureLog::FailureLog(LineSink out, std::string what) : out_(std::move(out)), what_(std::move(what)) {}

bool FailureLog::report(const Mismatch& failure) {
    // Ten runs a second fail the same way until the cause goes away: say it once.
    std::string cause = failure.field + '\0' + failure.text;
    if (!reported_.insert(std::move(cause)).second || !out_) return false;
    std::string line = "velmora3-c: " + what_ + " stopped: field " + failure.field + " holds \"" + failure.text +
                       "\", which is not a number";
    if (const std::string_view why = known_cause(failure); !why.empty()) line.append(". ").append(why).append(".");
    out_(line + '\n');
    return false;
}

}  // namespace engine
