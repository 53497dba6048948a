#include "engine/DownloadRun.h"

#include <array>

#include "base/DateTimeFormat.h"
#include "base/ScopeExit.h"
#include "engine/BillQueues.h"
#include "engine/Categories.h"
#include "engine/CategoryTables.h"
#include "engine/PathChoice.h"
#include "engine/RunContext.h"
#include "engine/WaitQueues.h"

namespace engine {
namespace {

constexpr std::array<Category, kCategoryCount> kCategories{{
    {"商品大類", "PROD_TOPITEM", downloadTopCategories},
    {"商品中類", "PROD_HIITEM", downloadMiddleCategories},
    {"商品小類", "PROD_ITEM", downloadSmallCategories},
    {"商品資料", "PRODUCT", downloadProducts},
    {"廠商資料", "PROVIDER", downloadVendors},
    {"販促單據", "PSALE", downloadPromotionBills},
    {"批銷資料", "PTSALE", downloadWholesaleBills},
    {"變價單據", "CHGPRICE", downloadPriceChangeBills},
    {"廠商詢價", "QUOT", downloadQuotations},
    {"廠商優惠", "INPROMOTION", downloadVendorDiscounts},
    {"商品包裝", "PROD_SALE", downloadPackaging},
    {"客戶資料", "CUSTOMER", downloadCustomers},
}};

}  // namespace

const std::array<Category, kCategoryCount>& categories() {
    return kCategories;
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
