#include <sstream>

#include "fleet/FleetReport.h"

namespace fleet {
namespace {

std::string escaped(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out;
}

// One gauge family: its # HELP and # TYPE lines, then samples.
class Family {
  public:
    Family(std::ostringstream& out, const char* name, const char* help) : out_(out), name_(name) {
        out_ << "# HELP " << name << ' ' << help << "\n# TYPE " << name << " gauge\n";
    }
    void sample(const std::string& labels, int64_t value) {
        out_ << name_;
        if (!labels.empty()) out_ << '{' << labels << '}';
        out_ << ' ' << value << '\n';
    }

  private:
    std::ostringstream& out_;
    const char* name_;
};

std::string storeLabel(const StoreState& store) {
    return "store=\"" + escaped(store.storeId) + "\"";
}

void storeFamilies(std::ostringstream& out, const FleetView& view) {
    Family attention(out, "olvarin_fleet_store_needs_attention",
                     "1 when the store needs a person (see the reason label), else 0");
    for (const StoreState& s : view.stores) {
        std::string reasons;
        for (Concern c : s.concerns)
            reasons += (reasons.empty() ? "" : ",") + std::string(concernName(c));
        attention.sample(storeLabel(s) + ",reasons=\"" + reasons + "\"",
                         s.concerns.empty() ? 0 : 1);
    }
    struct BeatGauge {
        const char* name;
        const char* help;
        std::optional<int64_t> (*value)(const Heartbeat&);
    };
    static const BeatGauge kGauges[] = {
        {"olvarin_fleet_heartbeat_age_seconds", "seconds since the store's last heartbeat",
         [](const Heartbeat& b) -> std::optional<int64_t> { return b.reportedAge; }},
        {"olvarin_fleet_last_run_success", "1 when the store's last run succeeded",
         [](const Heartbeat& b) -> std::optional<int64_t> { return b.succeeded ? 1 : 0; }},
        {"olvarin_fleet_last_success_age_seconds", "seconds since the store's last successful run",
         [](const Heartbeat& b) { return b.lastSuccessAge; }},
        {"olvarin_fleet_last_run_rows_refused", "rows the store's last run refused",
         [](const Heartbeat& b) -> std::optional<int64_t> { return b.rowsRefused; }},
        {"olvarin_fleet_last_run_bills_not_copied", "bills the store's last run did not copy",
         [](const Heartbeat& b) -> std::optional<int64_t> { return b.billsNotCopied; }},
    };
    for (const BeatGauge& g : kGauges) {
        Family family(out, g.name, g.help);
        for (const StoreState& s : view.stores)
            if (s.heartbeat)
                if (const auto v = g.value(*s.heartbeat)) family.sample(storeLabel(s), *v);
    }
}

void queueFamilies(std::ostringstream& out, const FleetView& view) {
    struct QueueGauge {
        const char* name;
        const char* help;
        std::optional<int64_t> (*value)(const QueueState&);
    };
    static const QueueGauge kGauges[] = {
        {"olvarin_fleet_queue_waiting_rows", "queue rows waiting for the store",
         [](const QueueState& q) -> std::optional<int64_t> { return q.waiting; }},
        {"olvarin_fleet_queue_oldest_waiting_age_seconds", "age of the oldest waiting row",
         [](const QueueState& q) { return q.oldestWaitingAge; }},
        {"olvarin_fleet_queue_claimed_rows", "queue rows claimed by the store and not removed",
         [](const QueueState& q) -> std::optional<int64_t> { return q.claimed; }},
        {"olvarin_fleet_queue_oldest_claimed_age_seconds", "age of the oldest claimed row",
         [](const QueueState& q) { return q.oldestClaimedAge; }},
        {"olvarin_fleet_queue_returned_rows", "waiting rows handed back after a refusal",
         [](const QueueState& q) -> std::optional<int64_t> { return q.returned; }},
    };
    for (const QueueGauge& g : kGauges) {
        Family family(out, g.name, g.help);
        for (const StoreState& s : view.stores)
            for (std::size_t i = 0; i < view.queues.size(); ++i) {
                const QueueState& q = s.queues[i];
                if (q.waiting == 0 && q.claimed == 0) continue;
                if (const auto v = g.value(q))
                    family.sample(storeLabel(s) + ",queue=\"" + view.queues[i] + "\"", *v);
            }
    }
}

}  // namespace

std::string prometheusText(const FleetView& view) {
    std::ostringstream out;
    Family(out, "olvarin_fleet_stores", "stores in the view")
        .sample("", static_cast<int64_t>(view.stores.size()));
    Family(out, "olvarin_fleet_stores_needing_attention", "stores that need a person")
        .sample("", static_cast<int64_t>(view.needingAttention()));
    storeFamilies(out, view);
    queueFamilies(out, view);
    return out.str();
}

}  // namespace fleet
