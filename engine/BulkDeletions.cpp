#include "engine/BulkDeletions.h"

#include "db/Savepoint.h"
#include "engine/BulkScan.h"

namespace engine {
namespace {

constexpr const char* kQuotedKey = "'{key}'";

// One record within the page's transaction. A single statement that fails undoes
// only itself; several share a savepoint, so that a refused one undoes the others.
uint64_t deleteRecordAlone(db::SQLConnection& target, const KeyedDeletion& deletion,
                           const std::string& key) {
    if (deletion.statements.size() < 2) return deleteByKey(target, deletion, key);
    db::Savepoint record(target, "OLV_RECORD");
    try {
        const uint64_t deleted = deleteByKey(target, deletion, key);
        record.release();
        return deleted;
    } catch (const db::Error& e) {
        if (e.kind() == db::ErrorKind::Refused) record.rollback();
        throw;
    }
}

}  // namespace

uint64_t deleteByKey(db::SQLConnection& connection, const KeyedDeletion& deletion,
                     const std::string& key) {
    const std::vector<db::BoundParam> params{{db::ValueKind::Text, db::Value::text(key)}};
    uint64_t deleted = 0;
    for (const std::string& statement : deletion.statements)
        deleted += connection.cachedStatement(statement).execute(params);
    return deleted;
}

std::string keyAsParameter(const std::string& text) {
    const std::string quotedKey = kQuotedKey;
    const size_t at = text.find(quotedKey);
    if (at == std::string::npos) return text;
    return text.substr(0, at) + "?" + text.substr(at + quotedKey.size());
}

void deleteClaimedInPages(RunContext& run, db::ClientDataSet& claimed, const std::string& keyColumn,
                          db::SQLConnection& target, const KeyedDeletion& deletion,
                          const RefusedRecord& refused) {
    uint64_t deleted = 0;
    forEachInPages(
        run, claimed, target,
        [&] {
            const std::string key = claimed.fieldByName(keyColumn).asString();
            try {
                deleted += deleteRecordAlone(target, deletion, key);
            } catch (const db::Error& e) {
                if (e.kind() != db::ErrorKind::Refused) throw;
                refused(key, e);
            }
        },
        [&] {
            run.counts().rowsDeleted += deleted;
            deleted = 0;
        });
}

}  // namespace engine
