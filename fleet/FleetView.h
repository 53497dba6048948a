#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/SQLConnection.h"

// The chain's view from headquarters: per store, its wait queues and the last
// heartbeat its program wrote (schema/heartbeat.sql), and which stores need a
// person. Read with SELECTs only; every age is headquarters' clock.
namespace fleet {

// One queue of one store.
struct QueueState {
    int64_t waiting = 0;                      // rows not claimed
    std::optional<int64_t> oldestWaitingAge;  // seconds since the oldest was queued; none
                                              // without rows or without QUEUED_AT
    int64_t claimed = 0;                      // rows marked 'X' or 'W' and not removed
    std::optional<int64_t> oldestClaimedAge;
    int64_t returned = 0;  // waiting rows queued before the store's last run that went
                           // through every queue began: handed back after a refusal
};

// The store's row of OLVARIN_STORE_STATUS.
struct Heartbeat {
    std::string programVersion;
    std::string hostName;
    std::string runStarted;  // the branch's clock, "yyyy/mm/dd hh:nn:ss"
    std::string runEnded;
    bool succeeded = false;
    std::string errorMessage;  // the last run's; empty on success
    int64_t rowsWritten = 0, rowsDeleted = 0, rowsRefused = 0, billsNotCopied = 0,
            queueRowsRemoved = 0;
    std::string reportedAt;  // headquarters' clock
    int64_t reportedAge = 0;
    std::string lastSuccessAt;  // empty: no success reported yet
    std::optional<int64_t> lastSuccessAge;
    std::string lastErrorAt;  // empty: no failure reported yet
    std::string lastErrorMessage;
};

// Why a store needs a person, most urgent first.
enum class Concern {
    Failed,          // its last run failed
    NoHeartbeat,     // an active store that never reported
    StaleHeartbeat,  // its last heartbeat is older than the limit
    Refused,         // its last run refused records, or handed-back rows wait
    StuckClaims,     // claimed rows older than the limit: a run died half-way
};

// A short phrase for the concern ("last run failed", ...).
const char* concernText(Concern concern);
// Its name in the machine-readable outputs ("failed", "stale_heartbeat", ...).
const char* concernName(Concern concern);

struct StoreState {
    std::string storeId;
    std::string name;            // from OLVARIN_STORES; may be empty
    std::optional<bool> active;  // none: not listed in OLVARIN_STORES
    std::optional<Heartbeat> heartbeat;
    std::vector<QueueState> queues;  // one per FleetView::queues, in that order
    std::vector<Concern> concerns;   // empty: nothing to do

    int64_t total(int64_t QueueState::*count) const;
    std::optional<int64_t> oldest(std::optional<int64_t> QueueState::*age) const;
};

struct FleetOptions {
    int64_t staleAfterSeconds = 30 * 60;  // a heartbeat older than this is stale
    int64_t stuckAfterSeconds = 60 * 60;  // a claimed row queued before this is stuck
};

struct FleetView {
    std::string generatedAt;  // headquarters' clock
    FleetOptions options;
    std::vector<std::string> queues;  // the wait queues headquarters has, in category order
    bool heartbeats = false;          // headquarters has OLVARIN_STORE_STATUS
    bool storeList = false;           // headquarters has OLVARIN_STORES
    // Every store that is listed, reported, or has queue rows: those with concerns
    // first (the most urgent concern first, then the store id), then the rest by id.
    std::vector<StoreState> stores;

    std::size_t needingAttention() const;
};

// Reads the view through the connection (opened if closed). Throws db::Error.
FleetView readFleet(db::SQLConnection& headquarters, const FleetOptions& options = {});

// The concerns of a store by the options' limits (readFleet applies them).
std::vector<Concern> concernsOf(const StoreState& store, const FleetOptions& options);

}  // namespace fleet
