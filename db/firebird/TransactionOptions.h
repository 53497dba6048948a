#pragma once

#include <cstdint>
#include <vector>

#include "db/Driver.h"
#include "db/firebird/Api.h"

// The transaction parameter block of the driver's transactions.
namespace db::firebird {

struct TransactionOptions {
    Isolation isolation = Isolation::ReadCommitted;
    bool waitOnLocks = true;
    int lockTimeoutSeconds = 0;  // with waitOnLocks: isc_tpb_lock_timeout when positive
    bool autocommit = false;     // isc_tpb_autocommit: each statement commits when it completes
};

// read committed + rec_version / concurrency / read committed (dirty read); write;
// wait (for at most the lock timeout) or nowait; autocommit when asked.
std::vector<uint8_t> buildTpb(const Api& api, const TransactionOptions& options);

}  // namespace db::firebird
