#include "app/Heartbeat.h"

#include "app/Version.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include <QDateTime>
#include <QSysInfo>

#include "app/ProgramSettings.h"
#include "base/Text.h"
#include "db/SQLQuery.h"
#include "db/Transaction.h"
#include "engine/RunRequest.h"

namespace app {
namespace {

// The longest error message the table keeps (VARCHAR(1000)).
constexpr std::size_t kMessageBytes = 1000;

// One statement: the row is inserted the first time and updated after; the columns
// of the last success and the last error carry over from the row it replaces. The
// _AT columns are headquarters' clock.
constexpr const char* kWriteHeartbeat =
    "MERGE INTO OLVARIN_STORE_STATUS S "
    "USING (SELECT CAST(:STORE_ID AS VARCHAR(10)) AS STORE_ID, "
    "CAST(:PROGRAM_VERSION AS VARCHAR(20)) AS PROGRAM_VERSION, "
    "CAST(:HOST_NAME AS VARCHAR(255)) AS HOST_NAME, "
    "CAST(:RUN_STARTED AS TIMESTAMP) AS RUN_STARTED, "
    "CAST(:RUN_ENDED AS TIMESTAMP) AS RUN_ENDED, "
    "CAST(:DURATION_MS AS BIGINT) AS DURATION_MS, "
    "CAST(:SUCCEEDED AS SMALLINT) AS SUCCEEDED, "
    "NULLIF(CAST(:ERROR_MESSAGE AS VARCHAR(1000)), '') AS ERROR_MESSAGE, "
    "CAST(:ROWS_WRITTEN AS BIGINT) AS ROWS_WRITTEN, "
    "CAST(:ROWS_DELETED AS BIGINT) AS ROWS_DELETED, "
    "CAST(:ROWS_REFUSED AS BIGINT) AS ROWS_REFUSED, "
    "CAST(:BILLS_NOT_COPIED AS BIGINT) AS BILLS_NOT_COPIED, "
    "CAST(:QUEUE_ROWS_REMOVED AS BIGINT) AS QUEUE_ROWS_REMOVED, "
    "CAST(:CLAIMED_EVERY_QUEUE AS SMALLINT) AS CLAIMED_EVERY_QUEUE, "
    "CAST('NOW' AS TIMESTAMP) AS NOW_AT FROM RDB$DATABASE) R "
    "ON S.STORE_ID = R.STORE_ID "
    "WHEN MATCHED THEN UPDATE SET PROGRAM_VERSION = R.PROGRAM_VERSION, HOST_NAME = R.HOST_NAME, "
    "RUN_STARTED = R.RUN_STARTED, RUN_ENDED = R.RUN_ENDED, SUCCEEDED = R.SUCCEEDED, "
    "ERROR_MESSAGE = R.ERROR_MESSAGE, ROWS_WRITTEN = R.ROWS_WRITTEN, "
    "ROWS_DELETED = R.ROWS_DELETED, ROWS_REFUSED = R.ROWS_REFUSED, "
    "BILLS_NOT_COPIED = R.BILLS_NOT_COPIED, QUEUE_ROWS_REMOVED = R.QUEUE_ROWS_REMOVED, "
    "REPORTED_AT = R.NOW_AT, "
    "LAST_SUCCESS_AT = CASE WHEN R.SUCCEEDED = 1 THEN R.NOW_AT ELSE S.LAST_SUCCESS_AT END, "
    "LAST_ERROR_AT = CASE WHEN R.SUCCEEDED = 1 THEN S.LAST_ERROR_AT ELSE R.NOW_AT END, "
    "LAST_ERROR_MESSAGE = CASE WHEN R.SUCCEEDED = 1 THEN S.LAST_ERROR_MESSAGE "
    "ELSE R.ERROR_MESSAGE END, "
    "QUEUES_CLAIMED_AT = CASE WHEN R.CLAIMED_EVERY_QUEUE = 1 "
    "THEN DATEADD(-R.DURATION_MS MILLISECOND TO R.NOW_AT) ELSE S.QUEUES_CLAIMED_AT END "
    "WHEN NOT MATCHED THEN INSERT (STORE_ID, PROGRAM_VERSION, HOST_NAME, RUN_STARTED, RUN_ENDED, "
    "SUCCEEDED, ERROR_MESSAGE, ROWS_WRITTEN, ROWS_DELETED, ROWS_REFUSED, BILLS_NOT_COPIED, "
    "QUEUE_ROWS_REMOVED, REPORTED_AT, LAST_SUCCESS_AT, LAST_ERROR_AT, LAST_ERROR_MESSAGE, "
    "QUEUES_CLAIMED_AT) VALUES (R.STORE_ID, R.PROGRAM_VERSION, R.HOST_NAME, R.RUN_STARTED, "
    "R.RUN_ENDED, R.SUCCEEDED, R.ERROR_MESSAGE, R.ROWS_WRITTEN, R.ROWS_DELETED, R.ROWS_REFUSED, "
    "R.BILLS_NOT_COPIED, R.QUEUE_ROWS_REMOVED, R.NOW_AT, "
    "CASE WHEN R.SUCCEEDED = 1 THEN R.NOW_AT END, CASE WHEN R.SUCCEEDED = 1 THEN NULL "
    "ELSE R.NOW_AT END, R.ERROR_MESSAGE, CASE WHEN R.CLAIMED_EVERY_QUEUE = 1 "
    "THEN DATEADD(-R.DURATION_MS MILLISECOND TO R.NOW_AT) END)";

// The machine's local time, to the ten-thousandth of a second Firebird keeps.
db::Timestamp localTimestamp(std::chrono::system_clock::time_point t) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch());
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms.count());
    const QDate d = local.date();
    const QTime time = local.time();
    return {{d.year(), d.month(), d.day()},
            {time.hour(), time.minute(), time.second(), time.msec() * 10}};
}

