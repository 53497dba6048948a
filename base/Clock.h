#pragma once

#include <functional>

namespace base {

// A local calendar date and time of day, as the program shows and stores it.
struct LocalDateTime {
    int year = 0;
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
};

// The one place that says what "now" is. Everything that reads the clock
// (timestamps in the log, today's date in the date field, the due date of price
// changes) goes through now(), so that a test can fix the day.
LocalDateTime now();

// Replaces the clock; an empty function restores the system's local time.
// Meant for tests; not thread-safe (the program reads the clock from one thread).
void setClock(std::function<LocalDateTime()> clock);

}  // namespace base
