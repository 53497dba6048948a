// A chain-wide discontinuation in mode Changed: headquarters' PRODUCT_WAIT holds N
// 'DELETE' rows for one store and the branch holds those N products. The default
// path, the bulk path and the physical limit.
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

#include "bench/BenchDatabases.h"
#include "bench/BenchTable.h"
#include "bench/ChangeQueue.h"
#include "bench/ChildProcess.h"
#include "bench/EngineSide.h"
#include "bench/Measure.h"
#include "bench/PhysicalLimit.h"
#include "bench/Report.h"
#include "bench/Suites.h"
#include "bench/TimingModule.h"

namespace bench {
namespace {

const char* const kStore = "0001";

// The limit: the store's claimed keys in one cursor, one DELETE prepared once on
// the branch, one transaction; then the queue rows removed.
PhaseResult limitSide(BenchDatabases& databases) {
    PhysicalLimit limit(databases.sourcePath(), databases.targetPath(), "PRODUCT");
    return limit.download(std::string("SELECT PROD_ID FROM PRODUCT_WAIT WHERE STORE_ID = '") +
                              kStore + "' AND STATE = 'DELETE'",
                          removeQueuedChangesSql(kStore), "DELETE FROM PRODUCT WHERE PROD_ID = ?");
}

PhaseResult measureSide(const std::string& side, long long deletions, const TimingModule& timing) {
    const BenchTable& products = benchTable("product");
    const Stopwatch setUp;
    BenchDatabases databases(products, 0);  // headquarters has discontinued them
    databases.fillBranch(deletions);
    databases.queueChanges(kStore, deletions, "DELETE");
    std::fprintf(stderr, "  a branch with %lld products, as many queued deletions, in %.1f s\n",
                 deletions, setUp.seconds());

    resetPeakRss();
    const long long writes = databases.branchPageWrites();
    PhaseResult r;
    if (side == "limit") {
        r = limitSide(databases);
    } else {
        EngineSide engine(databases.registry(OLVARIN_TIMING_DRIVER), products,
                          {.bulk = side == "bulk", .mode = engine::kModeChanged, .storeId = kStore},
                          timing.times());
        r = engine.download();
    }
    r.rows = deletions;
    r.peakRssKiB = peakRssKiB();
    r.branchPageWrites = databases.branchPageWrites() - writes;
    printProgress(side + " PRODUCT deletions", r);

    const long long onBranch = databases.branchRowCount();
    const long long stillQueued = databases.queuedChanges(kStore);
    if (onBranch != 0 || stillQueued != 0) {
        throw std::runtime_error(side + ": " + std::to_string(onBranch) +
                                 " products still on the branch, " + std::to_string(stillQueued) +
                                 " deletions still queued; expected 0 and 0");
    }
    return r;
}

}  // namespace

int runDeletionsSuite(const BenchOptions& options) {
    std::fprintf(stderr, "deletions, %lld queued deletions:\n", options.deletions);
    return runInChild([&] {
        const TimingModule timing;
        std::map<std::string, PhaseResult> results;
        for (const char* side : {"default", "bulk", "limit"}) {
            results[side] = measureSide(side, options.deletions, timing);
        }
        for (const char* side : {"default", "bulk", "limit"}) {
            SideLine line{
                "Changed, deletions", options.deletions, "PRODUCT", side, results[side], {}, {}};
            if (std::string(side) != "default")
                line.speedUp = results["default"].seconds / results[side].seconds;
            if (std::string(side) != "limit")
                line.ofLimit = results[side].seconds / results["limit"].seconds;
            printTableRow(line);
        }
        return 0;
    });
}

}  // namespace bench
