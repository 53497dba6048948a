// What an error says beyond its message: the database's codes, and whether the
// statement was refused or the link failed; and what a failed link does to its
// connection (closed, connected again on the next use).
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "db/Error.h"
#include "tests/db/DataSetTestSupport.h"
#include "tests/support/PrivateServer.h"

namespace dstest {
namespace {

const char* const kSql =
    "CREATE TABLE PING (ID INTEGER NOT NULL PRIMARY KEY, S VARCHAR(20));\n"
    "INSERT INTO PING VALUES (1, 'one');\n";

constexpr long kUniqueKeyViolation = 335544665;  // isc_unique_key_violation
constexpr long kConvertError = 335544334;        // isc_convert_error
constexpr long kSqlError = 335544569;            // isc_dsql_error
constexpr long kIoError = 335544344;             // isc_io_error
constexpr long kNetworkError = 335544721;        // isc_network_error
constexpr long kLogin = 335544472;               // isc_login

std::optional<db::Error> errorFrom(const std::function<void()>& call) {
    try {
        call();
    } catch (const db::Error& e) {
        return e;
    }
    return std::nullopt;
}

std::string readSource(engine::FormData& form) {
    form.CDS_Source1.close();
    form.CDS_Source1.setCommandText("SELECT S FROM PING WHERE ID = 1");
    form.CDS_Source1.open();
    return form.CDS_Source1.fieldByName("S").asString();
}

void runOnTarget(engine::FormData& form, const std::string& sql) {
    form.SQL_TQuery.close();
    form.SQL_TQuery.clearSql();
    form.SQL_TQuery.addSql(sql);
    form.SQL_TQuery.execSQL();
}

struct RefusedCase {
    const char* name;
    const char* sql;
    long gdsCode;
    const char* sqlState;
};
void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedStatement : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedStatement, IsRefusedWithTheDatabasesCodesAndLeavesTheConnectionOpen) {
    World world(kSql, kSql);
    const RefusedCase& c = GetParam();
    const auto error = errorFrom([&] { runOnTarget(world.form, c.sql); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), db::ErrorKind::Refused) << error->what();
    EXPECT_EQ(error->gdsCode(), c.gdsCode) << error->what();
    EXPECT_EQ(error->sqlState(), c.sqlState) << error->what();
    EXPECT_TRUE(world.form.SQLCon_Target.connected());
    runOnTarget(world.form, "INSERT INTO PING VALUES (2, 'two')");  // the link is fine
}

INSTANTIATE_TEST_SUITE_P(
    ErrorKinds, RefusedStatement,
    ::testing::Values(
        RefusedCase{"duplicateKey", "INSERT INTO PING VALUES (1, 'again')", kUniqueKeyViolation,
                    "23000"},
        RefusedCase{"conversion", "INSERT INTO PING VALUES ('x', 'y')", kConvertError, "22018"},
        RefusedCase{"syntax", "INSERT INTO NOSUCHTABLE VALUES (1)", kSqlError, "42S02"}),
    [](const auto& info) { return std::string(info.param.name); });

// A connect that fails for any reason of the link or the database.
struct ConnectCase {
    const char* name;
    bool needsServer;
    std::function<std::string(const testsupport::TestDatabases&)> database;
    const char* password;
    long gdsCode;
    const char* messageStart;
};
void PrintTo(const ConnectCase& c, std::ostream* os) {
    *os << c.name;
}

class FailedConnect : public ::testing::TestWithParam<ConnectCase> {};

TEST_P(FailedConnect, IsALinkFailureAndLeavesTheConnectionClosed) {
    const ConnectCase& c = GetParam();
    if (c.needsServer && !testsupport::loopbackServerAvailable())
        GTEST_SKIP() << "no loopback server";
    testsupport::TestDatabases dbs(kSql, kSql);
    const auto [connections, drivers] =
        dbs.writeRegistry({.sourceDatabase = c.database(dbs), .sourcePassword = c.password});
    dbs.detachAll();
    engine::FormData form({connections, drivers});
    for (int attempt = 0; attempt < 2; ++attempt) {  // the same error every time, never a crash
        const auto error = errorFrom([&] { readSource(form); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), db::ErrorKind::LinkFailed) << error->what();
        EXPECT_EQ(error->gdsCode(), c.gdsCode) << error->what();
        EXPECT_EQ(std::string(error->what()).rfind(c.messageStart, 0), 0u) << error->what();
        EXPECT_FALSE(form.SQLCon_Source.connected());
    }
}

INSTANTIATE_TEST_SUITE_P(
    ErrorKinds, FailedConnect,
    ::testing::Values(
        ConnectCase{"nothingListens", false,
                    [](const auto& dbs) {
                        return "localhost/" + std::to_string(testsupport::unusedLoopbackPort()) +
                               ":" + dbs.sourcePath();
                    },
                    "olvtest", kNetworkError,
                    "Unable to complete network request to host \"localhost\"."},
        ConnectCase{"missingFileEmbedded", false,
                    [](const auto& dbs) { return dbs.folder() + "/missing.fdb"; }, "olvtest",
                    kIoError, "I/O error during \"open\" operation for file"},
        ConnectCase{"missingFileOverTheServer", true,
                    [](const auto& dbs) { return "localhost:" + dbs.folder() + "/missing.fdb"; },
                    "olvtest", kIoError, "I/O error during \"open\" operation for file"},
        ConnectCase{"wrongPassword", true,
                    [](const auto& dbs) { return "localhost:" + dbs.sourcePath(); }, "wrong",
                    kLogin, "Your user name and password are not defined."}),
    [](const auto& info) { return std::string(info.param.name); });

// Headquarters on a server of the test's own, which goes away and comes back.
class LostLink : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testsupport::PrivateServer::available())
            GTEST_SKIP() << "no Firebird server installed";
        server = std::make_unique<testsupport::PrivateServer>();
        server->start();
        dbs = std::make_unique<testsupport::TestDatabases>(kSql, kSql);
        const auto [connections, drivers] =
            dbs->writeRegistry({.sourceDatabase = server->databaseName(dbs->sourcePath())});
        dbs->detachAll();
        form = std::make_unique<engine::FormData>(db::RegistryFiles{connections, drivers});
        ASSERT_EQ(readSource(*form), "one");
    }
    void TearDown() override {
        form.reset();
        if (server) server->stop();
    }

    std::unique_ptr<testsupport::PrivateServer> server;
    std::unique_ptr<testsupport::TestDatabases> dbs;
    std::unique_ptr<engine::FormData> form;
};

TEST_F(LostLink, FailsAsALinkFailureThenTheNextUseConnectsAgain) {
    server->stop();
    const auto error = errorFrom([&] { readSource(*form); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), db::ErrorKind::LinkFailed) << error->what();
    EXPECT_FALSE(form->SQLCon_Source.connected());

    // Still down: the reconnect fails cleanly, as often as it is tried.
    EXPECT_EQ(errorFrom([&] { readSource(*form); })->gdsCode(), kNetworkError);

    server->start();
    EXPECT_EQ(readSource(*form), "one");
    EXPECT_TRUE(form->SQLCon_Source.connected());
}

TEST_F(LostLink, AServerThatRestartedWhileIdleIsNoticedBeforeTheNextUse) {
    server->stop();
    server->start();
    EXPECT_TRUE(form->SQLCon_Source.connected());  // nothing has told it yet
    form->verifyLinks();
    EXPECT_FALSE(form->SQLCon_Source.connected());
    EXPECT_EQ(readSource(*form), "one");
}

}  // namespace
}  // namespace dstest
