// A driver module that wraps the real Firebird driver module and adds up, per kind
// of statement, the time spent preparing and running statements. It lets the
// benchmark split a download's time between page queries, keyed SELECTs and
// writes without touching the engine: only the drivers file points elsewhere.
#include <strings.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "base/Platform.h"
#include "bench/StatementTimes.h"
#include "db/Driver.h"

namespace {

bench::StatementTimes& totals() {
    static bench::StatementTimes times;
    return times;
}

bench::StatementKind kindOf(const std::string& sql) {
    if (strncasecmp(sql.c_str(), "SELECT FIRST", 12) == 0) return bench::kPageQuery;
    if (strncasecmp(sql.c_str(), "SELECT", 6) == 0) return bench::kKeyedSelect;
    return bench::kWrite;
}

// Adds the lifetime of the object to one of the totals.
class Timed {
public:
    explicit Timed(double& total) : total_(total), start_(std::chrono::steady_clock::now()) {}
    ~Timed() {
        total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

private:
    double& total_;
    std::chrono::steady_clock::time_point start_;
};

class TimedCursor : public db::Cursor {
public:
    TimedCursor(std::unique_ptr<db::Cursor> real, bench::StatementKind kind)
        : real_(std::move(real)), kind_(kind) {}
    ~TimedCursor() override {
        Timed timed(totals().runSeconds[kind_]);
        real_.reset();
    }
    const std::vector<db::ColumnInfo>& columns() const override { return real_->columns(); }
    bool fetch(std::vector<db::Value>& row) override {
        Timed timed(totals().runSeconds[kind_]);
        return real_->fetch(row);
    }

private:
    std::unique_ptr<db::Cursor> real_;
    bench::StatementKind kind_;
};

class TimedStatement : public db::Statement {
public:
    TimedStatement(std::unique_ptr<db::Statement> real, bench::StatementKind kind)
        : real_(std::move(real)), kind_(kind) {}
    ~TimedStatement() override {
        Timed timed(totals().runSeconds[kind_]);
        real_.reset();
    }
    bool hasResultSet() const override { return real_->hasResultSet(); }
    uint64_t execute(const std::vector<db::BoundParam>& params) override {
        ++totals().runs[kind_];
        Timed timed(totals().runSeconds[kind_]);
        return real_->execute(params);
    }
    std::unique_ptr<db::Cursor> openCursor(const std::vector<db::BoundParam>& params) override {
        ++totals().runs[kind_];
        Timed timed(totals().runSeconds[kind_]);
        return std::make_unique<TimedCursor>(real_->openCursor(params), kind_);
    }

private:
    std::unique_ptr<db::Statement> real_;
    bench::StatementKind kind_;
};

class TimedConnection : public db::Connection {
public:
    explicit TimedConnection(std::unique_ptr<db::Connection> real) : real_(std::move(real)) {}
    void connect(const db::ConnectOptions& o) override { real_->connect(o); }
    bool isConnected() const override { return real_->isConnected(); }
    void disconnect() override { real_->disconnect(); }
    std::unique_ptr<db::Statement> prepare(const std::string& sql) override {
        const bench::StatementKind kind = kindOf(sql);
        std::unique_ptr<db::Statement> real;
        {
            Timed timed(totals().prepareSeconds[kind]);
            real = real_->prepare(sql);
        }
        return std::make_unique<TimedStatement>(std::move(real), kind);
    }
    bool inTransaction() const override { return real_->inTransaction(); }
    void startTransaction(db::Isolation i) override { real_->startTransaction(i); }
    void commit() override { real_->commit(); }
    void rollback() override { real_->rollback(); }
    void endImplicitTransaction() override { real_->endImplicitTransaction(); }
    bool supportsMultipleTransactions() const override {
        return real_->supportsMultipleTransactions();
    }

private:
    std::unique_ptr<db::Connection> real_;
};

class TimedDriver : public db::Driver {
public:
    TimedDriver(base::SharedLibrary module, db::Driver* real)
        : module_(std::move(module)), real_(real) {}
    ~TimedDriver() override { real_.reset(); }  // before the real module unloads
    std::unique_ptr<db::Connection> createConnection() override {
        return std::make_unique<TimedConnection>(real_->createConnection());
    }

private:
    base::SharedLibrary module_;
    std::unique_ptr<db::Driver> real_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const bench::StatementTimes*
olvBenchStatementTimes() {
    return &totals();
}

extern "C" __attribute__((visibility("default"))) int getSQLDriverINTERBASE(
    const char* vendorLib, const char* errorResourceFile, db::Driver** driver, char* message,
    std::size_t messageSize) {
    base::SharedLibrary module;
    if (!module.load(OLVARIN_DRIVER_MODULE)) {
        std::snprintf(message, messageSize, "Unable to Load %s", OLVARIN_DRIVER_MODULE);
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
    *driver = new TimedDriver(std::move(module), real);
    return 0;
}

static_assert(std::is_same_v<decltype(&getSQLDriverINTERBASE), OlvGetDriverFunc>);
static_assert(std::is_same_v<decltype(&olvBenchStatementTimes), OlvBenchStatementTimesFunc>);
