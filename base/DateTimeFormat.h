#pragma once

#include <string>
#include <string_view>

#include "base/Clock.h"

namespace base {

// The regional settings the program uses whatever the machine's locale.
inline constexpr char kDateSeparator = '/';
inline constexpr char kTimeSeparator = ':';
inline constexpr char kDecimalSeparator = '.';

// The patterns the program formats with.
inline constexpr std::string_view kLogTimestampPattern = "yyyy/mm/dd-hh:nn:ss";
inline constexpr std::string_view kShortDatePattern = "yyyy/mm/dd";
inline constexpr std::string_view kPriceDatePattern = "YYYY/MM/DD";
inline constexpr std::string_view kLongTimePattern = "hh:nn:ss";

// Formats a date and time with a pattern. Letters are matched without regard to
// case: "yyyy" the four-digit year, "mm" the two-digit month, "dd" the day, "hh" the
// 24-hour hour, "nn" the minutes, "ss" the seconds. "/" gives the date separator and
// ":" the time separator; any other character is copied.
std::string formatDateTime(const LocalDateTime& value, std::string_view pattern);

// now() in the log's timestamp pattern, e.g. "2005/03/01-09:30:05".
std::string logTimestamp();

}  // namespace base
