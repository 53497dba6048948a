#include "check/DownloadTables.h"

#include <deque>
#include <string>
#include <vector>

#include "base/DateTimeFormat.h"
#include "engine/Categories.h"

namespace check {
namespace {

using enum BranchRule;

BranchRule ruleOf(const engine::CategoryTable& category) {
    switch (category.copy) {
        case engine::CopyMode::ByName:
            return KnownColumns;
        case engine::CopyMode::ByPosition:
            return category.queueTable ? SameColumns : LeadingColumns;
        case engine::CopyMode::BillInsert:
            break;
    }
    return BillColumns;
}

// The download's tables and queues as the categories have them: the master tables
// first, then each kind of bill's master and lines.
struct Tables {
    Tables() {
        for (const auto& c : engine::kCategoryTables) {
            if (c.isBill()) continue;
            add(c.table, ruleOf(c), c.queueTable != nullptr, true);
            if (c.queueTable) queues.push_back({c.queueTable, c.keyColumn});
        }
        for (const auto& c : engine::kCategoryTables) {
            if (!c.isBill()) continue;
            add(c.recordTable(), BillColumns, false, false);
            add(c.linesTable(), BillColumns, false, false);
            queues.push_back({c.queueTable, c.keyColumn});
        }
    }
    void add(std::string name, BranchRule rule, bool joined, bool mirrored) {
        tables.push_back({names.emplace_back(std::move(name)).c_str(), rule, joined, mirrored});
    }

    std::deque<std::string> names;  // what the tables' names point into
    std::vector<DownloadTable> tables;
    std::vector<WaitQueue> queues;
};

const Tables& fromCategories() {
    static const Tables tables;
    return tables;
}

constexpr TextDateColumn kTextDates[] = {
    {"CHG_DATE", base::kShortDatePattern},
    {"CHG_TIME", base::kLongTimePattern},
    {"CHGPRICE_DATE", base::kShortDatePattern},
};

constexpr const char* kQueueColumns[] = {kStoreColumn, "STATE", kClaimColumn};

}  // namespace

std::span<const DownloadTable> downloadTables() {
    return fromCategories().tables;
}
std::span<const WaitQueue> waitQueues() {
    return fromCategories().queues;
}
std::span<const TextDateColumn> textDateColumns() {
    return kTextDates;
}
std::span<const char* const> queueColumns() {
    return kQueueColumns;
}

}  // namespace check
