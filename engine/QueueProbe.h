#pragma once

#include <string>

#include "engine/RunContext.h"

namespace engine {

// The store's rows in a wait queue at headquarters, whatever their claim mark, counted
// up to limit: one statement on the queue's index of STORE_ID,
//   SELECT COUNT(*) FROM (SELECT FIRST <limit> STORE_ID FROM <queue> WHERE STORE_ID = '<store>')
std::string storeQueueProbe(const std::string& queueTable, long long limit,
                            const std::string& storeId);
long long storeQueueRows(RunContext& run, const std::string& queueTable, long long limit);

// Whether the store has nothing in the queue: what the run's path choice counted for
// this category, or else the probe above with a limit of one.
bool nothingQueued(RunContext& run, const std::string& queueTable);

}  // namespace engine
