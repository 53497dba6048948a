#include "engine/DownloadRun.h"

#include <array>

#include "base/DateTimeFormat.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "engine/BillQueues.h"
#include "engine/Categories.h"
#include "engine/CategoryTables.h"
#include "engine/PathChoice.h"
#include "engine/RunContext.h"
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

void runDownload(const RunRequest& request, RunReport& report, FormData& data,
                 const RunOptions& options) {
    RunContext run(request, report, data);
    run.pageBoundCap = options.pageBoundCap;
    if (options.bulkPageSize > 0) run.bulkPageSize = options.bulkPageSize;
    if (options.bulkCommitRows > 0) run.bulkCommitRows = options.bulkCommitRows;
    // No transaction stays open between runs, and the tally is handed over, however
    // the run ends.
    const base::ScopeExit endOfRun([&] {
        data.endImplicitTransactions();
        data.releasePreparedStatements();
        if (options.tally) *options.tally = run.tally;
    });
    data.verifyLinks();

    report.clearLog();
    for (size_t i = 0; i < kCategories.size(); ++i) {
        report.refresh();
        if (!request.isTicked(i)) continue;
        run.log(base::logTimestamp());
        run.log(std::string(kCategories[i].caption) + "...Loading.");
        run.category = static_cast<int>(i);
        run.counts().ran = true;
        choosePath(run);
        kCategories[i].branch(run);
    }
    run.log("Done...");
}

}  // namespace engine
