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
    bool autocommit = false;  // isc_tpb_autocommit: each statement commits when it completes
};

// read committed + rec_version / concurrency / read committed (dirty read); write;
// wait or nowait; autocommit when asked.
std::vector<uint8_t> buildTpb(const Api& api, const TransactionOptions& options);

}  // namespace db::firebird
