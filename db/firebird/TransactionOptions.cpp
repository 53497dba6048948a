#include "db/firebird/TransactionOptions.h"

#include "db/firebird/Status.h"

namespace db::firebird {

std::vector<uint8_t> buildTpb(const Api& api, const TransactionOptions& options) {
    return guarded(api, [&](Firebird::ThrowStatusWrapper* st) {
        DisposablePtr<Firebird::IXpbBuilder> tpb(
            api.util()->getXpbBuilder(st, Firebird::IXpbBuilder::TPB, nullptr, 0));
        tpb->insertTag(st, isc_tpb_write);
        switch (options.isolation) {
            case Isolation::ReadCommitted:
                tpb->insertTag(st, isc_tpb_read_committed);
                tpb->insertTag(st, isc_tpb_rec_version);
                break;
            case Isolation::RepeatableRead:
                tpb->insertTag(st, isc_tpb_concurrency);
                break;
            case Isolation::DirtyRead:
                tpb->insertTag(st, isc_tpb_read_committed);
                break;
        }
        tpb->insertTag(st, options.waitOnLocks ? isc_tpb_wait : isc_tpb_nowait);
        if (options.waitOnLocks && options.lockTimeoutSeconds > 0)
            tpb->insertInt(st, isc_tpb_lock_timeout, options.lockTimeoutSeconds);
        if (options.autocommit) tpb->insertTag(st, isc_tpb_autocommit);
        const uint8_t* buffer = tpb->getBuffer(st);
        return std::vector<uint8_t>(buffer, buffer + tpb->getBufferLength(st));
    });
}

}  // namespace db::firebird
