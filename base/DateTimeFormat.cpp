#include "base/DateTimeFormat.h"

#include <cctype>
#include <cstdio>

namespace base {
namespace {

// Length of the run of the same letter (any case) starting at pos.
size_t runLength(std::string_view pattern, size_t pos) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[pos])));
    size_t end = pos;
    while (end < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[end])) == c) {
        ++end;
    }
    return end - pos;
}

void appendNumber(std::string& out, int value, size_t width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", static_cast<int>(width), value);
    out += buf;
}

}  // namespace

std::string formatDateTime(const LocalDateTime& v, std::string_view pattern) {
    std::string out;
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
        const size_t n = runLength(pattern, i);
        switch (c) {
            case 'y':
                appendNumber(out, n <= 2 ? v.year % 100 : v.year, n <= 2 ? 2 : 4);
                break;
            case 'm':
                appendNumber(out, v.month, 2);
                break;
            case 'd':
                appendNumber(out, v.day, 2);
                break;
            case 'h':
                appendNumber(out, v.hour, 2);
                break;
            case 'n':
                appendNumber(out, v.minute, 2);
                break;
            case 's':
                appendNumber(out, v.second, 2);
                break;
            case '/':
                out.append(n, kDateSeparator);
                break;
            case ':':
                out.append(n, kTimeSeparator);
                break;
            default:
                out.append(pattern.substr(i, n));
                break;
        }
        i += n;
    }
    return out;
}

std::string logTimestamp() {
    return formatDateTime(now(), kLogTimestampPattern);
}

}  // namespace base
