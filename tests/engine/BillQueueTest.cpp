// The bill categories' wait queues: which claimed bills are copied, the pages,
// claimed deletions, and the modes that leave the queues alone.
#include <gtest/gtest.h>

#include <string>

#include "tests/engine/BillFixture.h"

namespace {

using testsupport::BillTest;
using testsupport::Rows;

class BillQueueTest : public BillTest {
  protected:
    void addQuotation(const std::string& id) {
        dbs.execSource("INSERT INTO QUOT_MASTER (MASTERBILLID, NOTE) VALUES ('" + id + "', 'hq')");
        dbs.execSource("INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID) VALUES ('" + id + "', 'P1')");
    }
    static std::string quotPage(int skip) {
        return "SELECT FIRST 10 SKIP " + std::to_string(skip) +
               " * FROM QUOT_MASTER A INNER JOIN QUOT_WAIT B  ON A.MASTERBILLID = B.MASTERBILLID "
               "AND B.STATE <> 'DELETE' AND B.TRAN_CODE = 'W'  WHERE B.STORE_ID = '0001'";
    }
};

TEST_F(BillQueueTest, BillCategoriesOtherThanPriceChangesDoNothingInAllAndSpecified) {
    addQuotation("Q1");
    queue("QUOT_WAIT", "Q1", "UPDATE");
    queue("PSALE_WAIT", "B1", "DELETE");
    dbs.execTarget("INSERT INTO PSALE_MASTER (MASTERBILLID) VALUES ('B1')");
    for (int mode : {engine::kModeAll, engine::kModeSpecified}) {
        view.tickOnly({5, 6, 8, 9});
        view.mode = mode;

        run();

        EXPECT_EQ(view.lines.size(), 9u) << "mode " << mode;
    }
    EXPECT_EQ(queueRows("QUOT_WAIT"), (Rows{{"0001", "Q1", "UPDATE", "N"}}));
    EXPECT_EQ(queueRows("PSALE_WAIT"), (Rows{{"0001", "B1", "DELETE", "N"}}));
    EXPECT_TRUE(dbs.queryTarget("SELECT * FROM QUOT_MASTER").empty());
    EXPECT_EQ(dbs.queryTarget("SELECT MASTERBILLID FROM PSALE_MASTER"), (Rows{{"B1"}}));
}

TEST_F(BillQueueTest, ChangesInAStateTheKindDoesNotCopyAreClaimedAndRemoved) {
    dbs.execSource("INSERT INTO PSALE_MASTER (MASTERBILLID) VALUES ('B1')");
    dbs.execSource(
        "INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, PSALE_PRICE, OLD_PRICE, N_QTY, "
        "G_QTY, VIP_PRICE) VALUES ('B1', 'P1', 1, 1, 1, 1, 1)");
    dbs.execSource("INSERT INTO CHGPRICE_MASTER (MASTERBILLID) VALUES ('C1')");
    dbs.execSource("INSERT INTO CHGPRICE_SUB (MASTERBILLID, PROD_ID) VALUES ('C1', 'P1')");
    queue("PSALE_WAIT", "B1", "INSERT");
    queue("CHGPRICE_WAIT", "C1", "UPDATE");
    queue("PSALE_WAIT", "B1", "INSERT", "0002");

    view.tickOnly({5, 7});
    view.mode = engine::kModeChanged;
    run();

    EXPECT_TRUE(dbs.queryTarget("SELECT * FROM PSALE_MASTER").empty());
    EXPECT_TRUE(dbs.queryTarget("SELECT * FROM CHGPRICE_MASTER").empty());
    EXPECT_EQ(queueRows("PSALE_WAIT"), (Rows{{"0002", "B1", "INSERT", "N"}}));
    EXPECT_TRUE(queueRows("CHGPRICE_WAIT").empty());
}

TEST_F(BillQueueTest, TwentyFiveQuotationsComeInPagesOfTen) {
    for (int i = 1; i <= 25; ++i) {
        const std::string id = "Q" + std::to_string(100 + i);
        addQuotation(id);
        queue("QUOT_WAIT", id, "UPDATE");
    }

    runChanged(8);

    EXPECT_EQ(view.branchLines(), (Lines{quotPage(0), quotPage(10), quotPage(20), quotPage(30),
                                         "quot Data Update Finished..!"}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM QUOT_MASTER"), (Rows{{"25"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM QUOT_SUB"), (Rows{{"25"}}));
    EXPECT_TRUE(queueRows("QUOT_WAIT").empty());
    // One step of the gauge per bill.
    EXPECT_EQ(view.gaugeStarts, (std::vector<std::pair<int, int>>{{10, 50}, {10, 10}, {5, 10}}));
    EXPECT_EQ(view.gauge, 5);
    EXPECT_EQ(view.refreshes, 12 + 3);
}

TEST_F(BillQueueTest, AClaimedDeletionRemovesTheBillsLinesAndMasterRow) {
    for (const char* id : {"Q''7", "Q8"}) {
        dbs.execTarget(std::string("INSERT INTO QUOT_MASTER (MASTERBILLID) VALUES ('") + id + "')");
        dbs.execTarget(std::string("INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID) VALUES ('") + id +
                       "', 'P1')");
        dbs.execTarget(std::string("INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID) VALUES ('") + id +
                       "', 'P2')");
    }
    queue("QUOT_WAIT", "Q''7", "DELETE");
    queue("QUOT_WAIT", "Q8", "DELETE", "0002");

    runChanged(8);

    EXPECT_EQ(dbs.queryTarget("SELECT MASTERBILLID FROM QUOT_MASTER"), (Rows{{"Q8"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT MASTERBILLID, PROD_ID FROM QUOT_SUB ORDER BY 2"),
              (Rows{{"Q8", "P1"}, {"Q8", "P2"}}));
    EXPECT_EQ(queueRows("QUOT_WAIT"), (Rows{{"0002", "Q8", "DELETE", "N"}}));
    EXPECT_EQ(view.branchLines(), (Lines{quotPage(0), "quot Data Update Finished..!"}));
}

}  // namespace