// At most maxBytes of UTF-8 text, cut before a character, never inside one.
std::string utf8Prefix(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

db::Value count(uint64_t n) {
    return db::Value::bigInt(static_cast<int64_t>(n));
}

bool everyCategoryRan(const engine::RunTally& tally) {
    for (const auto& c : tally.categories)
        if (!c.ran) return false;
    return true;
}

}  // namespace

bool reportToHeadquartersFromSettings() {
    return base::asciiLower(programSetting(kReportToHeadquartersSetting)) == "true";
}

Heartbeat heartbeatOf(const RunOutcome& run, const std::string& errorMessage, int downloadMode) {
    Heartbeat beat;
    beat.run = run;
    beat.errorMessage = run.succeeded ? std::string() : errorMessage;
    beat.claimedEveryQueue =
        run.succeeded && downloadMode == engine::kModeChanged && everyCategoryRan(run.tally);
    beat.programVersion = app::kVersion;
    beat.hostName = QSysInfo::machineHostName().toStdString();
    return beat;
}

void writeHeartbeat(db::SQLConnection& headquarters, const Heartbeat& beat) {
    using db::Value;
    const engine::RunTally& tally = beat.run.tally;
    db::SQLQuery statement("SQL_Heartbeat", headquarters);
    statement.addSql(kWriteHeartbeat);
    const auto set = [&](const char* name, const Value& v) {
        statement.paramByName(name).setValue(v);
    };
    set("STORE_ID", Value::text(beat.run.storeId));
    set("PROGRAM_VERSION", Value::text(beat.programVersion));
    set("HOST_NAME", Value::text(utf8Prefix(beat.hostName, 255)));
    set("RUN_STARTED", Value::timestamp(localTimestamp(beat.run.start)));
    set("RUN_ENDED", Value::timestamp(localTimestamp(beat.run.end)));
    set("DURATION_MS",
        Value::bigInt(
            std::chrono::duration_cast<std::chrono::milliseconds>(beat.run.duration).count()));
    set("SUCCEEDED", Value::smallInt(beat.run.succeeded ? 1 : 0));
    set("ERROR_MESSAGE", Value::text(utf8Prefix(beat.errorMessage, kMessageBytes)));
    set("ROWS_WRITTEN", count(tally.total(&engine::CategoryTally::rowsWritten)));
    set("ROWS_DELETED", count(tally.total(&engine::CategoryTally::rowsDeleted)));
    set("ROWS_REFUSED", count(tally.total(&engine::CategoryTally::rowsRefused)));
    set("BILLS_NOT_COPIED", count(tally.total(&engine::CategoryTally::billsNotCopied)));
    set("QUEUE_ROWS_REMOVED", count(tally.total(&engine::CategoryTally::queueRowsRemoved)));
    set("CLAIMED_EVERY_QUEUE", Value::smallInt(beat.claimedEveryQueue ? 1 : 0));

    db::Transaction transaction(headquarters, {});
    statement.execSQL();
    transaction.commit();
}

void reportToHeadquarters(db::SQLConnection& headquarters, const RunOutcome& run,
                          const std::string& errorMessage, int downloadMode) noexcept {
    try {
        if (!reportToHeadquartersFromSettings()) return;
        writeHeartbeat(headquarters, heartbeatOf(run, errorMessage, downloadMode));
    } catch (const std::exception& e) {
        std::string reason = e.what();
        std::replace(reason.begin(), reason.end(), '\n', ' ');  // one line, whatever the message
        std::cerr << "Heartbeat not written to headquarters: " << reason << std::endl;
    }
}

}  // namespace app
