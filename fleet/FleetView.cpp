#include "fleet/FleetView.h"

#include <algorithm>
#include <map>
#include <set>

#include "db/ClientDataSet.h"
#include "engine/Categories.h"

namespace fleet {
namespace {

constexpr const char* kHeartbeatTable = "OLVARIN_STORE_STATUS";
constexpr const char* kStoreTable = "OLVARIN_STORES";
constexpr const char* kNow = "CAST('NOW' AS TIMESTAMP)";
// A claim mark: 'X' claimed for deletion, 'W' for update; anything else waits.
constexpr const char* kClaimed = "COALESCE(TRAN_CODE, '') IN ('X', 'W')";

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

std::optional<int64_t> optionalInteger(db::Field& field) {
    if (field.isNull()) return std::nullopt;
    return field.asInteger();
}

std::string textOrEmpty(db::Field& field) {
    return field.isNull() ? std::string() : field.asString();
}

// Reads one query; calls row for every row with the dataset on it.
template <typename Row>
void forEachRow(db::SQLConnection& connection, const std::string& sql, Row row) {
    db::ClientDataSet rows("CDS_Fleet", &connection);
    rows.setCommandText(sql);
    rows.open();
    for (rows.first(); !rows.eof(); rows.next()) row(rows);
}

std::set<std::string> existingTables(db::SQLConnection& connection) {
    std::set<std::string> names;
    forEachRow(connection,
               "SELECT TRIM(RDB$RELATION_NAME) AS NAME FROM RDB$RELATIONS "
               "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0",
               [&](db::ClientDataSet& r) { names.insert(r.fieldByName("NAME").asString()); });
    return names;
}

bool hasColumn(db::SQLConnection& connection, const std::string& table, const char* column) {
    bool found = false;
    forEachRow(connection,
               "SELECT 1 AS FOUND FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = " +
                   quoted(table) + " AND RDB$FIELD_NAME = " + quoted(column),
               [&](db::ClientDataSet&) { found = true; });
    return found;
}

// The stores seen so far, by id.
class Stores {
  public:
    explicit Stores(std::size_t queueCount) : queueCount_(queueCount) {}
    StoreState& at(const std::string& id) {
        auto [it, added] = byId_.try_emplace(id);
        if (added) {
            it->second.storeId = id;
            it->second.queues.resize(queueCount_);
        }
        return it->second;
    }
    std::vector<StoreState> take() {
        std::vector<StoreState> out;
        for (auto& [id, store] : byId_) out.push_back(std::move(store));
        return out;
    }

