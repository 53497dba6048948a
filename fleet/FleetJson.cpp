#include <nlohmann/json.hpp>

#include "fleet/FleetReport.h"

namespace fleet {
namespace {

using nlohmann::json;

json optionalValue(const std::optional<int64_t>& v) {
    return v ? json(*v) : json(nullptr);
}
json textOrNull(const std::string& text) {
    return text.empty() ? json(nullptr) : json(text);
}

json heartbeatJson(const Heartbeat& beat) {
    return {{"program_version", beat.programVersion},
            {"host_name", beat.hostName},
            {"run_started", beat.runStarted},
            {"run_ended", beat.runEnded},
            {"succeeded", beat.succeeded},
            {"error_message", textOrNull(beat.errorMessage)},
            {"rows_written", beat.rowsWritten},
            {"rows_deleted", beat.rowsDeleted},
            {"rows_refused", beat.rowsRefused},
            {"bills_not_copied", beat.billsNotCopied},
            {"queue_rows_removed", beat.queueRowsRemoved},
            {"reported_at", beat.reportedAt},
            {"reported_age_seconds", beat.reportedAge},
            {"last_success_at", textOrNull(beat.lastSuccessAt)},
            {"last_success_age_seconds", optionalValue(beat.lastSuccessAge)},
            {"last_error_at", textOrNull(beat.lastErrorAt)},
            {"last_error_message", textOrNull(beat.lastErrorMessage)}};
}

json storeJson(const FleetView& view, const StoreState& store) {
    json queues = json::object();
    for (std::size_t i = 0; i < view.queues.size(); ++i) {
        const QueueState& q = store.queues[i];
        queues[view.queues[i]] = {{"waiting", q.waiting},
                                  {"oldest_waiting_age_seconds", optionalValue(q.oldestWaitingAge)},
                                  {"claimed", q.claimed},
                                  {"oldest_claimed_age_seconds", optionalValue(q.oldestClaimedAge)},
                                  {"returned", q.returned}};
    }
    json concerns = json::array();
    for (Concern c : store.concerns) concerns.push_back(concernName(c));
    return {{"store", store.storeId},
            {"name", textOrNull(store.name)},
            {"active", store.active ? json(*store.active) : json(nullptr)},
            {"concerns", concerns},
            {"heartbeat", store.heartbeat ? heartbeatJson(*store.heartbeat) : json(nullptr)},
            {"queues", queues}};
}

}  // namespace

std::string jsonText(const FleetView& view) {
    json stores = json::array();
    for (const StoreState& store : view.stores) stores.push_back(storeJson(view, store));
    const json doc = {{"generated_at", view.generatedAt},
                      {"stale_after_seconds", view.options.staleAfterSeconds},
                      {"stuck_after_seconds", view.options.stuckAfterSeconds},
                      {"heartbeat_table", view.heartbeats},
                      {"store_table", view.storeList},
                      {"queues", view.queues},
                      {"stores_needing_attention", view.needingAttention()},
                      {"stores", stores}};
    return doc.dump(2) + "\n";
}

}  // namespace fleet
