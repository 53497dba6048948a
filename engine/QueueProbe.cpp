#include "engine/QueueProbe.h"

#include "engine/StatementText.h"

namespace engine {

std::string boundedCount(const std::string& table, const std::string& column, long long limit,
                         const std::string& where) {
    return "SELECT COUNT(*) FROM (SELECT FIRST " + std::to_string(limit) + " " + column + " FROM " +
           table + (where.empty() ? "" : " WHERE " + where) + ")";
}

long long runBoundedCount(db::ClientDataSet& dataset, const std::string& statement) {
    dataset.close();
    dataset.setCommandText(statement);
    dataset.open();
    const long long rows = dataset.fields(0).asInteger();
    dataset.close();
    return rows;
}

long long storeQueueRows(RunContext& run, const std::string& queueTable, long long limit) {
    StatementValues values;
    values.storeId = run.request.storeId;
    const std::string thisStore = expandStatement("STORE_ID = '{store}'", values);
    return runBoundedCount(run.data.CDS_Source2,
                           boundedCount(queueTable, "STORE_ID", limit, thisStore));
}

bool nothingQueued(RunContext& run, const std::string& queueTable) {
    if (run.queuedRows) return *run.queuedRows == 0;
    return storeQueueRows(run, queueTable, 1) == 0;
}

}  // namespace engine
