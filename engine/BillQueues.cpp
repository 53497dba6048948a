#include "engine/BillQueues.h"

#include <exception>

#include "engine/BillCopy.h"
#include "engine/PagedScan.h"
#include "engine/PriceChange.h"
#include "engine/StatementText.h"
#include "engine/WaitQueues.h"

namespace engine {
namespace {

using CopyRoutine = BillCopy (*)(RunContext&);

// A kind's wait queue and how its claimed bills are read and copied.
struct BillQueue {
    const CategoryTable& category;
    QueueStatements queue;
    PagedScanSpec changeScan;  // pages of claimed bills joined with their masters
    const char* readLines;     // L
    CopyRoutine copy;
    BulkScanSpec changeOnBulkPath;  // the bulk path's query of changeScan
};

// Every page of a kind's claimed bills joins the same tables under the same
// conditions; the pages differ only in the number of rows skipped.
#define OLV_BILL_PAGES(joinedRows)                                                      \
    PageStatements {                                                                    \
        "SELECT FIRST 10 SKIP 0" joinedRows, "SELECT FIRST 10 SKIP {offset}" joinedRows \
    }

const BillQueue kPromotionBills{
    categoryTable("PSALE"),
    {"UPDATE PSALE_WAIT SET TRAN_CODE = 'X' WHERE STORE_ID = '{store}' AND STATE = 'DELETE' ",
     "SELECT * FROM PSALE_WAIT WHERE STORE_ID = '{store}' AND TRAN_CODE = 'X' ",
     "DELETE FROM PSALE_WAIT WHERE TRAN_CODE = 'X' AND STORE_ID = '{store}'",
     "UPDATE PSALE_WAIT SET TRAN_CODE = 'W' where STORE_ID = '{store}' AND STATE <> 'DELETE' ",
     "DELETE FROM PSALE_WAIT WHERE TRAN_CODE = 'W' AND STORE_ID = '{store}'"},
    {.statements =
         OLV_BILL_PAGES(" * FROM PSALE_MASTER A INNER JOIN PSALE_WAIT B  ON A.MASTERBILLID = "
                        "B.MASTERBILLID AND B.STATE = 'UPDATE' AND B.TRAN_CODE = 'W'  WHERE "
                        "B.STORE_ID = '{store}'"),
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::AsSentBeforeTest,
     .endMessage = "psale Data Update Finished..!",
     .refreshAfterPage = true},
    "SELECT * FROM PSALE_SUB WHERE MASTERBILLID = '{key}'",
    CopyPsaleBill,
    {.from = "PSALE_MASTER A INNER JOIN PSALE_WAIT B ON A.MASTERBILLID = B.MASTERBILLID "
             "AND B.STATE = 'UPDATE' AND B.TRAN_CODE = 'W'",
     .condition = "B.STORE_ID = '{store}'",
     .key = "A.MASTERBILLID",
     .keyField = "MASTERBILLID"}};

const BillQueue kWholesaleBills{
    categoryTable("PTSALE"),
    {"UPDATE PTSALE_WAIT SET TRAN_CODE = 'X' WHERE STORE_ID = '{store}' AND STATE = 'DELETE' ",
     "SELECT * FROM PTSALE_WAIT WHERE STORE_ID = '{store}' AND TRAN_CODE = 'X' ",
     "DELETE FROM PTSALE_WAIT WHERE TRAN_CODE = 'X' AND STORE_ID = '{store}'",
     "UPDATE PTSALE_WAIT SET TRAN_CODE = 'W' where STORE_ID = '{store}' AND STATE <> 'DELETE' ",
     "DELETE FROM PTSALE_WAIT WHERE TRAN_CODE = 'W' AND STORE_ID = '{store}'"},
    {.statements =
         OLV_BILL_PAGES(" * FROM PTSALE_MASTER A INNER JOIN PTSALE_WAIT B  ON A.MASTERBILLID = "
                        "B.MASTERBILLID AND B.STATE = 'UPDATE' AND B.TRAN_CODE = 'W'  WHERE "
                        "B.STORE_ID = '{store}'"),
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::AsSentBeforeTest,
     .endMessage = "ptsale Data Update Finished..!",
     .refreshAfterPage = true},
    "SELECT * FROM PTSALE_SUB WHERE MASTERBILLID = '{key}'",
    CopyPtsaleBill,
    {.from = "PTSALE_MASTER A INNER JOIN PTSALE_WAIT B ON A.MASTERBILLID = B.MASTERBILLID "
             "AND B.STATE = 'UPDATE' AND B.TRAN_CODE = 'W'",
     .condition = "B.STORE_ID = '{store}'",
     .key = "A.MASTERBILLID",
     .keyField = "MASTERBILLID"}};

const BillQueue kPriceChangeBills{
    categoryTable("CHGPRICE"),
    {"UPDATE CHGPRICE_WAIT SET TRAN_CODE = 'X' WHERE STORE_ID = '{store}' AND STATE = 'DELETE' ",
     "SELECT * FROM CHGPRICE_WAIT WHERE STORE_ID = '{store}' AND TRAN_CODE = 'X' ",
     "DELETE FROM CHGPRICE_WAIT WHERE TRAN_CODE = 'X' AND STORE_ID = '{store}'",
     "UPDATE CHGPRICE_WAIT SET TRAN_CODE = 'W' WHERE STORE_ID = '{store}' AND STATE <> 'DELETE' ",
     "DELETE FROM CHGPRICE_WAIT WHERE TRAN_CODE = 'W' AND STORE_ID = '{store}'"},
    {.statements =
         OLV_BILL_PAGES(" * FROM CHGPRICE_MASTER A INNER JOIN CHGPRICE_WAIT B  ON A.MASTERBILLID = "
                        "B.MASTERBILLID AND B.STATE = 'INSERT' AND B.TRAN_CODE = 'W'  WHERE "
                        "B.STORE_ID = '{store}'"),
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::AsSentBeforeTest,
     .endMessage = "chgprice Data Update Finished..!",
     .refreshAfterPage = true},
    "SELECT * FROM CHGPRICE_SUB WHERE MASTERBILLID = '{key}'",
    CopyChgpriceBill,
    {.from = "CHGPRICE_MASTER A INNER JOIN CHGPRICE_WAIT B ON A.MASTERBILLID = B.MASTERBILLID "
             "AND B.STATE = 'INSERT' AND B.TRAN_CODE = 'W'",
     .condition = "B.STORE_ID = '{store}'",
     .key = "A.MASTERBILLID",
     .keyField = "MASTERBILLID"}};

const BillQueue kQuotations{
    categoryTable("QUOT"),
    {"UPDATE QUOT_WAIT SET TRAN_CODE = 'X' WHERE STORE_ID = '{store}' AND STATE = 'DELETE' ",
     "SELECT * FROM QUOT_WAIT WHERE STORE_ID = '{store}' AND TRAN_CODE = 'X' ",
     "DELETE FROM QUOT_WAIT WHERE TRAN_CODE = 'X' AND STORE_ID = '{store}'",
     "UPDATE QUOT_WAIT SET TRAN_CODE = 'W' WHERE STORE_ID = '{store}' AND STATE <> 'DELETE' ",
     "DELETE FROM QUOT_WAIT WHERE TRAN_CODE = 'W' AND STORE_ID = '{store}'"},
    {.statements =
         OLV_BILL_PAGES(" * FROM QUOT_MASTER A INNER JOIN QUOT_WAIT B  ON A.MASTERBILLID = "
                        "B.MASTERBILLID AND B.STATE <> 'DELETE' AND B.TRAN_CODE = 'W'  WHERE "
                        "B.STORE_ID = '{store}'"),
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::AsSentBeforeTest,
     .endMessage = "quot Data Update Finished..!",
     .refreshAfterPage = true},
    "SELECT * FROM QUOT_SUB WHERE MASTERBILLID = '{key}'",
    CopyQuotBill,
    {.from = "QUOT_MASTER A INNER JOIN QUOT_WAIT B ON A.MASTERBILLID = B.MASTERBILLID "
             "AND B.STATE <> 'DELETE' AND B.TRAN_CODE = 'W'",
     .condition = "B.STORE_ID = '{store}'",
     .key = "A.MASTERBILLID",
     .keyField = "MASTERBILLID"}};

const BillQueue kVendorDiscounts{
    categoryTable("INPROMOTION"),
    {"UPDATE INPROMOTION_WAIT SET TRAN_CODE = 'X' WHERE STORE_ID = '{store}' AND STATE = 'DELETE' ",
     "SELECT * FROM INPROMOTION_WAIT WHERE STORE_ID = '{store}' AND TRAN_CODE = 'X' ",
     "DELETE FROM INPROMOTION_WAIT WHERE TRAN_CODE = 'X' AND STORE_ID = '{store}'",
     "UPDATE INPROMOTION_WAIT SET TRAN_CODE = 'W' WHERE STORE_ID = '{store}' AND STATE <> "
     "'DELETE' ",
     "DELETE FROM INPROMOTION_WAIT WHERE TRAN_CODE = 'W' AND STORE_ID = '{store}'"},
    {.statements =
         OLV_BILL_PAGES(" * FROM INPROMOTION_MASTER A INNER JOIN INPROMOTION_WAIT B  ON "
                        "A.MASTERBILLID = B.MASTERBILLID AND B.STATE <> 'DELETE' AND B.TRAN_CODE = "
                        "'W'  WHERE B.STORE_ID = '{store}'"),
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::AsSentBeforeTest,
     .endMessage = "inpromotion Data Update Finished..!",
     .refreshAfterPage = true},
    "SELECT * FROM INPROMOTION_SUB WHERE MASTERBILLID = '{key}'",
    CopyInpromotionBill,
    {.from =
         "INPROMOTION_MASTER A INNER JOIN INPROMOTION_WAIT B ON A.MASTERBILLID = B.MASTERBILLID "
         "AND B.STATE <> 'DELETE' AND B.TRAN_CODE = 'W'",
     .condition = "B.STORE_ID = '{store}'",
     .key = "A.MASTERBILLID",
     .keyField = "MASTERBILLID"}};

#undef OLV_BILL_PAGES

StatementValues billNumber(db::ClientDataSet& row) {
    StatementValues values;
    values.key = row.fieldByName("MASTERBILLID").asString();
    return values;
}

// A claimed deletion: the bill's lines, then its master row.
void deleteBill(RunContext& run, const BillQueue& q, db::ClientDataSet& claimed) {
    const StatementValues bill = billNumber(claimed);
    run.counts().rowsDeleted +=
        executeOnTarget(run, expandStatement(deleteLinesStatement(q.category), bill));
    run.counts().rowsDeleted +=
        executeOnTarget(run, expandStatement(deleteMasterStatement(q.category), bill));
}

// A claimed change (CDS_ReadM's current row): read the bill's lines and copy the
// bill. The copy runs even when the lines could not be read; that error then ends
// the run, unless the copy raises one of its own.
ChangeOutcome copyClaimedBill(RunContext& run, const BillQueue& q) {
    std::exception_ptr linesError;
    try {
        db::ClientDataSet& lines = run.data.CDS_ReadS;
        lines.close();
        lines.setCommandText(expandStatement(q.readLines, billNumber(run.data.CDS_ReadM)));
        lines.open();
    } catch (...) {
        linesError = std::current_exception();
    }
    const BillCopy copied = q.copy(run);
    if (linesError) std::rethrow_exception(linesError);
    return copied == BillCopy::Copied ? ChangeOutcome::Arrived : ChangeOutcome::NotWritten;
}

void downloadBills(RunContext& run, const BillQueue& q) {
    if (run.request.mode != kModeChanged) return;
    db::SQLConnection& copies = run.data.SQLConnection2;
    // On the bulk path a page of bills shares one transaction on the copy connection,
    // each bill under a savepoint of its own (see BillCopy.h); by default each bill is
    // copied in a transaction of its own. Only a rollback that failed leaves a
    // transaction behind; nothing in it was meant to be committed.
    if (run.bulk && copies.inTransaction()) copies.rollback(db::TransactionDesc{});
    runWaitQueue(run,
                 {.category = q.category,
                  .statements = q.queue,
                  .changeScan = q.changeScan,
                  .bulkScan = q.changeOnBulkPath,
                  .bulkDeletion = {{keyAsParameter(deleteLinesStatement(q.category)),
                                    keyAsParameter(deleteMasterStatement(q.category))}},
                  .changes = run.data.CDS_ReadM,
                  .writes = copies,
                  .applyDeletion = [&](db::ClientDataSet& claimed) { deleteBill(run, q, claimed); },
                  .writeChange = [&] { return copyClaimedBill(run, q); }});
}

}  // namespace

void downloadPromotionBills(RunContext& run) {
    downloadBills(run, kPromotionBills);
}
void downloadWholesaleBills(RunContext& run) {
    downloadBills(run, kWholesaleBills);
}
void downloadQuotations(RunContext& run) {
    downloadBills(run, kQuotations);
}
void downloadVendorDiscounts(RunContext& run) {
    downloadBills(run, kVendorDiscounts);
}

void downloadPriceChangeBills(RunContext& run) {
    downloadBills(run, kPriceChangeBills);
    applyPriceChanges(run);
}

}  // namespace engine
