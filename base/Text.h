#pragma once

#include <string>
#include <string_view>

namespace base {

// The text without the blanks, tabs and line breaks (ASCII white space) at either
// end; every other byte as it stands.
std::string trimmed(std::string_view text);

}  // namespace base
