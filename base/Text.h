#pragma once

#include <string>
#include <string_view>

namespace base {

// The text without the blanks, tabs and line breaks (ASCII white space) at either
// end; every other byte as it stands.
std::string trimmed(std::string_view text);

// The text with the letters A to Z turned into a to z; every other byte unchanged
// (multi-byte characters of other scripts stay as they are).
std::string asciiLower(std::string_view text);

// Whether two names are equal without regard to the letter case of A to Z (INI
// keys, field and parameter names, column names); other bytes must match exactly.
bool sameName(std::string_view a, std::string_view b);

}  // namespace base
