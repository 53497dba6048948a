#pragma once

#include <string>

namespace db {

// A table or column name as a connection's dialect writes it in a statement the
// dataset layer makes: double-quoted in dialect 3, where that keeps its letter
// case; bare in dialect 1, which has no quoted identifiers (a double-quoted text is
// a string literal there).
inline std::string identifier(const std::string& name, int dialect) {
    if (dialect < 3) return name;
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

}  // namespace db
