#include "base/NumberText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "base/DateTimeFormat.h"

namespace base {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<int32_t> parseInt32(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<double> parseDouble(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    if (begin == end) return std::nullopt;
    std::string s(text.substr(begin, end - begin));
    if (kDecimalSeparator != '.') {
        for (char& c : s) {
            if (c == kDecimalSeparator) c = '.';
        }
    }
    const char* first = s.data();
    if (*first == '+') ++first;  // from_chars takes no plus sign
    double value = 0;
    auto [ptr, ec] = std::from_chars(first, s.data() + s.size(), value);
    if (ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

int32_t toInt32Or(std::string_view text, int32_t fallback) {
    return parseInt32(text).value_or(fallback);
}

double toDoubleOr(std::string_view text, double fallback) {
    return parseDouble(text).value_or(fallback);
}

}  // namespace base
