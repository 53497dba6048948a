#include "engine/BulkDeletions.h"

#include "db/Savepoint.h"
#include "db/Transaction.h"

namespace engine {
namespace {

constexpr const char* kQuotedKey = "'{key}'";

// Runs the record's statements; returns the rows they deleted.
uint64_t deleteRecord(db::SQLConnection& target, const KeyedDeletion& deletion,
                      const std::string& key) {
    const std::vector<db::BoundParam> params{{db::ValueKind::Text, db::Value::text(key)}};
    uint64_t deleted = 0;
    for (const std::string& statement : deletion.statements)
        deleted += target.cachedStatement(statement).execute(params);
    return deleted;
}

// One record within the page's transaction. A single statement that fails undoes
// only itself; several share a savepoint, so that a refused one undoes the others.
uint64_t deleteRecordAlone(db::SQLConnection& target, const KeyedDeletion& deletion,
                           const std::string& key) {
    if (deletion.statements.size() < 2) return deleteRecord(target, deletion, key);
    db::Savepoint record(target, "OLV_RECORD");
    try {
        const uint64_t deleted = deleteRecord(target, deletion, key);
        record.release();
        return deleted;
    } catch (const db::Error& e) {
        if (e.kind() == db::ErrorKind::Refused) record.rollback();
        throw;
    }
}

}  // namespace

std::string keyAsParameter(const std::string& text) {
    const std::string quotedKey = kQuotedKey;
    const size_t at = text.find(quotedKey);
    if (at == std::string::npos) return text;
    return text.substr(0, at) + "?" + text.substr(at + quotedKey.size());
}

void deleteClaimedInPages(RunContext& run, db::ClientDataSet& claimed, const std::string& keyColumn,
                          db::SQLConnection& target, const KeyedDeletion& deletion,
                          const RefusedRecord& refused) {
    claimed.first();
    while (!claimed.eof()) {
        db::Transaction page(target, db::TransactionDesc{});
        uint64_t deleted = 0;
        for (int n = 0; n < run.bulkPageSize && !claimed.eof(); ++n, claimed.next()) {
            const std::string key = claimed.fieldByName(keyColumn).asString();
            try {
                deleted += deleteRecordAlone(target, deletion, key);
            } catch (const db::Error& e) {
                if (e.kind() != db::ErrorKind::Refused) throw;
                refused(key, e);
            }
        }
        page.commit();
        run.counts().rowsDeleted += deleted;
    }
}

}  // namespace engine
