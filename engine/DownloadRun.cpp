#include "engine/DownloadRun.h"

#include "base/DateTimeFormat.h"
#include "base/ScopeExit.h"
#include "engine/Categories.h"
#include "engine/PathChoice.h"
#include "engine/RunContext.h"

namespace engine {

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
    for (size_t i = 0; i < categories().size(); ++i) {
        report.refresh();
        if (!request.isTicked(i)) continue;
        const Category& category = categories()[i];
        run.log(base::logTimestamp());
        run.log(std::string(category.caption) + "...Loading.");
        run.category = static_cast<int>(i);
        run.counts().ran = true;
        choosePath(run);
        category.branch(run);
    }
    run.log("Done...");
}

}  // namespace engine
