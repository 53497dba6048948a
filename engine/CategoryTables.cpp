#include "engine/CategoryTables.h"

#include "db/Transaction.h"
#include "engine/BulkScan.h"
#include "engine/PagedScan.h"
#include "engine/RowMirror.h"

namespace engine {
namespace {

// A table read whole in one query, every keyed SELECT logged.
struct WholeTable {
    const char* sourceStatement;
    MirrorSpec mirror;
};

const WholeTable kTopCategories{
    "SELECT * FROM PROD_TOPITEM",
    {.table = categoryTable("PROD_TOPITEM").table,
     .keyedSelectPrefix = "SELECT * FROM PROD_TOPITEM where TOP_ITEMID = '",
     .keyField = categoryTable("PROD_TOPITEM").keyColumn,
     .probeField = "TOP_ITEMID",
     .copy = categoryTable("PROD_TOPITEM").copy,
     .logKeyedSelect = true}};

const WholeTable kMiddleCategories{
    "SELECT * FROM PROD_HIITEM",
    {.table = categoryTable("PROD_HIITEM").table,
     .keyedSelectPrefix = "SELECT * FROM PROD_HIITEM WHERE PD_GRPID = '",
     .keyField = categoryTable("PROD_HIITEM").keyColumn,
     .probeField = "PD_GRPID",
     .copy = categoryTable("PROD_HIITEM").copy,
     .logKeyedSelect = true}};

struct PagedTable {
    PagedScanSpec scan;
    MirrorSpec mirror;
    BulkScanSpec bulk;  // the bulk path's query
};

const PagedTable kSmallCategories{
    {.statements = {"SELECT FIRST 100 SKIP 0 * FROM PROD_ITEM ",
                    "SELECT FIRST 100 SKIP {offset} * FROM PROD_ITEM "},
     .pageSize = 100,
     .pageBound = kBoundOfHundreds,
     .log = PageLog::AsSentBeforeTest,
     .endMessage = "pd_itemid data finished..!",
     .refreshAfterPage = false},
    {.table = categoryTable("PROD_ITEM").table,
     .keyedSelectPrefix = "SELECT * FROM PROD_ITEM WHERE PD_ITEMID = '",
     .keyField = categoryTable("PROD_ITEM").keyColumn,
     .probeField = "PD_ITEMID",
     .copy = categoryTable("PROD_ITEM").copy,
     .logKeyedSelect = false},
    {.from = "PROD_ITEM", .key = "PD_ITEMID", .keyField = "PD_ITEMID"}};

const PagedTable kPackaging{
    {.statements = {"SELECT FIRST 10 SKIP 0 * FROM PROD_SALE ",
                    "SELECT FIRST 10 SKIP {offset} * FROM PROD_SALE",
                    "SELECT FIRST 10 SKIP 0 * FROM PROD_SALE WHERE CHG_DATE >= '{date}'",
                    "SELECT FIRST 10 SKIP {offset} * FROM PROD_SALE WHERE CHG_DATE >= '{date}'"},
     .pageSize = 10,
     .pageBound = kBoundOfTens,
     .log = PageLog::AsSentBeforeTest,
     .endMessage = "PROD_SALE DATA Finished..!",
     .refreshAfterPage = true},
    {.table = categoryTable("PROD_SALE").table,
     .keyedSelectPrefix = "SELECT * FROM PROD_SALE WHERE SAL_BARCODE = '",
     .keyField = categoryTable("PROD_SALE").keyColumn,
     .probeField = "SAL_BARCODE",
     .copy = categoryTable("PROD_SALE").copy,
     .logKeyedSelect = false},
    {.from = "PROD_SALE",
     .filter = "CHG_DATE >= '{date}'",
     .key = "SAL_BARCODE",
     .keyField = "SAL_BARCODE"}};

bool copiesInThisMode(const RunContext& run) {
    const int mode = run.request.mode;
    return mode == kModeAll || mode == kModeChanged;
}

void copyWholeTable(RunContext& run, const WholeTable& table) {
    if (!copiesInThisMode(run)) return;
    db::ClientDataSet& source = run.data.CDS_Source1;
    source.close();
    source.setCommandText(table.sourceStatement);
    source.open();
    if (source.recordCount() == 0) return;
    run.startGauge(source.recordCount());
    if (run.bulk) {
        KeyedMirror writer(run.data.SQLCon_Target, table.mirror);
        db::Transaction all(run.data.SQLCon_Target);
        for (source.first(); !source.eof(); source.next()) {
            run.stepGauge();
            mirrorRowByKey(run, source, table.mirror, writer);
        }
        all.commit();
        return;
    }
    for (source.first(); !source.eof(); source.next()) {
        run.stepGauge();
        mirrorRow(run, source, table.mirror);
    }
}

void copyPagedTable(RunContext& run, const PagedTable& table) {
    if (!copiesInThisMode(run)) return;
    db::ClientDataSet& source = run.data.CDS_Source1;
    StatementValues values;
    values.filterDate = run.request.filterDate;
    if (run.bulk) {
        KeyedMirror writer(run.data.SQLCon_Target, table.mirror);
        runBulkScan(run,
                    {.query = table.bulk,
                     .values = values,
                     .pages = source,
                     .writes = run.data.SQLCon_Target,
                     .endMessage = table.scan.endMessage,
                     .refreshAfterPage = table.scan.refreshAfterPage},
                    [&] { mirrorRowByKey(run, source, table.mirror, writer); });
        return;
    }
    runPagedScan(run, source, table.scan, values, [&] { mirrorRow(run, source, table.mirror); });
}

}  // namespace

void downloadTopCategories(RunContext& run) {
    copyWholeTable(run, kTopCategories);
}
void downloadMiddleCategories(RunContext& run) {
    copyWholeTable(run, kMiddleCategories);
}
void downloadSmallCategories(RunContext& run) {
    copyPagedTable(run, kSmallCategories);
}
void downloadPackaging(RunContext& run) {
    copyPagedTable(run, kPackaging);
}

}  // namespace engine
