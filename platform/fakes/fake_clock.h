#pragma once
// A clock that reads whatever instant a test sets, optionally stepping between readings.

#include <array>
#include <deque>
#include <stdexcept>
#include <string>

#include "engine/clock.h"

namespace fakes {

class FakeClock final : public engine::Clock {
public:
    FakeClock() = default;
    explicit FakeClock(engine::LocalTime t) : now_(t) {}

    void set(engine::LocalTime t) {
        now_ = t;
        queue_.clear();
    }
    // The following readings return these instants one by one, then stay at the last one.
    void then(std::deque<engine::LocalTime> readings) { queue_ = std::move(readings); }
    void set_month_names(std::array<std::string, 12> names) { names_ = std::move(names); }

    engine::LocalTime now() const override {
        ++readings_;
        if (!queue_.empty()) {
            now_ = queue_.front();
            queue_.pop_front();
        }
        return now_;
    }
    std::string_view month_name(int month) const override {
        if (month < 1 || month > 12) throw std::out_of_range("month");
        return names_[static_cast<std::size_t>(month - 1)];
    }
    int readings() const { return readings_; }

private:
    mutable engine::LocalTime now_{2013, 1, 1, 0, 0, 0};
    mutable std::deque<engine::LocalTime> queue_;
    mutable int readings_ = 0;
    std::array<std::string, 12> names_{"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};
};

}  // namespace fakes
