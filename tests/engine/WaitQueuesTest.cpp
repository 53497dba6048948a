// Categories 3, 4 and 11: products, vendors and customers, whole in All and
// through the store's wait queue in Changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/EngineFixture.h"
#include "tests/engine/StatementHook.h"

namespace {

using testsupport::EngineTest;
using testsupport::Rows;
using Lines = std::vector<std::string>;

class WaitQueuesTest : public EngineTest {
  protected:
    void TearDown() override {
        testsupport::setStatementHook({});
        EngineTest::TearDown();
    }
    void addProduct(const std::string& id, const std::string& name, const char* barcode = "471") {
        dbs.execSource(
            "INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, SALE_PRICE, CHG_DATE) "
            "VALUES ('" +
            id + "', '" + barcode + id + "', '" + name + "', 25, '2005/03/01')");
    }
    void queue(const std::string& table, const std::string& keyColumn, const std::string& store,
               const std::string& key, const std::string& state) {
        dbs.execSource("INSERT INTO " + table + " (STORE_ID, " + keyColumn + ", STATE) VALUES ('" +
                       store + "', '" + key + "', '" + state + "')");
    }
    void queueProduct(const std::string& key, const std::string& state,
                      const std::string& store = "0001") {
        queue("PRODUCT_WAIT", "PROD_ID", store, key, state);
    }
    Rows productQueue() {
        return dbs.querySource(
            "SELECT STORE_ID, PROD_ID, STATE, TRAN_CODE FROM PRODUCT_WAIT ORDER BY WAIT_ID");
    }
    Rows targetProducts() {
        return dbs.queryTarget("SELECT PROD_ID, PROD_NAME FROM PRODUCT ORDER BY 1");
    }
};

TEST_F(WaitQueuesTest, SpecifiedTouchesNeitherDatabase) {
    addProduct("P1", "紅茶");
    queueProduct("P1", "UPDATE");
    view.tickOnly({3, 4, 11});
    view.mode = engine::kModeSpecified;

    run();

    EXPECT_EQ(view.lines.size(), 7u);
    EXPECT_EQ(productQueue(), (Rows{{"0001", "P1", "UPDATE", "N"}}));
    EXPECT_TRUE(targetProducts().empty());
}

TEST_F(WaitQueuesTest, AnEmptyQueueRunsTheProtocolStatementsInOrder) {
    useFaultDriver();
    traceStatements();
    view.tickOnly({3});

    run();

    EXPECT_EQ(
        tracedStatements(),
        (Lines{
            "UPDATE PRODUCT_WAIT SET TRAN_CODE = 'X' WHERE STORE_ID = '0001' AND STATE = 'DELETE' ",
            "SELECT * FROM PRODUCT_WAIT WHERE STORE_ID = '0001' AND TRAN_CODE = 'X' ",
            "UPDATE PRODUCT_WAIT SET TRAN_CODE = 'W' WHERE STORE_ID = '0001' AND STATE <> "
            "'DELETE' ",
            "SELECT FIRST 10 SKIP 0 * FROM PRODUCT A INNER JOIN PRODUCT_WAIT B  ON A.PROD_ID = "
            "B.PROD_ID AND B.STORE_ID = '0001' AND TRAN_CODE = 'W' ",
            "DELETE FROM PRODUCT_WAIT WHERE TRAN_CODE = 'W' and STORE_ID = '0001'"}));
    EXPECT_EQ(view.branchLines(), (Lines{"product data finished..!"}));
}

TEST_F(WaitQueuesTest, OnTheBulkPathAnIdleQueueCostsHeadquartersOneStatement) {
    queueProduct("P1", "UPDATE", "0002");  // other stores' rows are not this store's
    dbs.execSource(
        "INSERT INTO PSALE_WAIT (STORE_ID, MASTERBILLID, STATE) VALUES ('0002', "
        "'B1', 'UPDATE')");
    useFaultDriver();
    traceStatements();
    view.tickOnly({3, 4, 5, 6, 7, 8, 9, 11});

    run("0001", {.bulk = engine::BulkDownload::On});

    Lines sent = tracedStatements();
    // The price-change bills' due lines are the branch's own.
    std::erase_if(sent,
                  [](const std::string& sql) { return sql.find("CHGPRICE_SUB") != sql.npos; });
    Lines probes;
    for (const char* queue : {"PRODUCT_WAIT", "PROVIDER_WAIT", "PSALE_WAIT", "PTSALE_WAIT",
                              "CHGPRICE_WAIT", "QUOT_WAIT", "INPROMOTION_WAIT", "CUSTOMER_WAIT"}) {
        probes.push_back(std::string("SELECT COUNT(*) FROM (SELECT FIRST 1 STORE_ID FROM ") +
                         queue + " WHERE STORE_ID = '0001')");
    }
    EXPECT_EQ(sent, probes);
    EXPECT_EQ(view.lines[2], "product data finished..!");  // the end line all the same
    EXPECT_EQ(view.lines.back(), "Done...");
    EXPECT_EQ(productQueue(), (Rows{{"0002", "P1", "UPDATE", "N"}}));
}

TEST_F(WaitQueuesTest, OnTheBulkPathAClaimLeftByAKilledRunIsNotIdle) {
    dbs.execTarget("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('C1', 'gone')");
    dbs.execSource(
        "INSERT INTO CUSTOMER_WAIT (STORE_ID, CUST_ID, STATE, TRAN_CODE) VALUES "
        "('0001', 'C1', 'DELETE', 'X')");
    view.tickOnly({11});

    run("0001", {.bulk = engine::BulkDownload::On});

    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM CUSTOMER"), (Rows{{"0"}}));
    EXPECT_EQ(dbs.querySource("SELECT COUNT(*) FROM CUSTOMER_WAIT"), (Rows{{"0"}}));
}

TEST_F(WaitQueuesTest, ClaimedDeletionsAreAppliedAndRemoved) {
    dbs.execTarget("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P1', 'one')");
    dbs.execTarget("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P2', 'two')");
    queueProduct("P1", "DELETE");
    view.tickOnly({3});

    run();

    EXPECT_EQ(targetProducts(), (Rows{{"P2", "two"}}));
    EXPECT_TRUE(productQueue().empty());
    EXPECT_EQ(view.branchLines(), (Lines{"product data finished..!"}));
}

TEST_F(WaitQueuesTest, DeletedThenAddedAgainEndsWithTheSourceRecord) {
    dbs.execTarget("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P1', 'old')");
    addProduct("P1", "新紅茶");
    queueProduct("P1", "DELETE");
    queueProduct("P1", "INSERT");
    view.tickOnly({3});

    run();

    EXPECT_EQ(targetProducts(), (Rows{{"P1", "新紅茶"}}));
    EXPECT_TRUE(productQueue().empty());
}

TEST_F(WaitQueuesTest, ChangedThenDeletedLeavesNoRecordAndNoQueueRow) {
    dbs.execTarget("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P1', 'old')");
    queueProduct("P1", "UPDATE");
    queueProduct("P1", "DELETE");
    queueProduct("P9", "UPDATE");  // a change for a record headquarters no longer has
    view.tickOnly({3});

    run();

    EXPECT_TRUE(targetProducts().empty());
    EXPECT_TRUE(productQueue().empty());
}

TEST_F(WaitQueuesTest, TwelveChangesArePagedAndLoggedInLowerCase) {
    for (int i = 10; i < 22; ++i) {
        addProduct("P" + std::to_string(i), "商品" + std::to_string(i));
        queueProduct("P" + std::to_string(i), "UPDATE");
    }
    view.tickOnly({3});

    run();

    EXPECT_EQ(
        view.branchLines(),
        (Lines{"select first 10 skip 0 * from product a inner join product_wait b  on a.prod_id = "
               "b.prod_id and b.store_id = '0001' and tran_code = 'w' ",
               "select first 10 skip 10 * from product a inner join product_wait b  on a.prod_id = "
               "b.prod_id and b.store_id = '0001' and tran_code = 'w'  ",
               "product data finished..!"}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PRODUCT"), (Rows{{"12"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT PROD_NAME, SALE_PRICE FROM PRODUCT WHERE PROD_ID = 'P21'"),
              (Rows{{"商品21", "25"}}));
    EXPECT_TRUE(productQueue().empty());
    ASSERT_EQ(view.gaugeStarts.size(), 2u);
    EXPECT_EQ(view.gaugeStarts[1].first, 2);
}

TEST_F(WaitQueuesTest, AllProbesProductsByBarcode) {
    addProduct("P1", "紅茶");
    dbs.execTarget("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P1', 'no barcode')");
    addProduct("P2", "綠茶");
    dbs.execTarget(
        "INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME) VALUES ('P2', '4712', 'old')");
    view.tickOnly({3});
    view.mode = engine::kModeAll;

    run();

    // P1's target row has no barcode, so the source row is inserted anew, which the
    // target's key refuses: the row stays as it was and the refusal is logged.
    EXPECT_EQ(targetProducts(), (Rows{{"P1", "no barcode"}, {"P2", "綠茶"}}));
    const Lines lines = view.branchLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "SELECT FIRST 10 SKIP 0 * FROM PRODUCT ");
    EXPECT_EQ(lines[1].rfind("PRODUCT row 'P1' refused: ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "SELECT FIRST 10 SKIP 10 * FROM PRODUCT");
    EXPECT_EQ(lines[3], "product data finished..!");
}

TEST_F(WaitQueuesTest, AllWithTheDateFilterTakesRecentVendorsOnly) {
    dbs.execSource(
        "INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME, CHG_DATE) VALUES ('V1', '統一', "
        "'2005/03/01')");
    dbs.execSource(
        "INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME, CHG_DATE) VALUES ('V2', '味全', "
        "'2005/02/01')");
    view.tickOnly({4});
    view.mode = engine::kModeAll;
    view.dateFilterOn = true;
    view.filterDate = "2005/03/01";

    run();

    EXPECT_EQ(dbs.queryTarget("SELECT PROVIDER_ID, PROVIDER_NAME FROM PROVIDER"),
              (Rows{{"V1", "統一"}}));
    EXPECT_EQ(view.branchLines(),
              (Lines{"SELECT FIRST 10 SKIP 0 * FROM PROVIDER WHERE CHG_DATE >= '2005/03/01'",
                     "SELECT FIRST 10 SKIP 10 * FROM PROVIDER WHERE CHG_DATE >= '2005/03/01'",
                     "provider data finished..!"}));
}

TEST_F(WaitQueuesTest, CustomersInChangedTakeTheJoinedRowsFirstColumns) {
    dbs.execSource(
        "INSERT INTO CUSTOMER (CUST_ID, CUST_NAME, TEL, CREDIT_AMT, CHG_DATE) "
        "VALUES ('C1', '王小明', '02-1234', 5000.5, '2005/03/01')");
    queue("CUSTOMER_WAIT", "CUST_ID", "0001", "C1", "UPDATE");
    view.tickOnly({11});

    run();

    EXPECT_EQ(dbs.queryTarget("SELECT CUST_ID, CUST_NAME, TEL, CREDIT_AMT, CHG_DATE FROM CUSTOMER"),
              (Rows{{"C1", "王小明", "02-1234", "5000.5", "2005/03/01"}}));
    EXPECT_TRUE(dbs.querySource("SELECT * FROM CUSTOMER_WAIT").empty());
    EXPECT_EQ(view.branchLines().back(), "CUSTOMER data finished..!");
}

TEST_F(WaitQueuesTest, EachStoreTouchesOnlyItsOwnQueueRows) {
    addProduct("P1", "紅茶");
    addProduct("P2", "綠茶");
    queueProduct("P1", "UPDATE", "0001");
    queueProduct("P2", "UPDATE", "0002");
    queueProduct("P2", "DELETE", "0002");
    view.tickOnly({3});

    run("0001");

    EXPECT_EQ(targetProducts(), (Rows{{"P1", "紅茶"}}));
    EXPECT_EQ(productQueue(), (Rows{{"0002", "P2", "UPDATE", "N"}, {"0002", "P2", "DELETE", "N"}}));
}

TEST_F(WaitQueuesTest, AStoreIdHoldingAQuoteReachesOnlyItsOwnRows) {
    addProduct("P1", "紅茶");
    addProduct("P2", "綠茶");
    queue("PRODUCT_WAIT", "PROD_ID", "00''1", "P1", "UPDATE");
    queueProduct("P2", "UPDATE", "0002");
    view.tickOnly({3});

    run("00'1");

    EXPECT_EQ(targetProducts(), (Rows{{"P1", "紅茶"}}));
    EXPECT_EQ(productQueue(), (Rows{{"0002", "P2", "UPDATE", "N"}}));
    EXPECT_EQ(view.lines.back(), "Done...");
}

TEST_F(WaitQueuesTest, RowsQueuedDuringARunWaitForTheNextOne) {
    addProduct("P1", "紅茶");
    addProduct("P2", "綠茶");
    addProduct("P3", "奶茶");
    dbs.execTarget("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P4', 'to delete')");
    queueProduct("P1", "UPDATE");
    useFaultDriver();
    bool betweenClaims = false, afterChangeClaim = false;
    testsupport::setStatementHook([&](const std::string& sql) {
        // Headquarters queues rows through its own connection while the run goes on.
        if (!betweenClaims && sql.rfind("SELECT * FROM PRODUCT_WAIT", 0) == 0) {
            betweenClaims = true;  // after D1: a deletion and a change
            queueProduct("P4", "DELETE");
            queueProduct("P2", "UPDATE");
        } else if (!afterChangeClaim && sql.rfind("SELECT FIRST 10 SKIP 0", 0) == 0) {
            afterChangeClaim = true;  // after U1: a change
            queueProduct("P3", "UPDATE");
        }
    });
    view.tickOnly({3});

    run();
    testsupport::setStatementHook({});

    // P2 came before the change claim and is handled; P4's deletion and P3's change wait.
    EXPECT_EQ(targetProducts(), (Rows{{"P1", "紅茶"}, {"P2", "綠茶"}, {"P4", "to delete"}}));
    EXPECT_EQ(productQueue(), (Rows{{"0001", "P4", "DELETE", "N"}, {"0001", "P3", "UPDATE", "N"}}));

    run();

    EXPECT_EQ(targetProducts(), (Rows{{"P1", "紅茶"}, {"P2", "綠茶"}, {"P3", "奶茶"}}));
    EXPECT_TRUE(productQueue().empty());
}

TEST_F(WaitQueuesTest, ARunStoppedInEitherPassIsMadeGoodByTheNextRun) {
    addProduct("P1", "紅茶");
    addProduct("P2", "綠茶");
    dbs.execTarget("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P8', 'gone')");
    dbs.execTarget("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P9', 'gone too')");
    queueProduct("P8", "DELETE");
    queueProduct("P9", "DELETE");
    queueProduct("P1", "UPDATE");
    queueProduct("P2", "UPDATE");
    useFaultDriver();
    view.tickOnly({3});

    // Stopped during the deletions: the first record is deleted, both rows stay claimed.
    failStatementContaining("DELETE FROM PRODUCT WHERE PROD_ID = 'P9'");
    EXPECT_EQ(runExpectingError(), "injected failure");
    EXPECT_EQ(dbs.querySource("SELECT COUNT(*) FROM PRODUCT_WAIT WHERE TRAN_CODE = 'X'"),
              (Rows{{"2"}}));

    // Stopped while mirroring the second change: the deletions are done and removed,
    // the changes stay claimed.
    failStatementContaining("WHERE PROD_ID = 'P2'");
    EXPECT_EQ(runExpectingError(), "injected failure");
    EXPECT_EQ(dbs.querySource("SELECT PROD_ID, TRAN_CODE FROM PRODUCT_WAIT ORDER BY WAIT_ID"),
              (Rows{{"P1", "W"}, {"P2", "W"}}));

    // Stopped at the removal of the handled changes.
    failStatementContaining("DELETE FROM PRODUCT_WAIT WHERE TRAN_CODE = 'W'");
    EXPECT_EQ(runExpectingError(), "injected failure");

    stopFailing();
    run();

    EXPECT_EQ(targetProducts(), (Rows{{"P1", "紅茶"}, {"P2", "綠茶"}}));
    EXPECT_TRUE(productQueue().empty());
    EXPECT_EQ(view.lines.back(), "Done...");
}

TEST_F(WaitQueuesTest, AQueueLongerThanThePageBoundKeepsTheUnreachedClaims) {
    for (int i = 10; i < 25; ++i) {
        addProduct("P" + std::to_string(i), "商品");
        queueProduct("P" + std::to_string(i), "UPDATE");
    }
    view.tickOnly({3});
    testsupport::RunWith options;
    options.pageBoundCap = 1;

    run("0001", options);

    EXPECT_EQ(dbs.querySource("SELECT COUNT(*) FROM PRODUCT_WAIT WHERE TRAN_CODE = 'W'"),
              (Rows{{"15"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PRODUCT"), (Rows{{"10"}}));
    const Lines lines = view.branchLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("PRODUCT_WAIT"), std::string::npos) << lines[1];
    EXPECT_EQ(view.lines.back(), "Done...");

    run();

    EXPECT_EQ(dbs.queryTarget("SELECT COUNT(*) FROM PRODUCT"), (Rows{{"15"}}));
    EXPECT_TRUE(productQueue().empty());
}

}  // namespace
