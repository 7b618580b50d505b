#include "engine/failure_log.h"

#include "engine/numbers.h"

namespace engine {

FailureLog::FailureLog(std::ostream& out, std::string what) : out_(out), what_(std::move(what)) {}

bool FailureLog::run(const std::function<void()>& body) {
    try {
        body();
    } catch (const TypeMismatch& e) {
        // Ten runs a second fail the same way until the cause goes away: say it once.
        std::string cause = e.field() + '\0' + e.text();
        if (reported_.insert(std::move(cause)).second)
            out_ << "velmora3-c: " << what_ << " stopped: field " << e.field() << " holds \"" << e.text()
                 << "\", which is not a number\n"
                 << std::flush;
        return false;
    }
    reported_.clear();
    return true;
}

}  // namespace engine
