#include "engine/DownloadRun.h"

#include <array>

#include "base/DateTimeFormat.h"
#include "base/ScopeExit.h"
#include "engine/BillQueues.h"
#include "engine/CategoryTables.h"
#include "engine/RunContext.h"
#include "engine/WaitQueues.h"

namespace engine {
namespace {

using Branch = void (*)(RunContext&);

// The branch of every category index, in check-list order.
constexpr std::array<Branch, 12> kBranches{
    downloadTopCategories,     // 0 商品大類
    downloadMiddleCategories,  // 1 商品中類
    downloadSmallCategories,   // 2 商品小類
    downloadProducts,          // 3 商品資料
    downloadVendors,           // 4 廠商資料
    downloadPromotionBills,    // 5 販促單據
    downloadWholesaleBills,    // 6 批銷資料
    downloadPriceChangeBills,  // 7 變價單據
    downloadQuotations,        // 8 廠商詢價
    downloadVendorDiscounts,   // 9 廠商優惠
    downloadPackaging,         // 10 商品包裝
    downloadCustomers,         // 11 客戶資料
};

}  // namespace

void runDownload(RunView& view, FormData& data, const std::string& storeId,
                 const RunOptions& options) {
    RunContext run{view, data, storeId, view.filterDateText(), options.pageBoundCap, options.bulk};
    // No transaction stays open between runs, and the tally is handed over, however
    // the run ends.
    const base::ScopeExit endOfRun([&] {
        data.endImplicitTransactions();
        if (options.tally) *options.tally = run.tally;
    });
    data.verifyLinks();

    view.clearLog();
    const int count = view.categoryCount();
    for (int i = 0; i < count; ++i) {
        view.refresh();
        if (!view.isCategoryChecked(i)) continue;
        run.log(base::logTimestamp());
        run.log(view.categoryCaption(i) + "...Loading.");
        if (i >= static_cast<int>(kBranches.size())) continue;
        run.category = i;
        run.counts().ran = true;
        kBranches[static_cast<size_t>(i)](run);
    }
    run.log("Done...");
}

}  // namespace engine
