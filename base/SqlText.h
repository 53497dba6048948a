#pragma once

#include <string>
#include <string_view>

namespace base {

// A value ready to stand between the single quotes of an SQL string literal:
// every single quote doubled. Every value the engine places between the quotes of
// a stored statement piece (keys, store id, bill numbers, dates) goes through this.
std::string sqlLiteralBody(std::string_view value);

}  // namespace base
