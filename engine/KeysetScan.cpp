#include "engine/KeysetScan.h"

#include <optional>
#include <string>
#include <vector>

#include "db/Transaction.h"

namespace engine {
namespace {

std::string keysetStatement(RunContext& run, const KeysetScanSpec& scan, StatementValues values,
                            const std::optional<std::string>& lastKey) {
    std::vector<std::string> conditions;
    if (!scan.condition.empty()) conditions.push_back(expandStatement(scan.condition, values));
    if (!scan.filter.empty() && run.view.isDateFilterOn()) conditions.push_back(expandStatement(scan.filter, values));
    if (lastKey) {
        values.key = *lastKey;
        conditions.push_back(expandStatement(scan.key + " > '{key}'", values));
    }
    std::string sql = "SELECT FIRST " + std::to_string(kKeysetPageSize) + " * FROM " +
                      expandStatement(scan.from, values);
    for (size_t i = 0; i < conditions.size(); ++i) sql += (i == 0 ? " WHERE " : " AND ") + conditions[i];
    return sql + " ORDER BY " + scan.key;
}

void handlePage(RunContext& run, db::ClientDataSet& pages, const std::function<void()>& forEachRow) {
    run.startGauge(pages.recordCount());
    for (pages.first(); !pages.eof(); pages.next()) {
        run.stepGauge();
        forEachRow();
    }
}

}  // namespace

void runKeysetScan(RunContext& run, db::ClientDataSet& pages, const PagedScanSpec& paged,
                   const KeysetScanSpec& keyset, const StatementValues& values,
                   db::SQLConnection* pageTransaction, const std::function<void()>& forEachRow) {
    std::optional<std::string> lastKey;
    for (;;) {
        pages.close();
        pages.setCommandText(keysetStatement(run, keyset, values, lastKey));
        pages.open();
        run.log(pages.commandText());
        const int rows = pages.recordCount();
        if (rows > 0) {
            if (pageTransaction) {
                db::Transaction page(*pageTransaction, db::TransactionDesc{});
                handlePage(run, pages, forEachRow);
                page.commit();
            } else {
                handlePage(run, pages, forEachRow);
            }
            pages.first();
            for (int i = 1; i < rows; ++i) pages.next();
            lastKey = pages.fieldByName(keyset.keyField).asString();
            if (paged.refreshAfterPage) run.view.refresh();
        }
        if (rows < kKeysetPageSize) break;
    }
    run.log(paged.endMessage);
}

}  // namespace engine
