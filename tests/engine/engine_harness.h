#pragma once
// The fields of Main that the clock and countdown runs use, with their design texts, and a
// small stand-in for Main's two timers that drives the runs the way the program does.

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "engine/clock_run.h"
#include "engine/countdown_run.h"
#include "engine/fields.h"
#include "platform/fakes/fake_clock.h"

namespace engine_test {

inline constexpr engine::FieldSpec kEngineFields[] = {
    {"CurYear", "Label9"},      {"CurMon", "CurMon"},       {"CurDay", "CurDay"},   {"CurHour", "CurHour"},
    {"CurMin", "CurMin"},       {"CurSec", "CurSec"},       {"MonName", "MonName"}, {"CurYearVal", "Label9"},
    {"EndMon", "EndMon"},       {"EndDay", "EndDay"},       {"EndDays", "EndDays"}, {"EndHour", "EndHour"},
    {"EndMinute", "EndMinute"}, {"EndSecond", "EndSecond"}, {"Final", "Label2"},    {"TotalDays", "TotalDays"},
    {"DaysInMon", "Label9"},
};

inline engine::LocalTime at(int year, int month, int day, int hour, int minute, int second) {
    return {.year = year, .month = month, .day = day, .hour = hour, .minute = minute, .second = second};
}

// Every field's text, by name, to compare a whole store before and after a run.
inline std::map<std::string, std::string> snapshot(const engine::FieldStore& f) {
    std::map<std::string, std::string> out;
    for (std::size_t i = 0; i < f.size(); ++i) out[f.name(i)] = f.text(i);
    return out;
}

// Main as far as the engine sees it: the fields, the clock, Timer2's switch and the
// arrival windows. The stop callback switches Timer2 off, so no later tick reaches the
// countdown run, exactly as in the program.
struct Program {
    engine::FieldStore fields{kEngineFields};
    // The timers' runs find their fields by place, looked up once, as the program's do.
    engine::ClockFields clock_at{fields};
    engine::CountdownFields countdown_at{fields};
    fakes::FakeClock clock;
    bool timer2_on = true;
    int arrival_windows = 0;
    std::vector<std::string> actions;  // "stop" and "open", in the order they happened

    engine::CountdownActions countdown_actions() {
        return {.stop_timer =
                    [this] {
                        actions.push_back("stop");
                        timer2_on = false;
                    },
                .open_arrival_window =
                    [this] {
                        actions.push_back("open");
                        ++arrival_windows;
                    }};
    }

    void tick_timer1() { engine::clock_run(fields, clock_at, clock); }
    // Returns false when Timer2 is off and the tick never comes.
    bool tick_timer2() {
        if (!timer2_on) return false;
        throw_on(engine::countdown_run(fields, countdown_at, countdown_actions()));
        return true;
    }
    void press_command1() { engine::manual_clock_run(fields, clock); }
    void press_command2() { throw_on(engine::manual_countdown_run(fields)); }
    // The runs give their failure back; the tests see it as the exception a read throws.
    static void throw_on(const std::optional<engine::Mismatch>& failure) {
        if (failure) throw engine::TypeMismatch(failure->field, failure->text);
    }

    // One tick of each timer at the instant t.
    void tick_at(engine::LocalTime t) {
        clock.set(t);
        tick_timer1();
        tick_timer2();
    }

    const std::string& operator[](std::string_view name) const { return fields.get(name); }
};

// What a run that stops the countdown does, in order: Timer2 off, then one arrival window.
inline const std::vector<std::string> kStopped = {"stop", "open"};

// What the countdown's fields and Timer2 should hold after a run; whatever is left unset is
// not checked. `stopped`: the run stopped the countdown (Timer2 off, one arrival window), or
// it did neither.
struct CountdownState {
    std::optional<std::string> mon = {}, day = {}, days = {}, hour = {}, minute = {}, second = {};
    std::optional<bool> stopped = {};
    std::optional<std::string> sentence = {};
};

// The countdown's sentence from its parts.
inline std::string sentence(const std::string& days, const char* hours, const char* minutes, const char* seconds) {
    return "It is " + days + " Days, " + hours + " Hours, " + minutes + " Minutes, and " + seconds + " Seconds";
}

inline void expect_countdown_fields(const Program& p, const CountdownState& e) {
    const std::pair<const char*, const std::optional<std::string>&> fields[] = {
        {"EndMon", e.mon},       {"EndDay", e.day},       {"EndDays", e.days},  {"EndHour", e.hour},
        {"EndMinute", e.minute}, {"EndSecond", e.second}, {"Final", e.sentence}};
    for (const auto& [name, text] : fields) {
        if (text) {
            EXPECT_EQ(p[name], *text) << name;
        }
    }
    if (e.stopped) {
        EXPECT_EQ(p.actions, *e.stopped ? kStopped : std::vector<std::string>{}) << "Timer2 off first, then the window";
        EXPECT_EQ(p.timer2_on, !*e.stopped);
    }
}

// Runs the countdown and returns the field whose text failed to convert, and that text
// (nothing when the run went through).
inline std::optional<engine::Mismatch> timer2_mismatch(Program& p) {
    try {
        p.tick_timer2();
    } catch (const engine::TypeMismatch& e) {
        return engine::Mismatch{e.field(), e.text()};
    }
    return std::nullopt;
}

// The field alone ("" when none).
inline std::string failing_field(Program& p) {
    const auto mismatch = timer2_mismatch(p);
    return mismatch ? mismatch->field : "";
}

}  // namespace engine_test

namespace engine {
// Failed expectations name the field and its text.
inline void PrintTo(const Mismatch& m, std::ostream* os) { *os << m.field << " holding \"" << m.text << '"'; }
}  // namespace engine
