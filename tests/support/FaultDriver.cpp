// A driver module for fault and protocol tests: it wraps the real Firebird driver
// module and, per statement text,
//   - appends every statement it runs to the file named by OLVARIN_TRACE_FILE, one
//     line per statement (line breaks inside a statement written as "\n");
//   - calls the test program's olvarinStatementHook(sql), when it exports one,
//     before every statement (a test does something "at the chosen moment");
//   - fails a statement whose text contains OLVARIN_FAIL_STATEMENT, at its
//     OLVARIN_FAIL_AT-th occurrence (1 when unset) and every later one unless
//     OLVARIN_FAIL_ONCE is set, with the message "injected failure".
// The databases stay real: every other statement goes to the real driver.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "base/Platform.h"
#include "db/Driver.h"
#include "db/Error.h"

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

void callTestHook(const std::string& sql) {
    using Hook = void (*)(const char*);
    static const auto hook = reinterpret_cast<Hook>(dlsym(RTLD_DEFAULT, "olvarinStatementHook"));
    if (hook) hook(sql.c_str());
}

void trace(const std::string& sql) {
    callTestHook(sql);
    const std::string path = env("OLVARIN_TRACE_FILE");
    if (path.empty()) return;
    std::string line;
    for (char c : sql) line += c == '\n' ? std::string("\\n") : std::string(1, c);
    std::ofstream(path, std::ios::app) << line << '\n';
}

int& matches() {
    static int count = 0;
    return count;
}

void maybeFail(const std::string& sql) {
    const std::string needle = env("OLVARIN_FAIL_STATEMENT");
    if (needle.empty() || sql.find(needle) == std::string::npos) return;
    const int at = env("OLVARIN_FAIL_AT").empty() ? 1 : std::atoi(env("OLVARIN_FAIL_AT").c_str());
    const int n = ++matches();
    if (n == at || (n > at && env("OLVARIN_FAIL_ONCE").empty())) throw db::Error("injected failure");
}

class FaultStatement : public db::Statement {
public:
    FaultStatement(std::unique_ptr<db::Statement> real, std::string sql)
        : real_(std::move(real)), sql_(std::move(sql)) {}
    bool hasResultSet() const override { return real_->hasResultSet(); }
    uint64_t execute(const std::vector<db::BoundParam>& params) override {
        trace(sql_);
        maybeFail(sql_);
        return real_->execute(params);
    }
    std::unique_ptr<db::Cursor> openCursor(const std::vector<db::BoundParam>& params) override {
        trace(sql_);
        maybeFail(sql_);
        return real_->openCursor(params);
    }

private:
    std::unique_ptr<db::Statement> real_;
    std::string sql_;
};

class FaultConnection : public db::Connection {
public:
    explicit FaultConnection(std::unique_ptr<db::Connection> real) : real_(std::move(real)) {}
    void connect(const db::ConnectOptions& o) override { real_->connect(o); }
    bool isConnected() const override { return real_->isConnected(); }
    void disconnect() override { real_->disconnect(); }
    std::unique_ptr<db::Statement> prepare(const std::string& sql) override {
        return std::make_unique<FaultStatement>(real_->prepare(sql), sql);
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

class FaultDriver : public db::Driver {
public:
    FaultDriver(base::SharedLibrary module, db::Driver* real)
        : module_(std::move(module)), real_(real) {}
    ~FaultDriver() override { real_.reset(); }  // before the real module unloads
    std::unique_ptr<db::Connection> createConnection() override {
        return std::make_unique<FaultConnection>(real_->createConnection());
    }

private:
    base::SharedLibrary module_;
    std::unique_ptr<db::Driver> real_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int getSQLDriverINTERBASE(
    const char* vendorLib, const char* errorResourceFile, db::Driver** driver, char* message,
    std::size_t messageSize) {
    base::SharedLibrary module;
    if (!module.load(OLVARIN_DRIVER_MODULE)) {
        std::snprintf(message, messageSize, "Unable to Load %s", OLVARIN_DRIVER_MODULE);
        return 1;
    }
    auto getReal = reinterpret_cast<OlvGetDriverFunc>(module.symbol("getSQLDriverINTERBASE"));
    db::Driver* real = nullptr;
    if (!getReal) {
        std::snprintf(message, messageSize, "Unable to Find Procedure getSQLDriverINTERBASE");
        return 1;
    }
    const int rc = getReal(vendorLib, errorResourceFile, &real, message, messageSize);
    if (rc != 0) return rc;
    *driver = new FaultDriver(std::move(module), real);
    return 0;
}
