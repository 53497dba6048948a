#include "base/Text.h"

namespace base {
namespace {

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

std::string trimmed(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isAsciiSpace(text[begin])) ++begin;
    while (end > begin && isAsciiSpace(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace base
