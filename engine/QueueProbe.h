#pragma once

#include <string>

#include "engine/RunContext.h"

namespace engine {

// A count of a table's rows that reads at most limit of them:
//   SELECT COUNT(*) FROM (SELECT FIRST <limit> <column> FROM <table>[ WHERE <where>])
std::string boundedCount(const std::string& table, const std::string& column, long long limit,
                         const std::string& where = {});
// Runs it on dataset (closed afterwards) and gives the count.
long long runBoundedCount(db::ClientDataSet& dataset, const std::string& statement);

// The store's rows in a wait queue at headquarters, whatever their claim mark, counted
// up to limit: one statement on the queue's index of STORE_ID.
long long storeQueueRows(RunContext& run, const std::string& queueTable, long long limit);

// Whether the store has nothing in the queue: what the run's path choice counted for
// this category, or else storeQueueRows with a limit of one.
bool nothingQueued(RunContext& run, const std::string& queueTable);

}  // namespace engine
