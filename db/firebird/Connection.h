#pragma once

#include <memory>

#include "db/Driver.h"
#include "db/firebird/Api.h"
#include "db/firebird/Session.h"

// A db::Connection over one Firebird attachment (see Session for the transactions).
namespace db::firebird {

class FbConnection final : public db::Connection {
  public:
    explicit FbConnection(std::shared_ptr<Api> api);
    ~FbConnection() override;  // disconnects quietly

    void connect(const ConnectOptions& options) override;
    bool isConnected() const override;
    void disconnect() override;
    bool ping() override;

    std::unique_ptr<Statement> prepare(const std::string& sql) override;

    bool inTransaction() const override;
    void startTransaction(Isolation isolation) override;
    void commit() override;
    void rollback() override;
    void endImplicitTransaction() override;
    bool supportsMultipleTransactions() const override { return true; }

  private:
    Session& session() const;  // throws db::Error when not connected

    std::shared_ptr<Api> api_;
    // A new session per connect: statements left from an earlier attachment keep
    // theirs and fail cleanly.
    std::shared_ptr<Session> session_;
};

}  // namespace db::firebird
