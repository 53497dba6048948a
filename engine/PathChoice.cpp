#include "engine/PathChoice.h"

#include <cstring>
#include <string>

#include "engine/Categories.h"
#include "engine/QueueProbe.h"

namespace engine {
namespace {

// The branch table whose emptiness means a first load, and the store's wait queue
// at headquarters (nullptr: the category is copied whole), by Category::table.
struct PathTables {
    const char* category;
    const char* branchTable;
    const char* queueTable;
};

constexpr PathTables kPathTables[] = {
    {"PROD_TOPITEM", "PROD_TOPITEM", nullptr},
    {"PROD_HIITEM", "PROD_HIITEM", nullptr},
    {"PROD_ITEM", "PROD_ITEM", nullptr},
    {"PRODUCT", "PRODUCT", "PRODUCT_WAIT"},
    {"PROVIDER", "PROVIDER", "PROVIDER_WAIT"},
    {"PSALE", "PSALE_MASTER", "PSALE_WAIT"},
    {"PTSALE", "PTSALE_MASTER", "PTSALE_WAIT"},
    {"CHGPRICE", "CHGPRICE_MASTER", "CHGPRICE_WAIT"},
    {"QUOT", "QUOT_MASTER", "QUOT_WAIT"},
    {"INPROMOTION", "INPROMOTION_MASTER", "INPROMOTION_WAIT"},
    {"PROD_SALE", "PROD_SALE", nullptr},
    {"CUSTOMER", "CUSTOMER", "CUSTOMER_WAIT"},
};

const PathTables* pathTablesOf(int category) {
    if (category < 0 || static_cast<size_t>(category) >= categories().size()) return nullptr;
    const char* table = categories()[static_cast<size_t>(category)].table;
    for (const PathTables& t : kPathTables) {
        if (std::strcmp(t.category, table) == 0) return &t;
    }
    return nullptr;
}

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

Choice decide(RunContext& run, const PathTables& tables, long long threshold) {
    const std::string branchTable = tables.branchTable;
    const long long branchRows =
        runBoundedCount(run.data.CDS_T1, boundedCount(branchTable, "1 AS ONE", threshold + 1));
    if (branchRows == 0) return {true, "Bulk path: the branch's " + branchTable + " is empty"};
    if (!tables.queueTable || run.request.mode != kModeChanged)
        return decideWholeTable(branchTable, branchRows, threshold);
    const std::string queue = tables.queueTable;
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
    const PathTables* tables = pathTablesOf(run.category);
    if (!tables || (mode != kModeAll && mode != kModeChanged)) return;
    const Choice choice = decide(run, *tables, run.request.bulkThreshold);
    run.bulk = choice.bulk;
    run.log(choice.reason);
}

}  // namespace engine
