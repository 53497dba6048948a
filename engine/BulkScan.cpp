#include "engine/BulkScan.h"

#include <optional>
#include <string>
#include <vector>

#include "base/ScopeExit.h"
#include "db/Transaction.h"

namespace engine {
namespace {

std::string whereClause(const std::vector<std::string>& conditions) {
    std::string sql;
    for (size_t i = 0; i < conditions.size(); ++i)
        sql += (i == 0 ? " WHERE " : " AND ") + conditions[i];
    return sql;
}

std::string scanStatement(RunContext& run, const BulkScanSpec& scan,
                          const StatementValues& values) {
    std::vector<std::string> conditions;
    if (!scan.condition.empty()) conditions.push_back(expandStatement(scan.condition, values));
    if (!scan.filter.empty() && run.request.dateFilterOn)
        conditions.push_back(expandStatement(scan.filter, values));
    return "SELECT * FROM " + expandStatement(scan.from, values) + whereClause(conditions);
}

void handlePage(RunContext& run, db::ClientDataSet& pages,
                const std::function<void()>& forEachRow) {
    run.startGauge(pages.recordCount());
    for (pages.first(); !pages.eof(); pages.next()) {
        run.stepGauge();
        forEachRow();
    }
}

}  // namespace

std::string bulkScanKeys(const BulkScanSpec& scan, const StatementValues& values) {
    std::vector<std::string> conditions;
    if (!scan.condition.empty()) conditions.push_back(expandStatement(scan.condition, values));
    return "SELECT " + scan.key + " FROM " + expandStatement(scan.from, values) +
           whereClause(conditions);
}

void forEachInPages(RunContext& run, db::ClientDataSet& rows, db::SQLConnection& writes,
                    const std::function<void()>& forEachRow,
                    const std::function<void()>& pageCommitted) {
    rows.first();
    while (!rows.eof()) {
        db::Transaction page(writes);
        for (int n = 0; n < run.bulkPageSize && !rows.eof(); ++n, rows.next()) forEachRow();
        page.commit();
        if (pageCommitted) pageCommitted();
    }
}

void runBulkScan(RunContext& run, const BulkScan& scan, const std::function<void()>& forEachRow) {
    db::ClientDataSet& pages = scan.pages;
    pages.close();
    pages.setPacketRecords(run.bulkPageSize);
    // The query's cursor never outlives the scan, however it ends.
    const base::ScopeExit closed([&pages] {
        pages.close();
        pages.setPacketRecords(-1);
    });
    pages.setCommandText(scanStatement(run, scan.query, scan.values));
    pages.open();
    run.log(pages.commandText());
    std::optional<db::Transaction> unit;
    int rowsInUnit = 0;
    for (int rows = pages.recordCount(); rows > 0; rows = pages.getNextPacket()) {
        if (!unit) unit.emplace(scan.writes);
        handlePage(run, pages, forEachRow);
        rowsInUnit += rows;
        if (rowsInUnit >= run.bulkCommitRows) {
            unit->commit();
            unit.reset();
            rowsInUnit = 0;
        }
        if (scan.refreshAfterPage) run.report.refresh();
    }
    if (unit) unit->commit();
    run.log(scan.endMessage);
}

}  // namespace engine
