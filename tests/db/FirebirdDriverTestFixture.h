#pragma once

// Shared by the firebird_driver_tests files: the driver module loaded as the
// program loads it, and connect options for the test databases.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Platform.h"
#include "db/Driver.h"
#include "db/Error.h"
#include "tests/support/TestDatabases.h"

namespace fbtest {

// The module and its entry point; the driver is destroyed before the module.
class DriverModule {
  public:
    DriverModule() {
        if (!library_.load(testsupport::driverModulePath()))
            throw std::runtime_error("cannot load the driver module: " + library_.lastError());
        entry_ = reinterpret_cast<OlvGetDriverFunc>(library_.symbol("getSQLDriverINTERBASE"));
        if (!entry_) throw std::runtime_error("no getSQLDriverINTERBASE in the module");
    }
    OlvGetDriverFunc entry() const { return entry_; }

    // A driver over the normal vendor library.
    db::Driver& driver() {
        if (!driver_) {
            db::Driver* d = nullptr;
            char message[256] = "";
            const int rc = entry_("libfbclient.so.2", "", &d, message, sizeof message);
            if (rc != 0 || !d) throw std::runtime_error(std::string("driver: ") + message);
            driver_.reset(d);
        }
        return *driver_;
    }

  private:
    base::SharedLibrary library_;
    OlvGetDriverFunc entry_ = nullptr;
    std::unique_ptr<db::Driver> driver_;
};

inline db::ConnectOptions optionsFor(const std::string& database) {
    db::ConnectOptions o;
    o.database = database;
    o.user = "OLVTEST";
    o.password = "olvtest";
    o.role = "RoleName";
    o.charset = "UTF8";
    o.dialect = 3;
    return o;
}

inline std::vector<db::BoundParam> params(std::initializer_list<db::Value> values) {
    std::vector<db::BoundParam> out;
    for (const auto& v : values) out.push_back({v.kind(), v});
    return out;
}

inline db::BoundParam typedNull(db::ValueKind kind) {
    return {kind, db::Value::null()};
}

// All rows of a query through the driver.
inline std::vector<std::vector<db::Value>> fetchAll(db::Connection& c, const std::string& sql,
                                                    const std::vector<db::BoundParam>& p = {}) {
    auto statement = c.prepare(sql);
    auto cursor = statement->openCursor(p);
    std::vector<std::vector<db::Value>> rows;
    std::vector<db::Value> row;
    while (cursor->fetch(row)) rows.push_back(row);
    return rows;
}

// A test with its own databases (the given target script; the source holds one
// table) and a connection to the target through the driver module.
class DriverTest : public ::testing::Test {
  protected:
    explicit DriverTest(const std::string& targetSql =
                            "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20));")
        : databases_("CREATE TABLE S (ID INTEGER NOT NULL PRIMARY KEY);", targetSql) {}

    std::unique_ptr<db::Connection> connectTarget(const db::ConnectOptions* options = nullptr) {
        auto c = module_.driver().createConnection();
        c->connect(options ? *options : optionsFor(databases_.targetPath()));
        return c;
    }

    DriverModule module_;
    testsupport::TestDatabases databases_;
};

}  // namespace fbtest
