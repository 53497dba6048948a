#pragma once

#include <string>
#include <string_view>

namespace engine {

// The values a stored statement takes.
struct StatementValues {
    std::string storeId;
    std::string filterDate;
    std::string key;
    long long offset = 0;
};

// Fills a stored statement: "{store}", "{date}" and "{key}" are replaced by the
// values with their single quotes doubled (they always stand between the quotes
// that the stored text supplies), "{offset}" by the number of rows to skip in
// decimal digits. Any other text is kept exactly as stored.
std::string expandStatement(std::string_view stored, const StatementValues& values);

}  // namespace engine