  private:
    std::size_t queueCount_;
    std::map<std::string, StoreState> byId_;
};

void readStoreList(db::SQLConnection& connection, Stores& stores) {
    forEachRow(connection, std::string("SELECT STORE_ID, STORE_NAME, ACTIVE FROM ") + kStoreTable,
               [&](db::ClientDataSet& r) {
                   StoreState& store = stores.at(r.fieldByName("STORE_ID").asString());
                   store.name = textOrEmpty(r.fieldByName("STORE_NAME"));
                   store.active = r.fieldByName("ACTIVE").asInteger() == 1;
               });
}

void readHeartbeats(db::SQLConnection& connection, Stores& stores) {
    const std::string sql =
        std::string(
            "SELECT STORE_ID, PROGRAM_VERSION, HOST_NAME, RUN_STARTED, RUN_ENDED, SUCCEEDED, "
            "ERROR_MESSAGE, ROWS_WRITTEN, ROWS_DELETED, ROWS_REFUSED, BILLS_NOT_COPIED, "
            "QUEUE_ROWS_REMOVED, REPORTED_AT, LAST_SUCCESS_AT, LAST_ERROR_AT, "
            "LAST_ERROR_MESSAGE, ") +
        "DATEDIFF(SECOND, REPORTED_AT, " + kNow + ") AS REPORTED_AGE, " +
        "DATEDIFF(SECOND, LAST_SUCCESS_AT, " + kNow + ") AS LAST_SUCCESS_AGE FROM " +
        kHeartbeatTable;
    forEachRow(connection, sql, [&](db::ClientDataSet& r) {
        Heartbeat beat;
        beat.programVersion = textOrEmpty(r.fieldByName("PROGRAM_VERSION"));
        beat.hostName = textOrEmpty(r.fieldByName("HOST_NAME"));
        beat.runStarted = textOrEmpty(r.fieldByName("RUN_STARTED"));
        beat.runEnded = textOrEmpty(r.fieldByName("RUN_ENDED"));
        beat.succeeded = r.fieldByName("SUCCEEDED").asInteger() == 1;
        beat.errorMessage = textOrEmpty(r.fieldByName("ERROR_MESSAGE"));
        beat.rowsWritten = r.fieldByName("ROWS_WRITTEN").asInteger();
        beat.rowsDeleted = r.fieldByName("ROWS_DELETED").asInteger();
        beat.rowsRefused = r.fieldByName("ROWS_REFUSED").asInteger();
        beat.billsNotCopied = r.fieldByName("BILLS_NOT_COPIED").asInteger();
        beat.queueRowsRemoved = r.fieldByName("QUEUE_ROWS_REMOVED").asInteger();
        beat.reportedAt = textOrEmpty(r.fieldByName("REPORTED_AT"));
        beat.reportedAge = r.fieldByName("REPORTED_AGE").asInteger();
        beat.lastSuccessAt = textOrEmpty(r.fieldByName("LAST_SUCCESS_AT"));
        beat.lastSuccessAge = optionalInteger(r.fieldByName("LAST_SUCCESS_AGE"));
        beat.lastErrorAt = textOrEmpty(r.fieldByName("LAST_ERROR_AT"));
        beat.lastErrorMessage = textOrEmpty(r.fieldByName("LAST_ERROR_MESSAGE"));
        stores.at(r.fieldByName("STORE_ID").asString()).heartbeat = std::move(beat);
    });
}

// Seconds since the oldest waiting (or claimed) row of a group was queued.
std::string oldestAge(bool queuedAt, bool claimed) {
    if (!queuedAt) return "CAST(NULL AS BIGINT)";
    return std::string("DATEDIFF(SECOND, MIN(CASE WHEN ") + (claimed ? "" : "NOT ") + kClaimed +
           " THEN QUEUED_AT END), " + kNow + ")";
}

// Waiting and claimed rows of every store in one pass over the queue.
void readQueue(db::SQLConnection& connection, const std::string& queue, std::size_t index,
               bool queuedAt, Stores& stores) {
    const std::string sql = std::string("SELECT STORE_ID, SUM(CASE WHEN ") + kClaimed +
                            " THEN 0 ELSE 1 END) AS WAITING, SUM(CASE WHEN " + kClaimed +
                            " THEN 1 ELSE 0 END) AS CLAIMED, " + oldestAge(queuedAt, false) +
                            " AS OLDEST_WAITING, " + oldestAge(queuedAt, true) +
                            " AS OLDEST_CLAIMED FROM " + queue + " GROUP BY STORE_ID";
    forEachRow(connection, sql, [&](db::ClientDataSet& r) {
        QueueState& q = stores.at(r.fieldByName("STORE_ID").asString()).queues[index];
        q.waiting = r.fieldByName("WAITING").asInteger();
        q.claimed = r.fieldByName("CLAIMED").asInteger();
        q.oldestWaitingAge = optionalInteger(r.fieldByName("OLDEST_WAITING"));
        q.oldestClaimedAge = optionalInteger(r.fieldByName("OLDEST_CLAIMED"));
    });
}

// Rows handed back: still waiting, queued before the last run that went through
// every queue began. One indexed count per reporting store, by STORE_ID.
void readReturned(db::SQLConnection& connection, const std::string& queue, std::size_t index,
                  Stores& stores) {
    const std::string sql = std::string("SELECT H.STORE_ID, (SELECT COUNT(*) FROM ") + queue +
                            " Q WHERE Q.STORE_ID = H.STORE_ID AND NOT " + kClaimed +
                            " AND Q.QUEUED_AT < H.QUEUES_CLAIMED_AT) AS RETURNED FROM " +
                            kHeartbeatTable + " H WHERE H.QUEUES_CLAIMED_AT IS NOT NULL";
    forEachRow(connection, sql, [&](db::ClientDataSet& r) {
        const int64_t returned = r.fieldByName("RETURNED").asInteger();
        if (returned > 0)
            stores.at(r.fieldByName("STORE_ID").asString()).queues[index].returned = returned;
    });
}

void sortByUrgency(std::vector<StoreState>& stores) {
    std::stable_sort(stores.begin(), stores.end(), [](const StoreState& a, const StoreState& b) {
        if (a.concerns.empty() != b.concerns.empty()) return b.concerns.empty();
        if (!a.concerns.empty() && a.concerns.front() != b.concerns.front())
            return a.concerns.front() < b.concerns.front();
        return a.storeId < b.storeId;
    });
}

}  // namespace

const char* concernText(Concern concern) {
    switch (concern) {
        case Concern::Failed:
            return "last run failed";
        case Concern::NoHeartbeat:
            return "never reported";
        case Concern::StaleHeartbeat:
            return "heartbeat stale";
        case Concern::Refused:
            return "records refused";
        case Concern::StuckClaims:
            return "claims stuck";
    }
    return "";
}

const char* concernName(Concern concern) {
    switch (concern) {
        case Concern::Failed:
            return "failed";
        case Concern::NoHeartbeat:
            return "no_heartbeat";
        case Concern::StaleHeartbeat:
            return "stale_heartbeat";
        case Concern::Refused:
            return "refused";
        case Concern::StuckClaims:
            return "stuck_claims";
    }
    return "";
}

int64_t StoreState::total(int64_t QueueState::*count) const {
    int64_t sum = 0;
    for (const QueueState& q : queues) sum += q.*count;
    return sum;
}

std::optional<int64_t> StoreState::oldest(std::optional<int64_t> QueueState::*age) const {
    std::optional<int64_t> out;
    for (const QueueState& q : queues)
        if ((q.*age) && (!out || *(q.*age) > *out)) out = q.*age;
    return out;
}

std::size_t FleetView::needingAttention() const {
    return static_cast<std::size_t>(std::count_if(
        stores.begin(), stores.end(), [](const StoreState& s) { return !s.concerns.empty(); }));
}

std::vector<Concern> concernsOf(const StoreState& store, const FleetOptions& options) {
    std::vector<Concern> out;
    const bool expected = store.active.value_or(true);
    if (store.heartbeat) {
        const Heartbeat& beat = *store.heartbeat;
        if (!beat.succeeded) out.push_back(Concern::Failed);
        if (expected && beat.reportedAge > options.staleAfterSeconds)
            out.push_back(Concern::StaleHeartbeat);
        if (beat.rowsRefused > 0 || beat.billsNotCopied > 0 ||
            store.total(&QueueState::returned) > 0)
            out.push_back(Concern::Refused);
    } else if (expected) {
        out.push_back(Concern::NoHeartbeat);
    }
    const std::optional<int64_t> claimedAge = store.oldest(&QueueState::oldestClaimedAge);
    if (claimedAge && *claimedAge > options.stuckAfterSeconds) out.push_back(Concern::StuckClaims);
    return out;
}

FleetView readFleet(db::SQLConnection& headquarters, const FleetOptions& options) {
    FleetView view;
    view.options = options;
    forEachRow(
        headquarters, std::string("SELECT ") + kNow + " AS NOW_AT FROM RDB$DATABASE",
        [&](db::ClientDataSet& r) { view.generatedAt = r.fieldByName("NOW_AT").asString(); });
    const std::set<std::string> tables = existingTables(headquarters);
    view.heartbeats = tables.contains(kHeartbeatTable);
    view.storeList = tables.contains(kStoreTable);
    for (const engine::Category& category : engine::categories()) {
        const std::string queue = std::string(category.table) + "_WAIT";
        if (tables.contains(queue)) view.queues.push_back(queue);
    }

    Stores stores(view.queues.size());
    if (view.storeList) readStoreList(headquarters, stores);
    if (view.heartbeats) readHeartbeats(headquarters, stores);
    for (std::size_t i = 0; i < view.queues.size(); ++i) {
        const bool queuedAt = hasColumn(headquarters, view.queues[i], "QUEUED_AT");
        readQueue(headquarters, view.queues[i], i, queuedAt, stores);
        if (view.heartbeats && queuedAt) readReturned(headquarters, view.queues[i], i, stores);
    }
    view.stores = stores.take();
    for (StoreState& store : view.stores) store.concerns = concernsOf(store, options);
    sortByUrgency(view.stores);
    return view;
}

}  // namespace fleet
