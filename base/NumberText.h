#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace base {

// Reads a 32-bit integer: optional leading blanks, an optional sign, decimal
// digits, nothing after them. Empty text, fractions, letters and values out of
// range give no value.
std::optional<int32_t> parseInt32(std::string_view text);

// Reads a double with the program's decimal separator: optional blanks around a
// decimal number with an optional exponent. Anything else gives no value.
std::optional<double> parseDouble(std::string_view text);

// The same with a fallback for text that does not read as a number.
int32_t toInt32Or(std::string_view text, int32_t fallback);
double toDoubleOr(std::string_view text, double fallback);

}  // namespace base
