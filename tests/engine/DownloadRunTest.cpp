// The walk over the check list: headers, order, the end line, and how errors end a run.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "engine/Categories.h"
#include "tests/engine/EngineFixture.h"

namespace {

using testsupport::EngineTest;
using testsupport::Rows;
using Lines = std::vector<std::string>;

class DownloadRunTest : public EngineTest {
  protected:
    void TearDown() override {
        base::setClock({});
        EngineTest::TearDown();
    }
};

TEST_F(DownloadRunTest, WithNothingTickedTheLogHoldsOnlyDone) {
    view.lines = {"an old line", "another"};

    run();

    EXPECT_EQ(view.lines, (Lines{"Done..."}));
    EXPECT_EQ(view.refreshes, 12);
    EXPECT_FALSE(data->SQLCon_Source.connected());
    EXPECT_FALSE(data->SQLCon_Target.connected());
}

TEST_F(DownloadRunTest, EveryTickedItemGetsATimestampAndItsCaption) {
    base::setClock([] { return base::LocalDateTime{2005, 3, 1, 9, 30, 5}; });
    view.ticked.fill(true);
    view.mode = engine::kModeSpecified;

    run();

    ASSERT_EQ(view.lines.size(), 25u);
    // The captions themselves are pinned by the window's test.
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(view.lines[2 * i], "2005/03/01-09:30:05");
        EXPECT_EQ(view.lines[2 * i + 1],
                  std::string(engine::categories()[i].caption) + "...Loading.");
    }
    EXPECT_EQ(view.lines.back(), "Done...");
    // Specified reads nothing from headquarters.
    EXPECT_FALSE(data->SQLCon_Source.connected());
}

TEST_F(DownloadRunTest, TheTimestampUsesTheTwentyFourHourClock) {
    base::setClock([] { return base::LocalDateTime{2026, 12, 9, 17, 4, 59}; });
    view.tickOnly({5});
    view.mode = engine::kModeAll;

    run();

    EXPECT_EQ(view.lines, (Lines{"2026/12/09-17:04:59", "販促單據...Loading.", "Done..."}));
}

TEST_F(DownloadRunTest, AFailureEndsTheRunWhereItHappens) {
    dbs.execSource("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('T1', '飲料')");
    dbs.execSource("INSERT INTO PROD_HIITEM (PD_GRPID, PD_GRPNAME) VALUES ('G1', '茶飲')");
    dbs.execSource("INSERT INTO PROD_ITEM (PD_ITEMID, PD_ITEMNAME) VALUES ('I1', '紅茶')");
    dbs.execSource("INSERT INTO PROD_SALE (SAL_BARCODE, PROD_ID) VALUES ('4710001', 'P1')");
    dbs.execTarget("DROP TABLE PROD_SALE");
    view.tickOnly({0, 1, 2, 10, 11});
    view.mode = engine::kModeAll;

    const std::string error = runExpectingError();

    EXPECT_NE(error.find("PROD_SALE"), std::string::npos) << error;
    EXPECT_EQ(view.lines.back(), "SELECT FIRST 10 SKIP 0 * FROM PROD_SALE ");
    EXPECT_EQ(dbs.queryTarget("SELECT (SELECT COUNT(*) FROM PROD_TOPITEM), (SELECT COUNT(*) FROM "
                              "PROD_HIITEM), (SELECT COUNT(*) FROM PROD_ITEM) FROM RDB$DATABASE"),
              (Rows{{"1", "1", "1"}}));
    for (const auto& line : view.lines) EXPECT_NE(line, "客戶資料...Loading.");
}

TEST_F(DownloadRunTest, WithoutConnectionsFileTheFirstSourceReadFails) {
    files.connectionsFile = dbs.folder() + "/missing.ini";
    data = std::make_unique<engine::FormData>(files);
    view.tickOnly({0});

    EXPECT_EQ(runExpectingError(),
              "Driver/Connection Registry File '" + dbs.folder() + "/missing.ini' not found");
    EXPECT_EQ(view.lines.size(), 2u);
}

TEST_F(DownloadRunTest, AFailedConnectIsTriedAgainByTheNextRun) {
    const std::string good = files.connectionsFile;
    files.connectionsFile = dbs.folder() + "/later.ini";
    data = std::make_unique<engine::FormData>(files);
    view.tickOnly({0});
    EXPECT_NE(runExpectingError(), "");

    std::rename(good.c_str(), files.connectionsFile.c_str());
    dbs.execSource("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('T1', '飲料')");

    EXPECT_EQ(runExpectingError(), "");
    EXPECT_EQ(dbs.queryTarget("SELECT TOP_ITEMID FROM PROD_TOPITEM"), (Rows{{"T1"}}));
}

}  // namespace

namespace {

// A branch whose headquarters is a server: the source over TCP on loopback, the
// branch an embedded file, as the README's configuration example has it.
TEST_F(DownloadRunTest, HeadquartersOnAServerAndTheBranchEmbedded) {
    if (!testsupport::loopbackServerAvailable()) GTEST_SKIP() << "no Firebird server on loopback";
    dbs.execSource("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('T1', '飲料')");
    dbs.execSource("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P1', '紅茶')");
    dbs.execSource(
        "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', 'P1', 'UPDATE')");
    dbs.detachAll();  // the server opens the headquarters file, the run the branch file
    testsupport::TestDatabases::RegistryOptions options;
    options.sourceDatabase = "localhost:" + dbs.sourcePath();
    dbs.writeRegistry(options);
    data = std::make_unique<engine::FormData>(files);
    view.tickOnly({0, 3});

    run();

    EXPECT_EQ(view.lines.back(), "Done...");
    data.reset();  // the run lets go of both files; the fixture looks through the server
    dbs.attachThroughServer(true);
    EXPECT_EQ(dbs.queryTarget("SELECT TOP_ITEMID FROM PROD_TOPITEM"), (Rows{{"T1"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT PROD_ID, PROD_NAME FROM PRODUCT"), (Rows{{"P1", "紅茶"}}));
    EXPECT_TRUE(dbs.querySource("SELECT * FROM PRODUCT_WAIT").empty());
}

}  // namespace
