// The walk over the check list: headers, order, the end line, and how errors end a run.
#include <gtest/gtest.h>

#include <algorithm>
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

namespace {

// Bulk Download=auto: each category's path from its branch table and the store's
// queue, logged after its header; the statements show the path taken.
struct AutoCase {
    const char* name;
    int mode;
    int branchProducts;
    int queuedChanges;  // the store's queued product changes
    long long threshold;
    const char* pathLine;
    const char* scanStatement;  // the scan of headquarters' products, "" for none
};

class AutoPathTest : public EngineTest, public ::testing::WithParamInterface<AutoCase> {};

TEST_P(AutoPathTest, TakesThePathItLogs) {
    const AutoCase& c = GetParam();
    for (int i = 0; i < c.queuedChanges; ++i) {
        const std::string id = "P" + std::to_string(i);
        dbs.execSource("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('" + id + "', '紅茶')");
        dbs.execSource("INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', '" +
                       id + "', 'UPDATE')");
    }
    // Another store's queue is not this store's.
    dbs.execSource(
        "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0002', 'P0', "
        "'UPDATE')");
    for (int i = 0; i < c.branchProducts; ++i)
        dbs.execTarget("INSERT INTO PRODUCT (PROD_ID) VALUES ('OLD" + std::to_string(i) + "')");
    useFaultDriver();
    traceStatements();
    view.tickOnly({3});
    view.mode = c.mode;

    run("0001", {.bulk = engine::BulkDownload::Auto, .bulkThreshold = c.threshold});

    ASSERT_GE(view.lines.size(), 3u);
    EXPECT_EQ(view.lines[2], c.pathLine);
    const std::vector<std::string> sent = tracedStatements();
    const std::string branchCount = "SELECT COUNT(*) FROM (SELECT FIRST " +
                                    std::to_string(c.threshold + 1) + " 1 AS ONE FROM PRODUCT)";
    EXPECT_EQ(sent.at(0), branchCount);
    if (*c.scanStatement) {
        EXPECT_NE(std::find(sent.begin(), sent.end(), c.scanStatement), sent.end())
            << c.scanStatement;
    } else {  // the two counts, and nothing else
        EXPECT_EQ(sent, (Lines{branchCount,
                               "SELECT COUNT(*) FROM (SELECT FIRST 1001 STORE_ID FROM "
                               "PRODUCT_WAIT WHERE STORE_ID = '0001')"}));
    }
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PRODUCT"),
              (Rows{{std::to_string(c.queuedChanges + c.branchProducts)}}));
}

constexpr const char* kBulkChanges =
    "SELECT * FROM PRODUCT A INNER JOIN PRODUCT_WAIT B ON A.PROD_ID = B.PROD_ID AND B.STORE_ID = "
    "'0001' AND TRAN_CODE = 'W'";
constexpr const char* kDefaultChanges =
    "SELECT FIRST 10 SKIP 0 * FROM PRODUCT A INNER JOIN PRODUCT_WAIT B  ON A.PROD_ID = B.PROD_ID "
    "AND B.STORE_ID = '0001' AND TRAN_CODE = 'W' ";
constexpr int kAll = engine::kModeAll, kChanged = engine::kModeChanged;

INSTANTIATE_TEST_SUITE_P(
    BulkDownload, AutoPathTest,
    ::testing::Values(
        AutoCase{"FirstLoad", kChanged, 0, 2, 1000, "Bulk path: the branch's PRODUCT is empty",
                 kBulkChanges},
        AutoCase{"DaysChanges", kChanged, 1, 2, 1000, "Default path: 2 queued in PRODUCT_WAIT",
                 kDefaultChanges},
        AutoCase{"ChainWideChange", kChanged, 1, 3, 2,
                 "Bulk path: more than 2 queued in PRODUCT_WAIT", kBulkChanges},
        AutoCase{"Idle", kChanged, 1, 0, 1000, "Bulk path: nothing queued in PRODUCT_WAIT", ""},
        AutoCase{"SmallTableWhole", kAll, 2, 1, 2, "Default path: the branch's PRODUCT holds 2",
                 "SELECT FIRST 10 SKIP 0 * FROM PRODUCT "},
        AutoCase{"LargeTableWhole", kAll, 3, 1, 2,
                 "Bulk path: the branch's PRODUCT holds more than 2 rows",
                 "SELECT * FROM PRODUCT"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
