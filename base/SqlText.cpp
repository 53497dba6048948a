#include "base/SqlText.h"

namespace base {

std::string sqlLiteralBody(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

}  // namespace base
