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
    // A vendor discount at headquarters: its master row and two lines, the second
    // named as given.
    void addVendorDiscount(const std::string& id, const std::string& secondLine = "milk") {
        dbs.execSource("INSERT INTO INPROMOTION_MASTER (MASTERBILLID, PROVIDER_NAME) VALUES ('" +
                       id + "', 'new')");
        for (const std::string& line : {std::string("'P1', 'tea'"), "'P2', '" + secondLine + "'"}) {
            dbs.execSource(
                "INSERT INTO INPROMOTION_SUB (MASTERBILLID, PROD_ID, PROD_NAME) VALUES ('" + id +
                "', " + line + ")");
        }
    }
    void runBulk(int category) {
        view.tickOnly({category});
        view.mode = engine::kModeChanged;
        run("0001", {.bulk = engine::BulkDownload::On, .bulkPageSize = 2, .bulkCommitRows = 2});
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

// A bill the branch refuses (its second line, after its master row and first line
// went in) is undone alone: the old bill stays, the bills around it arrive. On the
// bulk path the bills of a page share one transaction.
class RefusedBillAmongGoodOnes : public BillQueueTest,
                                 public ::testing::WithParamInterface<bool> {};

TEST_P(RefusedBillAmongGoodOnes, IsUndoneAloneAndStaysQueued) {
    dbs.execTarget(
        "ALTER TABLE INPROMOTION_SUB ADD CONSTRAINT CK_REFUSED CHECK (PROD_NAME <> 'refused')");
    dbs.execTarget(
        "INSERT INTO INPROMOTION_MASTER (MASTERBILLID, PROVIDER_NAME) VALUES ('V3', 'old')");
    dbs.execTarget("INSERT INTO INPROMOTION_SUB (MASTERBILLID, PROD_ID) VALUES ('V3', 'OLD1')");
    for (const char* id : {"V1", "V2", "V3", "V4", "V5"}) {
        addVendorDiscount(id, id == std::string("V3") ? "refused" : "milk");
        queue("INPROMOTION_WAIT", id, "UPDATE");
    }
    view.tickOnly({9});
    view.mode = engine::kModeChanged;
    engine::RunTally tally;
    run("0001", {.tally = &tally, .bulk = engine::bulkPathIf(GetParam()), .bulkPageSize = 2});

    EXPECT_EQ(
        dbs.queryTarget("SELECT MASTERBILLID, PROVIDER_NAME FROM INPROMOTION_MASTER ORDER BY 1"),
        (Rows{{"V1", "new"}, {"V2", "new"}, {"V3", "old"}, {"V4", "new"}, {"V5", "new"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT MASTERBILLID, PROD_ID FROM INPROMOTION_SUB ORDER BY 1, 2"),
              (Rows{{"V1", "P1"},
                    {"V1", "P2"},
                    {"V2", "P1"},
                    {"V2", "P2"},
                    {"V3", "OLD1"},
                    {"V4", "P1"},
                    {"V4", "P2"},
                    {"V5", "P1"},
                    {"V5", "P2"}}));
    std::vector<std::string> refused;
    for (const auto& line : view.lines)
        if (line.find(" not copied") != std::string::npos) refused.push_back(line);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].rfind("inpromotion bill 'V3' not copied and stays queued: ", 0), 0u)
        << refused[0];
    EXPECT_NE(refused[0].find("CK_REFUSED"), std::string::npos) << refused[0];
    EXPECT_EQ(tally.categories[9].billsNotCopied, 1u);
    EXPECT_EQ(queueRows("INPROMOTION_WAIT"), (Rows{{"0001", "V3", "UPDATE", "N"}}));
    EXPECT_EQ(view.lines.back(), "Done...");
}

INSTANTIATE_TEST_SUITE_P(Paths, RefusedBillAmongGoodOnes, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "bulk" : "default"; });

// On the bulk path a page of deletions, or of bills, is one transaction: a page
// whose commit fails takes its records with it and ends the run, every claim stays
// at headquarters, and the next run makes it good.
TEST_F(BillQueueTest, OnTheBulkPathAPageThatFailsKeepsEveryClaimForTheNextRun) {
    for (const char* id : {"D1", "D2", "D3"}) {
        dbs.execTarget(std::string("INSERT INTO QUOT_MASTER (MASTERBILLID) VALUES ('") + id + "')");
        dbs.execTarget(std::string("INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID) VALUES ('") + id +
                       "', 'P1')");
        queue("QUOT_WAIT", id, "DELETE");
    }
    for (const char* id : {"Q1", "Q2", "Q3", "Q4", "Q5"}) {
        addQuotation(id);
        queue("QUOT_WAIT", id, "UPDATE");
    }
    useFaultDriver();
    const auto onBranch = [&] {
        return dbs.queryTarget("SELECT MASTERBILLID FROM QUOT_MASTER ORDER BY 1");
    };
    const auto claims = [&](const char* code) {
        return dbs.querySource("SELECT COUNT(*) FROM QUOT_WAIT WHERE TRAN_CODE = '" +
                               std::string(code) + "'")[0][0];
    };

    // The second page of deletions (D3) fails at its commit.
    testsupport::setFaultPlan({.statement = "COMMIT", .occurrence = 2});
    EXPECT_THROW(runBulk(8), std::exception);
    EXPECT_EQ(onBranch(), (Rows{{"D3"}}));
    EXPECT_EQ(claims("X"), "3");
    EXPECT_EQ(claims("N"), "5");

    // The deletions go through (two pages); the second page of bills (Q3, Q4) fails.
    testsupport::setFaultPlan({.statement = "COMMIT", .occurrence = 4});
    EXPECT_THROW(runBulk(8), std::exception);
    EXPECT_EQ(onBranch().size(), 2u);  // the first page's
    EXPECT_EQ(claims("X"), "0");
    EXPECT_EQ(claims("W"), "5");

    stopFailing();
    runBulk(8);
    EXPECT_EQ(onBranch(), (Rows{{"Q1"}, {"Q2"}, {"Q3"}, {"Q4"}, {"Q5"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM QUOT_SUB"), (Rows{{"5"}}));
    EXPECT_TRUE(queueRows("QUOT_WAIT").empty());
    EXPECT_EQ(view.lines.back(), "Done...");
}

}  // namespace
