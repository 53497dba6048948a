#include "bench/BenchDatabases.h"

#include <fstream>
#include <stdexcept>

#include "bench/ChangeQueue.h"
#include "tests/support/FbOracle.h"

namespace bench {

namespace fb = testsupport::fb;

namespace {

void turnForcedWritesOn(const std::string& path) {
    auto attachment = fb::attach(path, {.forceWrites = true});
    const bool on = fb::forcedWritesOn(attachment.get());
    fb::detach(attachment);
    if (!on) throw std::runtime_error("forced writes did not turn on for " + path);
}

long long count(testsupport::TestDatabases& databases, const std::string& sql) {
    return std::stoll(databases.queryTarget(sql).at(0).at(0));
}

}  // namespace

BenchDatabases::BenchDatabases(const BenchTable& table, long long rows) : table_(table) {
    databases_.execSource(table.fillSql(rows));
    databases_.detachAll();
    turnForcedWritesOn(targetPath());
}

db::RegistryFiles BenchDatabases::registry(const std::string& timingDriver,
                                           const std::string& sourceDatabase) const {
    const auto [connections, drivers] =
        databases_.writeRegistry({.sourceDatabase = sourceDatabase});
    std::ofstream out(drivers, std::ios::trunc);
    out << "[Interbase]\n"
           "LibraryName="
        << timingDriver
        << "\n"
           "GetDriverFunc=getSQLDriverINTERBASE\n"
           "VendorLib=libfbclient.so.2\n";
    if (!out) throw std::runtime_error("cannot write " + drivers);
    return {connections, drivers};
}

void BenchDatabases::queueChanges(const std::string& store, long long rows,
                                  const std::string& state) {
    databases_.execSource(queueChangesSql(store, rows, state));
    databases_.detachAll();
}

void BenchDatabases::fillBranch(long long rows) {
    databases_.execTarget(table_.fillSql(rows));
    databases_.detachAll();
}

void BenchDatabases::execSource(const std::string& sql) {
    databases_.execSource(sql);
    databases_.detachAll();
}

long long BenchDatabases::countSource(const std::string& sql) {
    const long long n = std::stoll(databases_.querySource(sql).at(0).at(0));
    databases_.detachAll();
    return n;
}

long long BenchDatabases::countBranch(const std::string& sql) {
    const long long n = count(databases_, sql);
    databases_.detachAll();
    return n;
}

long long BenchDatabases::queuedChanges(const std::string& store) {
    const long long n = std::stoll(
        databases_.querySource("SELECT COUNT(*) FROM PRODUCT_WAIT WHERE STORE_ID = '" + store + "'")
            .at(0)
            .at(0));
    databases_.detachAll();
    return n;
}

void BenchDatabases::editEverySourceRow() {
    databases_.execSource(table_.editSql());
    databases_.detachAll();
}

long long BenchDatabases::branchRowCount() {
    const long long n = count(databases_, std::string("SELECT COUNT(*) FROM ") + table_.name);
    databases_.detachAll();
    return n;
}

long long BenchDatabases::branchEditedRowCount() {
    const long long n = count(databases_, std::string("SELECT COUNT(*) FROM ") + table_.name +
                                              " WHERE CHG_USER = '" + table_.editedUser + "'");
    databases_.detachAll();
    return n;
}

long long BenchDatabases::branchPageWrites() {
    return count(databases_, "SELECT MON$PAGE_WRITES FROM MON$IO_STATS WHERE MON$STAT_GROUP = 0");
}

}  // namespace bench
