#pragma once

#include <string>

#include "app/StatusFile.h"
#include "db/SQLConnection.h"

// The heartbeat: at the end of every run, success or failure, one row for the store
// in headquarters' table OLVARIN_STORE_STATUS (schema/heartbeat.sql), written through
// the run's own connection to headquarters when the per-user setting "Report To
// Headquarters" is on. Off (the default), nothing is sent and nothing is logged.
namespace app {

inline constexpr const char* kReportToHeadquartersSetting = "Report To Headquarters";

// The setting is on when its value is "true" in any letter case.
bool reportToHeadquartersFromSettings();

// One run as the heartbeat tells it.
struct Heartbeat {
    RunOutcome run;            // store, times, success, the run's tally
    std::string errorMessage;  // the error that ended the run; empty on success
    // The run went through every category in mode Changed, and so through every
    // wait queue: rows queued before it began and still waiting were handed back.
    bool claimedEveryQueue = false;
    std::string programVersion;
    std::string hostName;
};

// The heartbeat of a run that has ended: the program's version, this machine's name,
// and whether the run claimed every queue (it succeeded, in mode Changed, with every
// category ticked).
Heartbeat heartbeatOf(const RunOutcome& run, const std::string& errorMessage, int downloadMode);

// Writes the store's row with one statement in a transaction of its own on
// headquarters, connecting if the connection is closed. A failed run keeps the
// row's last success, a successful one its last error. Throws db::Error.
void writeHeartbeat(db::SQLConnection& headquarters, const Heartbeat& beat);

// At the end of a run: with the setting on, writes the heartbeat; a heartbeat that
// cannot be written costs one line on standard error
// ("Heartbeat not written to headquarters: <reason>") and nothing else. Never throws.
void reportToHeadquarters(db::SQLConnection& headquarters, const RunOutcome& run,
                          const std::string& errorMessage, int downloadMode) noexcept;

}  // namespace app
