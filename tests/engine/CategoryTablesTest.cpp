// Categories 0, 1, 2 and 10: whole source tables mirrored into the branch.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/engine/EngineFixture.h"
#include "tests/engine/StatementHook.h"

namespace {

using testsupport::EngineTest;
using testsupport::Rows;
using Lines = std::vector<std::string>;

class CategoryTablesTest : public EngineTest {
  protected:
    void addTopItems(std::initializer_list<const char*> ids) {
        for (const char* id : ids) {
            dbs.execSource(
                std::string("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME, CHG_DATE) "
                            "VALUES ('") +
                id + "', '飲料" + id + "', '2005/03/01')");
        }
    }
    void addSmallItems(int count) {
        dbs.execSource(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < " + std::to_string(count) +
            ") DO BEGIN INSERT INTO PROD_ITEM (PD_ITEMID, PD_ITEMNAME, PD_GRPID, TOP_ITEMID) "
            "VALUES (LPAD(:I, 5, '0'), '小類' || :I, 'G1', 'T1'); I = I + 1; END END");
    }
    void addPackaging(const char* barcode, const char* chgDate) {
        dbs.execSource(
            std::string("INSERT INTO PROD_SALE (SAL_BARCODE, PROD_ID, PACK_NAME, PACK_QTY, "
                        "SAL_PRICE, CHG_DATE) VALUES ('") +
            barcode + "', 'P1', '箱', 24, 480.5, " +
            (chgDate ? std::string("'") + chgDate + "'" : std::string("NULL")) + ")");
    }
    Rows targetTopItems() {
        return dbs.queryTarget(
            "SELECT TOP_ITEMID, TOP_ITEMNAME, CHG_DATE FROM PROD_TOPITEM ORDER BY 1");
    }
};

TEST_F(CategoryTablesTest, TopCategoriesMirrorEveryRowAndLogEachKeyedSelect) {
    addTopItems({"T1", "T2", "T3"});
    dbs.execTarget("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('T2', 'old name')");
    dbs.execTarget(
        "INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('T9', 'branch only')");
    view.tickOnly({0});

    run();

    ASSERT_EQ(view.lines.size(), 6u);
    EXPECT_EQ(view.lines[1], "商品大類...Loading.");
    EXPECT_EQ(view.branchLines(), (Lines{"SELECT * FROM PROD_TOPITEM where TOP_ITEMID = 'T1'",
                                         "SELECT * FROM PROD_TOPITEM where TOP_ITEMID = 'T2'",
                                         "SELECT * FROM PROD_TOPITEM where TOP_ITEMID = 'T3'"}));
    EXPECT_EQ(view.lines.back(), "Done...");
    EXPECT_EQ(targetTopItems(), (Rows{{"T1", "飲料T1", "2005/03/01"},
                                      {"T2", "飲料T2", "2005/03/01"},
                                      {"T3", "飲料T3", "2005/03/01"},
                                      {"T9", "branch only", "<null>"}}));
    EXPECT_EQ(view.gaugeMaximum, 3);
    EXPECT_EQ(view.gauge, 3);
}

TEST_F(CategoryTablesTest, ChangedDoesWhatAllDoesForEveryCategoryTable) {
    addTopItems({"T1"});
    dbs.execSource(
        "INSERT INTO PROD_HIITEM (PD_GRPID, PD_GRPNAME, TOP_ITEMID) VALUES ('G1', '茶飲', 'T1')");
    addSmallItems(3);
    addPackaging("4710001", "2005/03/01");
    view.tickOnly({0, 1, 2, 10});

    view.mode = engine::kModeAll;
    run();
    const Lines allLines(view.lines.begin(), view.lines.end());
    const Rows allRows = dbs.queryTarget(
        "SELECT (SELECT COUNT(*) FROM PROD_TOPITEM), (SELECT COUNT(*) FROM PROD_HIITEM), "
        "(SELECT COUNT(*) FROM PROD_ITEM), (SELECT COUNT(*) FROM PROD_SALE) FROM RDB$DATABASE");

    view.mode = engine::kModeChanged;
    run();
    const Rows changedRows = dbs.queryTarget(
        "SELECT (SELECT COUNT(*) FROM PROD_TOPITEM), (SELECT COUNT(*) FROM PROD_HIITEM), "
        "(SELECT COUNT(*) FROM PROD_ITEM), (SELECT COUNT(*) FROM PROD_SALE) FROM RDB$DATABASE");

    EXPECT_EQ(allRows, (Rows{{"1", "1", "3", "1"}}));
    EXPECT_EQ(changedRows, allRows);
    ASSERT_EQ(view.lines.size(), allLines.size());
    for (size_t i = 0; i < allLines.size(); ++i) {
        if (allLines[i].size() == 19 && allLines[i][4] == '/') continue;  // timestamps
        EXPECT_EQ(view.lines[i], allLines[i]);
    }
}

TEST_F(CategoryTablesTest, SpecifiedLogsOnlyTheHeadersAndTouchesNothing) {
    addTopItems({"T1"});
    addSmallItems(2);
    addPackaging("4710001", "2005/03/01");
    view.tickOnly({0, 1, 2, 10});
    view.mode = engine::kModeSpecified;

    run();

    EXPECT_EQ(view.lines.size(), 9u);  // four header pairs and "Done..."
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PROD_TOPITEM"), (Rows{{"0"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PROD_ITEM"), (Rows{{"0"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PROD_SALE"), (Rows{{"0"}}));
    EXPECT_EQ(view.gauge, 50);
}

TEST_F(CategoryTablesTest, AnEmptyTableLogsOnlyTheHeadersAndLeavesTheGauge) {
    view.tickOnly({0, 1});

    run();

    ASSERT_EQ(view.lines.size(), 5u);
    EXPECT_EQ(view.lines[1], "商品大類...Loading.");
    EXPECT_EQ(view.lines[3], "商品中類...Loading.");
    EXPECT_EQ(view.gaugeMaximum, 100);
    EXPECT_EQ(view.gauge, 50);
    EXPECT_TRUE(view.gaugeStarts.empty());
}

TEST_F(CategoryTablesTest, SmallCategoriesArePagedByHundredsUntilAnEmptyPage) {
    addSmallItems(250);
    view.tickOnly({2});

    run();

    EXPECT_EQ(view.branchLines(),
              (Lines{"SELECT FIRST 100 SKIP 0 * FROM PROD_ITEM ",
                     "SELECT FIRST 100 SKIP 100 * FROM PROD_ITEM ",
                     "SELECT FIRST 100 SKIP 200 * FROM PROD_ITEM ",
                     "SELECT FIRST 100 SKIP 300 * FROM PROD_ITEM ", "pd_itemid data finished..!"}));
    ASSERT_EQ(view.gaugeStarts.size(), 3u);
    EXPECT_EQ(view.gaugeStarts[0].first, 100);
    EXPECT_EQ(view.gaugeStarts[1].first, 100);
    EXPECT_EQ(view.gaugeStarts[2].first, 50);
    EXPECT_EQ(view.gauge, 50);
    EXPECT_EQ(view.refreshes, 12);  // one per item of the walk: the small categories never refresh
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PROD_ITEM"), (Rows{{"250"}}));
}

TEST_F(CategoryTablesTest, AScanThatReachesItsPageBoundEndsWithoutTheEndMessage) {
    addSmallItems(250);
    view.tickOnly({2});
    testsupport::RunWith options;
    options.pageBoundCap = 2;

    run("0001", options);

    EXPECT_EQ(view.branchLines(), (Lines{"SELECT FIRST 100 SKIP 0 * FROM PROD_ITEM ",
                                         "SELECT FIRST 100 SKIP 100 * FROM PROD_ITEM "}));
    EXPECT_EQ(view.lines.back(), "Done...");
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PROD_ITEM"), (Rows{{"200"}}));
}

TEST_F(CategoryTablesTest, PackagingTakesTheDateFilterForEveryPage) {
    for (int i = 0; i < 12; ++i) {
        const std::string barcode = "47100" + std::to_string(10 + i);
        addPackaging(barcode.c_str(), i < 11 ? "2005/03/02" : "2005/02/28");
    }
    addPackaging("4719999", nullptr);
    view.tickOnly({10});
    view.dateFilterOn = true;
    view.filterDate = "2005/03/01";

    run();

    EXPECT_EQ(view.branchLines(),
              (Lines{"SELECT FIRST 10 SKIP 0 * FROM PROD_SALE WHERE CHG_DATE >= '2005/03/01'",
                     "SELECT FIRST 10 SKIP 10 * FROM PROD_SALE WHERE CHG_DATE >= '2005/03/01'",
                     "SELECT FIRST 10 SKIP 20 * FROM PROD_SALE WHERE CHG_DATE >= '2005/03/01'",
                     "PROD_SALE DATA Finished..!"}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PROD_SALE"), (Rows{{"11"}}));
    EXPECT_EQ(
        dbs.queryTarget("SELECT PACK_QTY, SAL_PRICE FROM PROD_SALE WHERE SAL_BARCODE = '4710010'"),
        (Rows{{"24", "480.5"}}));
    EXPECT_EQ(view.refreshes, 12 + 2);  // the walk, and one per non-empty page
}

TEST_F(CategoryTablesTest, PackagingWithoutTheFilterTakesEveryRow) {
    addPackaging("4710001", "2005/03/02");
    addPackaging("4710002", nullptr);
    view.tickOnly({10});
    view.filterDate = "2005/03/01";

    run();

    EXPECT_EQ(view.branchLines(),
              (Lines{"SELECT FIRST 10 SKIP 0 * FROM PROD_SALE ",
                     "SELECT FIRST 10 SKIP 10 * FROM PROD_SALE", "PROD_SALE DATA Finished..!"}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PROD_SALE"), (Rows{{"2"}}));
}

TEST_F(CategoryTablesTest, ABlankDateFieldGoesIntoTheComparisonUnchanged) {
    addPackaging("4710001", "2005/03/02");
    addPackaging("4710002", nullptr);
    view.tickOnly({10});
    view.dateFilterOn = true;  // the date field left empty

    run();

    EXPECT_EQ(view.branchLines().front(),
              "SELECT FIRST 10 SKIP 0 * FROM PROD_SALE WHERE CHG_DATE >= '    /  /  '");
    // Every dated row compares after the blanks; a row without a date does not.
    EXPECT_EQ(dbs.queryTarget("SELECT SAL_BARCODE FROM PROD_SALE"), (Rows{{"4710001"}}));
}

TEST_F(CategoryTablesTest, OnlyTheFirstOfTwoTargetRowsWithOneKeyIsOverwritten) {
    dbs.execTarget("ALTER TABLE PROD_TOPITEM DROP CONSTRAINT PK_PROD_TOPITEM");
    dbs.execTarget("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('T1', 'first')");
    dbs.execTarget("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('T1', 'second')");
    addTopItems({"T1"});
    view.tickOnly({0});

    run();

    const Rows names = dbs.queryTarget("SELECT TOP_ITEMNAME FROM PROD_TOPITEM ORDER BY 1");
    EXPECT_EQ(names.size(), 2u);
    int overwritten = 0;
    for (const auto& row : names) overwritten += row[0] == "飲料T1";
    EXPECT_EQ(overwritten, 1);
}

TEST_F(CategoryTablesTest, ARefusedRowIsLoggedAndTheRunGoesOn) {
    addTopItems({"T1", "T2", "T3"});
    dbs.execTarget("ALTER TABLE PROD_TOPITEM ADD CONSTRAINT CK_NOT_T2 CHECK (TOP_ITEMID <> 'T2')");
    view.tickOnly({0, 1});
    dbs.execSource("INSERT INTO PROD_HIITEM (PD_GRPID, PD_GRPNAME) VALUES ('G1', '茶飲')");

    run();

    EXPECT_EQ(dbs.queryTarget("SELECT TOP_ITEMID FROM PROD_TOPITEM ORDER BY 1"),
              (Rows{{"T1"}, {"T3"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PROD_HIITEM"), (Rows{{"1"}}));
    std::vector<std::string> refusals;
    for (const auto& line : view.lines) {
        if (line.find("refused") != std::string::npos) refusals.push_back(line);
    }
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].rfind("PROD_TOPITEM row 'T2' refused: ", 0), 0u) << refusals[0];
    EXPECT_NE(refusals[0].find("CK_NOT_T2"), std::string::npos) << refusals[0];
    EXPECT_EQ(view.lines.back(), "Done...");
}

TEST_F(CategoryTablesTest, AKeyHoldingAQuoteMirrorsAndIsFoundAgain) {
    dbs.execSource("INSERT INTO PROD_ITEM (PD_ITEMID, PD_ITEMNAME) VALUES ('O''BRIEN', 'first')");
    view.tickOnly({2});
    run();
    dbs.execSource("UPDATE PROD_ITEM SET PD_ITEMNAME = 'second' WHERE PD_ITEMID = 'O''BRIEN'");

    run();

    EXPECT_EQ(dbs.queryTarget("SELECT PD_ITEMID, PD_ITEMNAME FROM PROD_ITEM"),
              (Rows{{"O'BRIEN", "second"}}));
    EXPECT_EQ(view.lines.back(), "Done...");
}

TEST_F(CategoryTablesTest, ASourceWithFewerColumnsThanTheTargetEndsTheRunBeforeItWrites) {
    dbs.execSource("INSERT INTO PROD_HIITEM (PD_GRPID, PD_GRPNAME) VALUES ('G1', '茶飲')");
    dbs.execTarget("ALTER TABLE PROD_HIITEM ADD EXTRA_COL VARCHAR(5)");
    view.tickOnly({1, 2});
    addSmallItems(1);

    const std::string error = runExpectingError();

    EXPECT_EQ(error.rfind("branch PROD_HIITEM: column ", 0), 0u) << error;
    EXPECT_NE(error.find(" EXTRA_COL comes after headquarters' last column "), std::string::npos)
        << error;
    EXPECT_NE(view.lines.back(), "Done...");
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PROD_HIITEM"), (Rows{{"0"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PROD_ITEM"), (Rows{{"0"}}));
}

}  // namespace

// The bulk path's branch transactions, a whole table's and a paged table's, are
// opened as the branch connection's parameters ask (here RepeatableRead: Firebird's
// concurrency, isolation mode 1), not with a default of their own.
TEST_F(CategoryTablesTest, TheBulkPathsTransactionsTakeTheBranchConnectionsIsolation) {
    std::string connections;
    {
        std::ifstream in(files.connectionsFile);
        connections.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string readCommitted = "TransIsolation=ReadCommited";
    for (size_t at = connections.find(readCommitted); at != std::string::npos;
         at = connections.find(readCommitted, at))
        connections.replace(at, readCommitted.size(), "TransIsolation=RepeatableRead");
    std::ofstream(files.connectionsFile) << connections;
    useFaultDriver();
    addTopItems({"T1"});
    addPackaging("B1", "2005/03/01");
    Lines seen;  // at each row written, the isolation of the program's branch transactions
    testsupport::setStatementHook([&](const std::string& sql) {
        if (sql.rfind("UPDATE OR INSERT", 0) != 0) return;
        for (const auto& row : dbs.queryTarget(
                 "SELECT T.MON$ISOLATION_MODE FROM MON$TRANSACTIONS T JOIN MON$ATTACHMENTS A ON "
                 "A.MON$ATTACHMENT_ID = T.MON$ATTACHMENT_ID WHERE A.MON$SYSTEM_FLAG = 0 AND "
                 "T.MON$ATTACHMENT_ID <> CURRENT_CONNECTION"))
            seen.push_back(row[0]);
    });
    view.tickOnly({0, 10});

    run("0001", {.bulk = engine::BulkDownload::On});
    testsupport::setStatementHook({});

    EXPECT_EQ(view.lines.back(), "Done...");
    EXPECT_EQ(seen, (Lines{"1", "1"}));  // PROD_TOPITEM's row, PROD_SALE's
}
