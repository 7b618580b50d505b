#pragma once
// How a run that ended on a failed conversion is reported: one line on standard error
// per distinct cause, and not again until a run has completed cleanly. The line names the
// run, the field and its text; where those tell the cause for certain (a design text that
// the clock's and the countdown's rules leave in place), it says why in plain words.

#include <functional>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>

#include "engine/numbers.h"

namespace engine {

// Where a report goes: one whole line, its newline included, handed over at once. The
// program writes it to standard error without any stream: a stream of the C++ library, even
// one never written to, sets up the library's locales, about 0.3 MiB of resident code.
using LineSink = std::function<void(const std::string& line)>;

// A sink that writes each line to out and flushes it.
LineSink line_sink(std::ostream& out);

class FailureLog {
public:
    // what names the run in the line, such as "countdown run".
    FailureLog(LineSink out, std::string what);
    FailureLog(std::ostream& out, std::string what) : FailureLog(line_sink(out), std::move(what)) {}

    // Runs body; a TypeMismatch ends it and is reported (once per distinct cause). Returns
    // whether the body completed. Other exceptions pass through.
    template <class Body>
    bool run(Body&& body) {
        try {
            body();
        } catch (const TypeMismatch& e) {
            return record(Mismatch{e.field(), e.text()});
        }
        return record(std::nullopt);
    }

    // The outcome of a run that gives its failure back: reported as run() reports a
    // TypeMismatch. Returns whether the run completed.
    bool record(const std::optional<Mismatch>& failure) {
        if (!failure) {
            if (!reported_.empty()) reported_.clear();
            return true;
        }
        return report(*failure);
    }

private:
    bool report(const Mismatch& failure);

    LineSink out_;
    std::string what_;
    std::set<std::string> reported_;
};

}  // namespace engine
