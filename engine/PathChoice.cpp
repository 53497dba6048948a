#include "engine/PathChoice.h"

#include <string>

#include "engine/Categories.h"
#include "engine/QueueProbe.h"

namespace engine {
namespace {

// The path and the log line that says why.
struct Choice {
    bool bulk;
    std::string reason;
};

// A category run whole (mode All, or a table without a queue): by the rows the branch
// holds, which is what headquarters had at the last run.
Choice decideWholeTable(const std::string& branchTable, long long branchRows, long long threshold) {
    if (branchRows > threshold)
        return {true, "Bulk path: the branch's " + branchTable + " holds more than " +
                          std::to_string(threshold) + " rows"};
    return {false,
            "Default path: the branch's " + branchTable + " holds " + std::to_string(branchRows)};
}

Choice decide(RunContext& run, const CategoryTable& category, long long threshold) {
    const std::string branchTable = category.recordTable();
    const long long branchRows =
        runBoundedCount(run.data.CDS_T1, boundedCount(branchTable, "1 AS ONE", threshold + 1));
    if (branchRows == 0) return {true, "Bulk path: the branch's " + branchTable + " is empty"};
    if (!category.queueTable || run.request.mode != kModeChanged)
        return decideWholeTable(branchTable, branchRows, threshold);
    const std::string queue = category.queueTable;
    const long long queued = storeQueueRows(run, queue, threshold + 1);
    run.queuedRows = queued;
    if (queued == 0) return {true, "Bulk path: nothing queued in " + queue};
    if (queued > threshold)
        return {true, "Bulk path: more than " + std::to_string(threshold) + " queued in " + queue};
    return {false, "Default path: " + std::to_string(queued) + " queued in " + queue};
}

}  // namespace

void choosePath(RunContext& run) {
    run.queuedRows.reset();
    run.bulk = run.request.bulk == BulkDownload::On;
    if (run.request.bulk != BulkDownload::Auto) return;
    const int mode = run.request.mode;
    if (mode != kModeAll && mode != kModeChanged) return;
    const Choice choice =
        decide(run, kCategoryTables[static_cast<size_t>(run.category) % kCategoryCount],
               run.request.bulkThreshold);
    run.bulk = choice.bulk;
    run.log(choice.reason);
}

}  // namespace engine
