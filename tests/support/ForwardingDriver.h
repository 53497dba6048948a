#pragma once

// A driver that forwards every call to the real driver module and lets a wrapper
// module (the fault driver of the tests, the benchmark's timing driver) add its own
// behaviour around each step of a statement. The databases stay real.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/Platform.h"
#include "db/Driver.h"

namespace testsupport {

// What a wrapper module adds. around() is called for every step of a statement,
// with the statement's text; it must call step once, or throw instead of calling it
// (the error reaches the caller as if the real driver had thrown it). For Free and
// CloseCursor, which run in destructors, it must not throw. The commit of an
// explicit transaction is a step too, under the text kCommitText.
class StatementHooks {
  public:
    enum class Step {
        Prepare,
        Execute,
        OpenCursor,
        Fetch,
        CloseCursor,  // the cursor destroyed
        Free,         // the statement destroyed
        Commit,       // Connection::commit(), with kCommitText for its text
    };
    static constexpr const char* kCommitText = "COMMIT";

    virtual ~StatementHooks() = default;
    virtual void around(const std::string& sql, Step step, const std::function<void()>& run) = 0;
};

// The forwarding classes. Each holds the real object it wraps and the hooks, which
// must outlive the driver and everything it hands out.
class ForwardingCursor : public db::Cursor {
  public:
    ForwardingCursor(std::unique_ptr<db::Cursor> real, std::shared_ptr<const std::string> sql,
                     StatementHooks& hooks)
        : real_(std::move(real)), sql_(std::move(sql)), hooks_(hooks) {}
    ~ForwardingCursor() override {
        hooks_.around(*sql_, StatementHooks::Step::CloseCursor, [this] { real_.reset(); });
    }
    ForwardingCursor(const ForwardingCursor&) = delete;
    ForwardingCursor& operator=(const ForwardingCursor&) = delete;

    const std::vector<db::ColumnInfo>& columns() const override { return real_->columns(); }
    bool fetch(std::vector<db::Value>& row) override {
        bool more = false;
        hooks_.around(*sql_, StatementHooks::Step::Fetch, [&] { more = real_->fetch(row); });
        return more;
    }

  private:
    std::unique_ptr<db::Cursor> real_;
    std::shared_ptr<const std::string> sql_;
    StatementHooks& hooks_;
};

class ForwardingStatement : public db::Statement {
  public:
    ForwardingStatement(std::unique_ptr<db::Statement> real, std::string sql, StatementHooks& hooks)
        : real_(std::move(real)),
          sql_(std::make_shared<const std::string>(std::move(sql))),
          hooks_(hooks) {}
    ~ForwardingStatement() override {
        hooks_.around(*sql_, StatementHooks::Step::Free, [this] { real_.reset(); });
    }
    ForwardingStatement(const ForwardingStatement&) = delete;
    ForwardingStatement& operator=(const ForwardingStatement&) = delete;

    bool hasResultSet() const override { return real_->hasResultSet(); }
    uint64_t execute(const std::vector<db::BoundParam>& params) override {
        uint64_t affected = 0;
        hooks_.around(*sql_, StatementHooks::Step::Execute,
                      [&] { affected = real_->execute(params); });
        return affected;
    }
    std::unique_ptr<db::Cursor> openCursor(const std::vector<db::BoundParam>& params) override {
        std::unique_ptr<db::Cursor> cursor;
        hooks_.around(*sql_, StatementHooks::Step::OpenCursor, [&] {
            cursor = std::make_unique<ForwardingCursor>(real_->openCursor(params), sql_, hooks_);
        });
        return cursor;
    }

  private:
    std::unique_ptr<db::Statement> real_;
    std::shared_ptr<const std::string> sql_;  // shared with the statement's cursors
    StatementHooks& hooks_;
};

class ForwardingConnection : public db::Connection {
  public:
    ForwardingConnection(std::unique_ptr<db::Connection> real, StatementHooks& hooks)
        : real_(std::move(real)), hooks_(hooks) {}

    void connect(const db::ConnectOptions& o) override { real_->connect(o); }
    bool isConnected() const override { return real_->isConnected(); }
    void disconnect() override { real_->disconnect(); }
    bool ping() override { return real_->ping(); }
    std::unique_ptr<db::Statement> prepare(const std::string& sql) override {
        std::unique_ptr<db::Statement> real;
        hooks_.around(sql, StatementHooks::Step::Prepare, [&] { real = real_->prepare(sql); });
        return std::make_unique<ForwardingStatement>(std::move(real), sql, hooks_);
    }
    bool inTransaction() const override { return real_->inTransaction(); }
    void startTransaction(db::Isolation i) override { real_->startTransaction(i); }
    void commit() override {
        hooks_.around(StatementHooks::kCommitText, StatementHooks::Step::Commit,
                      [this] { real_->commit(); });
    }
    void rollback() override { real_->rollback(); }
    void endImplicitTransaction() override { real_->endImplicitTransaction(); }
    bool supportsMultipleTransactions() const override {
        return real_->supportsMultipleTransactions();
    }

  private:
    std::unique_ptr<db::Connection> real_;
    StatementHooks& hooks_;
};

// Owns the real driver (its module stays loaded for the rest of the process).
class ForwardingDriver : public db::Driver {
  public:
    ForwardingDriver(db::Driver* real, StatementHooks& hooks) : real_(real), hooks_(hooks) {}

    std::unique_ptr<db::Connection> createConnection() override {
        return std::make_unique<ForwardingConnection>(real_->createConnection(), hooks_);
    }

  private:
    std::unique_ptr<db::Driver> real_;
    StatementHooks& hooks_;
};

// The body of a wrapper module's entry point (OlvGetDriverFunc): loads the real
// driver module at modulePath, asks its getSQLDriverINTERBASE for a driver with the
// same arguments and stores in *driver a ForwardingDriver over it. Returns what the
// entry point returns, with the real module's message when that one fails.
inline int forwardToDriverModule(const char* modulePath, StatementHooks& hooks,
                                 const char* vendorLib, const char* errorResourceFile,
                                 db::Driver** driver, char* message, std::size_t messageSize) {
    base::SharedLibrary module;
    if (!module.load(modulePath)) {
        std::snprintf(message, messageSize, "Unable to Load %s", modulePath);
        return 1;
    }
    auto getReal = reinterpret_cast<OlvGetDriverFunc>(module.symbol("getSQLDriverINTERBASE"));
    if (!getReal) {
        std::snprintf(message, messageSize, "Unable to Find Procedure getSQLDriverINTERBASE");
        return 1;
    }
    db::Driver* real = nullptr;
    const int rc = getReal(vendorLib, errorResourceFile, &real, message, messageSize);
    if (rc != 0) return rc;
    *driver = new ForwardingDriver(real, hooks);
    return 0;
}

}  // namespace testsupport
