#include "engine/failure_log.h"

#include <ostream>

#include "engine/numbers.h"

namespace engine {

LineSink line_sink(std::ostream& out) {
    return [&out](const std::string& line) { out << line << std::flush; };
}

FailureLog::FailureLog(LineSink out, std::string what) : out_(std::move(out)), what_(std::move(what)) {}

bool FailureLog::report(const Mismatch& failure) {
    // Ten runs a second fail the same way until the cause goes away: say it once.
    std::string cause = failure.field + '\0' + failure.text;
    if (reported_.insert(std::move(cause)).second && out_)
        out_("velmora3-c: " + what_ + " stopped: field " + failure.field + " holds \"" + failure.text +
             "\", which is not a number\n");
    return false;
}

}  // namespace engine
