#pragma once

#include <string>
#include <vector>

namespace db {

// What a byte of an SQL text is part of: statement code, a '...' literal, a "..."
// quoted name, or a comment (-- to the end of the line, /* ... */). The quotes and
// comment markers belong to their part; a doubled quote inside a literal or a
// quoted name closes it and opens the next at once, which comes to the same.
enum class SqlPart { Code, Literal, QuotedName, Comment };

// The part of every byte of sql, one per byte. The one scanner of statement texts:
// parameter markers and the table a dataset updates are looked for in code only.
std::vector<SqlPart> sqlParts(const std::string& sql);

// A byte of an unquoted name: a letter or digit of ASCII, '_' or '$'.
bool isSqlNameChar(char c);

}  // namespace db
