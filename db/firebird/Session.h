#pragma once

#include <memory>
#include <string>
#include <utility>

#include "db/Driver.h"
#include "db/firebird/Api.h"
#include "db/firebird/Ptr.h"
#include "db/firebird/Status.h"
#include "db/firebird/TableFacts.h"

// One attachment and its transactions, shared by the connection and the
// statements and cursors made from it (they keep it alive, so that a statement
// that outlives a disconnect fails cleanly instead of touching freed memory).
namespace db::firebird {

class Session {
  public:
    explicit Session(std::shared_ptr<Api> api);
    ~Session();  // detaches quietly
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const Api& api() const { return *api_; }
    const ConnectOptions& options() const { return options_; }

    // Attaches with the options mapped onto the DPB; throws db::Error, always of
    // the kind LinkFailed (the connection could not be made).
    void attach(const ConnectOptions& options);
    // False once a call failed because the link or the database failed.
    bool attached() const { return attachment_ && !lost_; }
    // Ends the transactions (the implicit one committed, an explicit one rolled
    // back) and detaches. Everything is released even when a step fails; the first
    // failure is then thrown. A lost attachment is only released: nothing is sent
    // over a link that is gone.
    void detach();

    // Runs call(status) like firebird::guarded, and marks the attachment lost when
    // the error it throws says the link or the database failed.
    template <typename F>
    decltype(auto) guarded(F&& call) {
        try {
            return firebird::guarded(api(), std::forward<F>(call));
        } catch (const db::Error& e) {
            if (e.linkFailed()) lost_ = true;
            throw;
        }
    }
    // Whether the link still answers (a round trip to the server). Marks the
    // attachment lost when it does not; never throws.
    bool ping() noexcept;

    // The attachment; throws db::Error when not attached.
    Firebird::IAttachment* attachment() const;

    // The transaction a statement runs in now: the explicit one when open, else the
    // implicit autocommit one, started on first need and kept open.
    Firebird::ITransaction* current();

    bool inTransaction() const { return static_cast<bool>(explicit_); }
    void startTransaction(Isolation isolation);
    void commit();
    void rollback();
    void endImplicitTransaction();

    // Whether the column of the table is computed, and whether it belongs to the
    // table's primary key (both read once per table from the system tables).
    bool isComputed(const std::string& relation, const std::string& field);
    bool isPrimaryKey(const std::string& relation, const std::string& field);

  private:
    void attachTo(const std::string& database, const ConnectOptions& options);
    void releaseLost() noexcept;
    RefPtr<Firebird::ITransaction> start(Isolation isolation, bool autocommit);
    void commitQuietly(RefPtr<Firebird::ITransaction>& transaction, std::string& firstError);

    std::shared_ptr<Api> api_;
    ConnectOptions options_;
    RefPtr<Firebird::IAttachment> attachment_;
    bool lost_ = false;
    RefPtr<Firebird::ITransaction> explicit_;
    RefPtr<Firebird::ITransaction> implicit_;
    // With CommitRetain: the explicit transaction kept by its commitRetaining, reused
    // by the next startTransaction of the same isolation.
    RefPtr<Firebird::ITransaction> retained_;
    Isolation retainedIsolation_ = Isolation::ReadCommitted;
    TableFactsCache tables_;
};

}  // namespace db::firebird
