#include "engine/QueueProbe.h"

#include "engine/StatementText.h"

namespace engine {

std::string storeQueueProbe(const std::string& queueTable, long long limit,
                            const std::string& storeId) {
    StatementValues values;
    values.storeId = storeId;
    return "SELECT COUNT(*) FROM (SELECT FIRST " + std::to_string(limit) + " STORE_ID FROM " +
           queueTable + expandStatement(" WHERE STORE_ID = '{store}')", values);
}

long long storeQueueRows(RunContext& run, const std::string& queueTable, long long limit) {
    db::ClientDataSet& probe = run.data.CDS_Source2;
    probe.close();
    probe.setCommandText(storeQueueProbe(queueTable, limit, run.storeId));
    probe.open();
    const long long rows = probe.fields(0).asInteger();
    probe.close();
    return rows;
}

bool nothingQueued(RunContext& run, const std::string& queueTable) {
    if (run.queuedRows) return *run.queuedRows == 0;
    return storeQueueRows(run, queueTable, 1) == 0;
}

}  // namespace engine
