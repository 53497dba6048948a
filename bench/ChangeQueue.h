#pragma once

#include <string>

// Headquarters' queue of product changes for one store (PRODUCT_WAIT), as the
// mode-Changed cases fill it, and the statements the physical limit uses for it.
namespace bench {

// Queues rows changes for store: products P00000000.. in key order, in the state
// given ('UPDATE' unless told), waiting (TRAN_CODE 'N').
std::string queueChangesSql(const std::string& store, long long rows,
                            const std::string& state = "UPDATE");

// One query over the store's changed products, every PRODUCT column in its order.
std::string changedProductsSql(const std::string& store);

// Removes the store's queue rows once they are handled.
std::string removeQueuedChangesSql(const std::string& store);

}  // namespace bench
