// A branch database reached over a server that goes away in the middle of a run:
// the failure ends the run with the link's own message, at once. It is not passed
// over as refused rows or lines, and the next run after the server is back makes
// everything good.
#include <memory>

#include "tests/engine/BillFixture.h"
#include "tests/engine/StatementHook.h"
#include "tests/support/PrivateServer.h"

namespace testsupport {
namespace {

struct LostLinkCase {
    const char* name;
    int category;
    const char* statement;  // the server goes away just before its second execution
    Rows (*branchRows)(TestDatabases&);
};
void PrintTo(const LostLinkCase& c, std::ostream* os) {
    *os << c.name;
}

Rows topItems(TestDatabases& dbs) {
    return dbs.queryTarget("SELECT TOP_ITEMID, TOP_ITEMNAME FROM PROD_TOPITEM ORDER BY 1");
}
Rows psaleLines(TestDatabases& dbs) {
    return dbs.queryTarget("SELECT MASTERBILLID, PROD_ID FROM PSALE_SUB ORDER BY 1, 2");
}

class BranchLinkLost : public BillTest, public ::testing::WithParamInterface<LostLinkCase> {
  protected:
    void SetUp() override {
        if (!PrivateServer::available()) GTEST_SKIP() << "no Firebird server installed";
        BillTest::SetUp();
        for (const char* id : {"01", "02", "03"}) {
            dbs.execSource(
                std::string("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('") + id +
                "', 'top " + id + "')");
        }
        dbs.execSource("INSERT INTO PSALE_MASTER (MASTERBILLID) VALUES ('B1')");
        for (const char* prod : {"P1", "P2", "P3"}) {
            dbs.execSource(std::string("INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, PSALE_PRICE, "
                                       "OLD_PRICE, N_QTY, G_QTY, VIP_PRICE) VALUES ('B1', '") +
                           prod + "', 1, 1, 1, 1, 1)");
        }
        queue("PSALE_WAIT", "B1", "UPDATE");
        server = std::make_unique<PrivateServer>();
        server->start();
        dbs.detachAll();  // the branch is the server's alone while it runs
        const auto [connections, drivers] =
            dbs.writeRegistry({.targetDatabase = server->databaseName(dbs.targetPath())});
        files = {connections, drivers};
        useFaultDriver();
    }
    void TearDown() override {
        setStatementHook({});
        data.reset();
        server.reset();
        BillTest::TearDown();
    }

    std::unique_ptr<PrivateServer> server;
};

TEST_P(BranchLinkLost, EndsTheRunWithTheLinksMessageAndTheNextRunMakesItGood) {
    const LostLinkCase& c = GetParam();
    int seen = 0;
    setStatementHook([&](const std::string& sql) {
        if (sql.find(c.statement) != std::string::npos && ++seen == 2) server->stop();
    });
    view.tickOnly({c.category});
    view.mode = engine::kModeChanged;

    const std::string error = runExpectingError();

    setStatementHook({});
    // Which of the two the client meets first depends on where the line went dead.
    EXPECT_TRUE(error.rfind("Error reading data from the connection.", 0) == 0 ||
                error.rfind("Error writing data to the connection.", 0) == 0)
        << error;
    const std::string log = [&] {
        std::string all;
        for (const auto& line : view.lines) all += line + "\n";
        return all;
    }();
    EXPECT_EQ(log.find("refused"), std::string::npos) << log;
    EXPECT_EQ(log.find("left out"), std::string::npos) << log;
    EXPECT_EQ(log.find("Done..."), std::string::npos) << log;

    server->start();
    run();
    server->stop();
    EXPECT_EQ(c.branchRows(dbs).size(), 3u);
    EXPECT_EQ(queueRows("PSALE_WAIT").size(),
              c.category == 5 ? 0u : 1u);  // untouched by category 0
}

INSTANTIATE_TEST_SUITE_P(
    LostLink, BranchLinkLost,
    ::testing::Values(LostLinkCase{"writeBack", 0, "INSERT INTO \"PROD_TOPITEM\"", topItems},
                      LostLinkCase{"billLine", 5, "INSERT INTO PSALE_SUB", psaleLines}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace testsupport
