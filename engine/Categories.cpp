#include "engine/Categories.h"

#include "base/Text.h"
#include "engine/BillQueues.h"
#include "engine/CategoryTables.h"
#include "engine/WaitQueues.h"

namespace engine {
namespace {

// The branch that downloads each category, in check-list order.
constexpr std::array<void (*)(RunContext&), kCategoryCount> kBranches{
    downloadTopCategories,   downloadMiddleCategories, downloadSmallCategories,
    downloadProducts,        downloadVendors,          downloadPromotionBills,
    downloadWholesaleBills,  downloadPriceChangeBills, downloadQuotations,
    downloadVendorDiscounts, downloadPackaging,        downloadCustomers,
};

constexpr std::array<Category, kCategoryCount> withBranches() {
    std::array<Category, kCategoryCount> all{};
    for (size_t i = 0; i < kCategoryCount; ++i) all[i] = {kCategoryTables[i], kBranches[i]};
    return all;
}

constexpr std::array<Category, kCategoryCount> kCategories = withBranches();

}  // namespace

const std::array<Category, kCategoryCount>& categories() {
    return kCategories;
}

std::string deleteRowsStatement(const std::string& table, const char* keyColumn) {
    return "DELETE FROM " + table + " WHERE " + keyColumn + " = '{key}'";
}

namespace {
std::string spelled(const std::string& table, TableNames names) {
    return names == TableNames::LowerCase ? base::asciiLower(table) : table;
}
}  // namespace

std::string deleteLinesStatement(const CategoryTable& bill, TableNames names) {
    return deleteRowsStatement(spelled(bill.linesTable(), names), bill.keyColumn);
}

std::string deleteMasterStatement(const CategoryTable& bill, TableNames names) {
    return deleteRowsStatement(spelled(bill.recordTable(), names), bill.keyColumn);
}

}  // namespace engine
