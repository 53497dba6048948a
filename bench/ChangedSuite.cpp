// Mode Changed: headquarters holds N products and N queued changes of one store;
// the branch is empty. The default path, the bulk path and the physical limit.
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

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

PhaseResult measureSide(const std::string& side, long long changes, const TimingModule& timing) {
    const BenchTable& products = benchTable("product");
    const Stopwatch setUp;
    BenchDatabases databases(products, changes);
    databases.queueChanges(kStore, changes);
    std::fprintf(stderr, "  headquarters with %lld products and as many queued changes in %.1f s\n",
                 changes, setUp.seconds());

    resetPeakRss();
    const long long writes = databases.branchPageWrites();
    PhaseResult r;
    if (side == "limit") {
        PhysicalLimit limit(databases.sourcePath(), databases.targetPath(), products.name);
        r = limit.download(changedProductsSql(kStore), removeQueuedChangesSql(kStore));
    } else {
        EngineSide engine(databases.registry(OLVARIN_TIMING_DRIVER), products,
                          {.bulk = side == "bulk", .mode = engine::kModeChanged, .storeId = kStore},
                          timing.times());
        r = engine.download();
    }
    r.peakRssKiB = peakRssKiB();
    r.branchPageWrites = databases.branchPageWrites() - writes;
    printProgress(side + " PRODUCT changed", r);

    const long long onBranch = databases.branchRowCount();
    const long long stillQueued = databases.queuedChanges(kStore);
    if (onBranch != changes || stillQueued != 0) {
        throw std::runtime_error(side + ": " + std::to_string(onBranch) +
                                 " products on the branch, " + std::to_string(stillQueued) +
                                 " changes still queued; expected " + std::to_string(changes) +
                                 " and 0");
    }
    return r;
}

}  // namespace

int runChangedSuite(const BenchOptions& options) {
    std::fprintf(stderr, "changed, %lld queued changes:\n", options.changes);
    return runInChild([&] {
        const TimingModule timing;
        // The default path only up to --default-cap changes, as in the sizes suite.
        std::vector<std::string> sides{"bulk", "limit"};
        if (options.changes <= options.defaultCap) sides.insert(sides.begin(), "default");
        std::map<std::string, PhaseResult> results;
        for (const std::string& side : sides)
            results[side] = measureSide(side, options.changes, timing);
        for (const std::string& side : sides) {
            SideLine line{
                "Changed, empty branch", options.changes, "PRODUCT", side, results[side], {}, {}};
            if (side != "default" && results.count("default"))
                line.speedUp = results["default"].seconds / results[side].seconds;
            if (side != "limit") line.ofLimit = results[side].seconds / results["limit"].seconds;
            printTableRow(line);
        }
        return 0;
    });
}

}  // namespace bench
