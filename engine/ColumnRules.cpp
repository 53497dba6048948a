#include "engine/ColumnRules.h"

#include "db/IniFile.h"

namespace engine {

std::optional<ColumnMismatch> positionMismatch(const std::vector<std::string>& branch,
                                               const std::vector<std::string>& headquarters) {
    for (size_t i = 0; i < branch.size() && i < headquarters.size(); ++i) {
        if (!db::sameName(branch[i], headquarters[i])) {
            return ColumnMismatch{"column " + std::to_string(i + 1) + " is " + branch[i] +
                                  ", headquarters has " + headquarters[i] + " there"};
        }
    }
    if (branch.size() <= headquarters.size()) return std::nullopt;
    const size_t first = headquarters.size();
    return ColumnMismatch{
        "column " + std::to_string(first + 1) + " " + branch[first] +
            (headquarters.empty()
                 ? std::string(" has no column of headquarters to come from")
                 : " comes after headquarters' last column " + headquarters.back()),
        true};
}

std::vector<std::string> missingByName(const std::vector<std::string>& branch,
                                       const std::vector<std::string>& headquarters) {
    std::vector<std::string> missing;
    for (const std::string& name : branch) {
        bool found = false;
        for (const std::string& other : headquarters) found = found || db::sameName(name, other);
        if (!found) missing.push_back(name);
    }
    return missing;
}

}  // namespace engine
