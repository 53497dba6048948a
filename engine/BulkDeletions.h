#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/ClientDataSet.h"
#include "db/Error.h"
#include "db/SQLConnection.h"
#include "engine/RunContext.h"

namespace engine {

// How the bulk path deletes one record on the branch: statements whose one
// parameter is the record's key, run in order (a bill's lines, then its master).
struct KeyedDeletion {
    std::vector<std::string> statements;
};

// A stored statement text with its quoted '{key}' as the parameter:
// "DELETE FROM PRODUCT WHERE PROD_ID = '{key}'" gives "... WHERE PROD_ID = ?".
std::string keyAsParameter(const std::string& storedText);

// Runs deletion's statements for the record key on connection, each prepared once
// per run; returns the rows they deleted.
uint64_t deleteByKey(db::SQLConnection& connection, const KeyedDeletion& deletion,
                     const std::string& key);

// Called for a record the branch refused, with the database's error.
using RefusedRecord = std::function<void(const std::string& key, const db::Error& error)>;

// The bulk path's deletions: for every row of claimed (read whole; keyColumn names
// the record) runs deletion on target, in page transactions (forEachInPages), its
// statements prepared once. A record the
// branch refuses (db::Error of the kind Refused) is undone alone and handed to
// refused; the page goes on. Any other failure rolls the page back and is thrown,
// so that everything it held stays claimed for the next run. Counts the deleted
// rows once their page has committed.
void deleteClaimedInPages(RunContext& run, db::ClientDataSet& claimed, const std::string& keyColumn,
                          db::SQLConnection& target, const KeyedDeletion& deletion,
                          const RefusedRecord& refused);

}  // namespace engine
