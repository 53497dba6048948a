#include "engine/WaitQueues.h"

#include <set>
#include <string>

#include "db/Error.h"
#include "engine/ColumnRules.h"
#include "engine/QueueProbe.h"
#include "engine/RowMirror.h"
#include "engine/StatementText.h"

namespace engine {
namespace {

struct MasterQueue {
    const CategoryTable& category;
    QueueStatements queue;
    PagedScanSpec allScan;
    PagedScanSpec changeScan;
    MirrorSpec mirrorAll;
    MirrorSpec mirrorChanged;
};

// The bulk path's query of a master table: the whole table in mode All (the date
// filter as allScan has it), the table joined with the store's claimed queue rows
// in mode Changed.
BulkScanSpec allScanOnBulkPath(const MasterQueue& q) {
    const std::string table = q.category.table, key = q.category.keyColumn;
    return {.from = table, .filter = "CHG_DATE >= '{date}'", .key = key, .keyField = key};
}

BulkScanSpec changeScanOnBulkPath(const MasterQueue& q) {
    const std::string table = q.category.table, key = q.category.keyColumn;
    return {.from = table + " A INNER JOIN " + q.category.queueTable + " B ON A." + key + " = B." +
                    key + " AND B.STORE_ID = '{store}' AND TRAN_CODE = 'W'",
            .key = "A." + key,
            .keyField = key};
}

const MasterQueue kProducts{
    categoryTable("PRODUCT"),
    {"UPDATE PRODUCT_WAIT SET TRAN_CODE = 'X' WHERE STORE_ID = '{store}' AND STATE = 'DELETE' ",
     "SELECT * FROM PRODUCT_WAIT WHERE STORE_ID = '{store}' AND TRAN_CODE = 'X' ",
     "DELETE FROM PRODUCT_WAIT WHERE TRAN_CODE = 'X' AND STORE_ID = '{store}'",
     "UPDATE PRODUCT_WAIT SET TRAN_CODE = 'W' WHERE STORE_ID = '{store}' AND STATE <> 'DELETE' ",
     "DELETE FROM PRODUCT_WAIT WHERE TRAN_CODE = 'W' and STORE_ID = '{store}'"},
    {.statements = {"SELECT FIRST 10 SKIP 0 * FROM PRODUCT ",
                    "SELECT FIRST 10 SKIP {offset} * FROM PRODUCT",
                    "SELECT FIRST 10 SKIP 0 * FROM PRODUCT WHERE CHG_DATE >= '{date}'",
                    "SELECT FIRST 10 SKIP {offset} * FROM PRODUCT WHERE CHG_DATE >= '{date}'"},
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::AsSentBeforeTest,
     .endMessage = "product data finished..!",
     .refreshAfterPage = true},
    {.statements =
         {"SELECT FIRST 10 SKIP 0 * FROM PRODUCT A INNER JOIN PRODUCT_WAIT B  ON A.PROD_ID = "
          "B.PROD_ID AND B.STORE_ID = '{store}' AND TRAN_CODE = 'W' ",
          "SELECT FIRST 10 SKIP {offset} * FROM PRODUCT A INNER JOIN PRODUCT_WAIT B  ON A.PROD_ID "
          "= "
          "B.PROD_ID AND B.STORE_ID = '{store}' AND TRAN_CODE = 'W'  "},
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::LowerCaseAfterTest,
     .endMessage = "product data finished..!",
     .refreshAfterPage = true},
    {.table = categoryTable("PRODUCT").table,
     .keyedSelectPrefix = "SELECT * FROM PRODUCT WHERE PROD_ID = '",
     .keyField = categoryTable("PRODUCT").keyColumn,
     .probeField = "PROD_BARCODE",
     .copy = categoryTable("PRODUCT").copy,
     .logKeyedSelect = false},
    {.table = categoryTable("PRODUCT").table,
     .keyedSelectPrefix = "SELECT * FROM PRODUCT WHERE PROD_ID = '",
     .keyField = categoryTable("PRODUCT").keyColumn,
     .probeField = "PROD_ID",
     .copy = categoryTable("PRODUCT").copy,
     .logKeyedSelect = false}};

const MasterQueue kVendors{
    categoryTable("PROVIDER"),
    {"UPDATE PROVIDER_WAIT SET TRAN_CODE = 'X' WHERE STORE_ID = '{store}' AND STATE = 'DELETE' ",
     "SELECT * FROM PROVIDER_WAIT WHERE STORE_ID = '{store}' AND TRAN_CODE = 'X' ",
     "DELETE FROM PROVIDER_WAIT WHERE TRAN_CODE = 'X' AND STORE_ID = '{store}'",
     "UPDATE PROVIDER_WAIT SET TRAN_CODE = 'W' WHERE STORE_ID = '{store}' AND STATE <> 'DELETE' ",
     "DELETE FROM PROVIDER_WAIT WHERE TRAN_CODE = 'W' AND STORE_ID = '{store}'"},
    {.statements = {"SELECT FIRST 10 SKIP 0 * FROM PROVIDER ",
                    "SELECT FIRST 10 SKIP {offset} * FROM PROVIDER ",
                    "SELECT FIRST 10 SKIP 0 * FROM PROVIDER WHERE CHG_DATE >= '{date}'",
                    "SELECT FIRST 10 SKIP {offset} * FROM PROVIDER WHERE CHG_DATE >= '{date}'"},
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::AsSentBeforeTest,
     .endMessage = "provider data finished..!",
     .refreshAfterPage = true},
    {.statements =
         {"SELECT FIRST 10 SKIP 0 * FROM PROVIDER A INNER JOIN PROVIDER_WAIT B  ON A.PROVIDER_ID = "
          "B.PROVIDER_ID AND B.STORE_ID = '{store}' AND TRAN_CODE = 'W'  ",
          "SELECT FIRST 10 SKIP {offset} * FROM PROVIDER A INNER JOIN PROVIDER_WAIT B  ON "
          "A.PROVIDER_ID = B.PROVIDER_ID AND B.STORE_ID = '{store}' AND TRAN_CODE = 'W'  "},
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::LowerCaseAfterTest,
     .endMessage = "provider data finished..!",
     .refreshAfterPage = true},
    {.table = categoryTable("PROVIDER").table,
     .keyedSelectPrefix = "SELECT * FROM PROVIDER WHERE PROVIDER_ID = '",
     .keyField = categoryTable("PROVIDER").keyColumn,
     .probeField = "PROVIDER_ID",
     .copy = categoryTable("PROVIDER").copy,
     .logKeyedSelect = false},
    {.table = categoryTable("PROVIDER").table,
     .keyedSelectPrefix = "SELECT * FROM PROVIDER WHERE PROVIDER_ID = '",
     .keyField = categoryTable("PROVIDER").keyColumn,
     .probeField = "PROVIDER_ID",
     .copy = categoryTable("PROVIDER").copy,
     .logKeyedSelect = false}};

const MasterQueue kCustomers{
    categoryTable("CUSTOMER"),
    {"UPDATE CUSTOMER_WAIT SET TRAN_CODE = 'X' WHERE STORE_ID = '{store}' AND STATE = 'DELETE' ",
     "SELECT * FROM CUSTOMER_WAIT WHERE STORE_ID = '{store}' AND TRAN_CODE = 'X' ",
     "DELETE FROM CUSTOMER_WAIT WHERE TRAN_CODE = 'X' AND STORE_ID = '{store}'",
     "UPDATE CUSTOMER_WAIT SET TRAN_CODE = 'W' WHERE STORE_ID = '{store}' AND STATE <> 'DELETE' ",
     "DELETE FROM CUSTOMER_WAIT WHERE TRAN_CODE = 'W' AND STORE_ID = '{store}'"},
    {.statements = {"SELECT FIRST 10 SKIP 0 * FROM CUSTOMER ",
                    "SELECT FIRST 10 SKIP {offset} * FROM CUSTOMER ",
                    "SELECT FIRST 10 SKIP 0 * FROM CUSTOMER WHERE CHG_DATE >= '{date}'",
                    "SELECT FIRST 10 SKIP {offset} * FROM CUSTOMER WHERE CHG_DATE >= '{date}'"},
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::AsSentBeforeTest,
     .endMessage = "CUSTOMER data finished..!",
     .refreshAfterPage = true},
    {.statements =
         {"SELECT FIRST 10 SKIP 0 * FROM CUSTOMER A INNER JOIN CUSTOMER_WAIT B  ON A.CUST_ID = "
          "B.CUST_ID AND B.STORE_ID = '{store}' AND TRAN_CODE = 'W'  ",
          "SELECT FIRST 10 SKIP {offset} * FROM CUSTOMER A INNER JOIN CUSTOMER_WAIT B  ON "
          "A.CUST_ID = "
          "B.CUST_ID AND B.STORE_ID = '{store}' AND TRAN_CODE = 'W'  "},
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::LowerCaseAfterTest,
     .endMessage = "CUSTOMER data finished..!",
     .refreshAfterPage = true},
    {.table = categoryTable("CUSTOMER").table,
     .keyedSelectPrefix = "SELECT * FROM CUSTOMER WHERE CUST_ID = '",
     .keyField = categoryTable("CUSTOMER").keyColumn,
     .probeField = "CUST_ID",
     .copy = categoryTable("CUSTOMER").copy,
     .logKeyedSelect = false},
    {.table = categoryTable("CUSTOMER").table,
     .keyedSelectPrefix = "SELECT * FROM CUSTOMER WHERE CUST_ID = '",
     .keyField = categoryTable("CUSTOMER").keyColumn,
     .probeField = "CUST_ID",
     .copy = categoryTable("CUSTOMER").copy,
     .logKeyedSelect = false}};

void downloadMaster(RunContext& run, const MasterQueue& q) {
    db::ClientDataSet& pages = run.data.CDS_Source1;
    StatementValues values;
    values.storeId = run.request.storeId;
    values.filterDate = run.request.filterDate;
    // The bulk path writes every row by key through one prepared statement.
    KeyedMirror writer(run.data.SQLCon_Target, q.mirrorChanged);
    const auto mirror = [&](const MirrorSpec& how, const std::string& note) {
        return run.bulk ? mirrorRowByKey(run, pages, how, writer, note)
                        : mirrorRow(run, pages, how, note);
    };
    switch (run.request.mode) {
        case kModeAll:
            if (run.bulk) {
                runBulkScan(run,
                            {.query = allScanOnBulkPath(q),
                             .values = values,
                             .pages = pages,
                             .writes = run.data.SQLCon_Target,
                             .endMessage = q.allScan.endMessage,
                             .refreshAfterPage = q.allScan.refreshAfterPage},
                            [&] { mirror(q.mirrorAll, ""); });
            } else {
                runPagedScan(run, pages, q.allScan, values, [&] { mirror(q.mirrorAll, ""); });
            }
            break;
        case kModeChanged: {
            // A queue row names its record by the master table's key column.
            const char* keyColumn = q.category.keyColumn;
            const std::string deleteRecord = deleteRowsStatement(q.category.table, keyColumn);
            runWaitQueue(run, {.category = q.category,
                               .statements = q.queue,
                               .changeScan = q.changeScan,
                               .bulkScan = changeScanOnBulkPath(q),
                               .bulkDeletion = {{keyAsParameter(deleteRecord)}},
                               .changes = pages,
                               .writes = run.data.SQLCon_Target,
                               .applyDeletion =
                                   [&](db::ClientDataSet& claimed) {
                                       StatementValues key;
                                       key.key = claimed.fieldByName(keyColumn).asString();
                                       run.counts().rowsDeleted +=
                                           executeOnTarget(run, expandStatement(deleteRecord, key));
                                   },
                               .writeChange =
                                   [&] {
                                       return mirror(q.mirrorChanged, kStaysQueued) ==
                                                      MirrorResult::Written
                                                  ? ChangeOutcome::Arrived
                                                  : ChangeOutcome::NotWritten;
                                   }});
            break;
        }
        default:
            break;
    }
}

}  // namespace

uint64_t executeOnSource(RunContext& run, const std::string& statement) {
    db::ClientDataSet& queue = run.data.CDS_Source2;
    queue.close();
    queue.setCommandText(statement);
    return queue.execute();
}

uint64_t executeText(db::SQLQuery& query, const std::string& text) {
    query.close();
    query.clearSql();
    query.addSql(text);
    query.execSQL();
    return query.rowsAffected();
}

uint64_t executeOnTarget(RunContext& run, const std::string& statement) {
    return executeText(run.data.SQL_TQuery, statement);
}

namespace {

StatementValues storeValues(const RunContext& run) {
    StatementValues values;
    values.storeId = run.request.storeId;
    return values;
}

// Puts the store's claimed rows (claim mark 'W' or 'X') back to waiting: those of
// the given records, or all of them when keys is null.
void returnToWaiting(RunContext& run, const WaitQueue& queue, const char* claim,
                     const std::set<std::string>* keys) {
    std::string statement = std::string("UPDATE ") + queue.category.queueTable +
                            " SET TRAN_CODE = 'N' WHERE STORE_ID = '{store}' AND TRAN_CODE = '" +
                            claim + "'";
    StatementValues values = storeValues(run);
    if (!keys) {
        executeOnSource(run, expandStatement(statement.c_str(), values));
        return;
    }
    statement += std::string(" AND ") + queue.category.keyColumn + " = '{key}'";
    for (const std::string& key : *keys) {
        values.key = key;
        executeOnSource(run, expandStatement(statement.c_str(), values));
    }
}

void deletionPass(RunContext& run, const WaitQueue& queue) {
    const StatementValues store = storeValues(run);
    executeOnSource(run, expandStatement(queue.statements.claimDeletions, store));
    db::ClientDataSet& claimed = run.data.CDS_Source2;
    claimed.close();
    claimed.setCommandText(expandStatement(queue.statements.readDeletions, store));
    claimed.open();
    if (claimed.recordCount() == 0) return;
    // A deletion the branch refuses (a row a shop program holds, a constraint) is
    // that record's alone: it stays queued and the others go on.
    std::set<std::string> refused;
    const auto refuse = [&](const std::string& key, const db::Error& e) {
        ++run.counts().rowsRefused;
        run.log(queue.category.recordTable() + " row '" + key + "' refused" + kStaysQueued + ": " +
                e.what());
        refused.insert(key);
    };
    if (run.bulk && !queue.bulkDeletion.statements.empty()) {
        deleteClaimedInPages(run, claimed, queue.category.keyColumn, run.data.SQLCon_Target,
                             queue.bulkDeletion, refuse);
    } else {
        for (claimed.first(); !claimed.eof(); claimed.next()) {
            try {
                queue.applyDeletion(claimed);
            } catch (const db::Error& e) {
                if (e.kind() != db::ErrorKind::Refused) throw;
                refuse(claimed.fieldByName(queue.category.keyColumn).asString(), e);
            }
        }
    }
    // The queue is read whole before the claims change, so the reads are not disturbed.
    returnToWaiting(run, queue, "X", &refused);
    run.counts().queueRowsRemoved +=
        executeOnSource(run, expandStatement(queue.statements.removeDeletions, store));
}

// The claimed changes whose record headquarters has but the scan did not give:
// they go back to waiting rather than be removed unread.
void returnChangesNotReached(RunContext& run, const WaitQueue& queue,
                             const std::set<std::string>& reached) {
    const StatementValues store = storeValues(run);
    db::ClientDataSet& claimed = run.data.CDS_Source2;
    claimed.close();
    claimed.setCommandText(bulkScanKeys(queue.bulkScan, store));
    claimed.open();
    std::set<std::string> missed;
    for (claimed.first(); !claimed.eof(); claimed.next()) {
        const std::string key = claimed.fields(0).asString();
        if (!reached.count(key)) missed.insert(key);
    }
    claimed.close();
    for (const std::string& key : missed) {
        run.log(std::string(queue.category.queueTable) + ": the claimed change of '" + key +
                "' was not reached by this run" + kStaysQueued);
    }
    returnToWaiting(run, queue, "W", &missed);
}

}  // namespace

void runWaitQueue(RunContext& run, const WaitQueue& queue) {
    // An idle queue costs headquarters one indexed statement on the bulk path.
    if (run.bulk && nothingQueued(run, queue.category.queueTable)) {
        run.log(queue.changeScan.endMessage);
        return;
    }
    deletionPass(run, queue);

    // Update pass.
    const StatementValues store = storeValues(run);
    const uint64_t claimedChanges =
        executeOnSource(run, expandStatement(queue.statements.claimChanges, store));
    // Remembered during the scan and returned after it: changing claimed rows while
    // pages are read with SKIP would shift the later pages.
    std::set<std::string> reached, notWritten;
    const auto handleChange = [&] {
        const std::string key = queue.changes.fieldByName(queue.category.keyColumn).asString();
        reached.insert(key);
        if (queue.writeChange() == ChangeOutcome::NotWritten) notWritten.insert(key);
    };
    ScanEnd end = ScanEnd::EmptyPage;
    try {
        if (run.bulk) {
            // The claims are returned after the last page's commit all the same, so
            // that a page rolled back keeps its claims.
            runBulkScan(run,
                        {.query = queue.bulkScan,
                         .values = store,
                         .pages = queue.changes,
                         .writes = queue.writes,
                         .endMessage = queue.changeScan.endMessage,
                         .refreshAfterPage = queue.changeScan.refreshAfterPage},
                        handleChange);
        } else {
            end = runPagedScan(run, queue.changes, queue.changeScan, store, handleChange);
        }
    } catch (const SchemaMismatch&) {
        returnToWaiting(run, queue, "W", nullptr);  // the update pass wrote none of them
        throw;
    }
    returnToWaiting(run, queue, "W", &notWritten);
    if (end == ScanEnd::PageBound) {
        // Removing the claims now would drop changes the scan never reached.
        run.log(std::string(queue.category.queueTable) +
                ": more claimed changes than one run pages through; the rest stay claimed "
                "for the next run");
        return;
    }
    if (claimedChanges > 0) returnChangesNotReached(run, queue, reached);
    run.counts().queueRowsRemoved +=
        executeOnSource(run, expandStatement(queue.statements.removeChanges, store));
}

void downloadProducts(RunContext& run) {
    downloadMaster(run, kProducts);
}
void downloadVendors(RunContext& run) {
    downloadMaster(run, kVendors);
}
void downloadCustomers(RunContext& run) {
    downloadMaster(run, kCustomers);
}

}  // namespace engine
