#include "engine/failure_log.h"

#include "engine/numbers.h"

namespace engine {

FailureLog::FailureLog(std::ostream& out, std::string what) : out_(out), what_(std::move(what)) {}

bool FailureLog::run(const std::function<void()>& body) {
    try {
        body();
    } catch (const TypeMismatch& e) {
        return record(Mismatch{e.field(), e.text()});
    }
    return record(std::nullopt);
}

bool FailureLog::record(const std::optional<Mismatch>& failure) {
    if (!failure) {
        reported_.clear();
        return true;
    }
    // Ten runs a second fail the same way until the cause goes away: say it once.
    std::string cause = failure->field + '\0' + failure->text;
    if (reported_.insert(std::move(cause)).second)
        out_ << "velmora3-c: " << what_ << " stopped: field " << failure->field << " holds \"" << failure->text
             << "\", which is not a number\n"
             << std::flush;
    return false;
}

}  // namespace engine
