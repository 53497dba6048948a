// Change capture at headquarters: plain SQL on the master data and the bill
// masters reaches two branches of different stores through their ordinary runs in
// mode Changed; an inactive store gets nothing queued.

#include <gtest/gtest.h>

#include <memory>

#include "engine/DownloadRun.h"
#include "engine/FormData.h"
#include "tests/engine/TestView.h"
#include "tests/fleet/Headquarters.h"

namespace {

using testsupport::Rows;
using testsupport::TestDatabases;

constexpr const char* kQueues[] = {"PRODUCT_WAIT", "PROVIDER_WAIT",   "CUSTOMER_WAIT",
                                   "PSALE_WAIT",   "PTSALE_WAIT",     "CHGPRICE_WAIT",
                                   "QUOT_WAIT",    "INPROMOTION_WAIT"};
constexpr const char* kBills[] = {"PSALE", "PTSALE", "CHGPRICE", "QUOT", "INPROMOTION"};

// A branch of its own, reading the shared headquarters.
struct Branch {
    Branch(const std::string& storeId, const std::string& headquarters) : store(storeId) {
        auto [connections, drivers] = dbs.writeRegistry({.sourceDatabase = headquarters});
        data = std::make_unique<engine::FormData>(db::RegistryFiles{connections, drivers});
        view.ticked.fill(true);
        view.mode = engine::kModeChanged;
    }
    void run() { engine::runDownload(view.request(store), view, *data); }
    Rows rows(const std::string& sql) { return dbs.queryTarget(sql); }

    std::string store;
    TestDatabases dbs;  // its own headquarters stays unused
    std::unique_ptr<engine::FormData> data;
    testsupport::TestView view;
};

class ChangeCaptureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hq.execSource("INSERT INTO OLVARIN_STORES (STORE_ID, STORE_NAME) VALUES ('0001', 'north')");
        hq.execSource("INSERT INTO OLVARIN_STORES (STORE_ID, STORE_NAME) VALUES ('0002', 'south')");
        hq.execSource(
            "INSERT INTO OLVARIN_STORES (STORE_ID, STORE_NAME, ACTIVE) VALUES ('0003', 'shut', 0)");
    }
    // Queue rows per store of every queue.
    Rows queued() {
        std::string sql;
        for (const char* q : kQueues)
            sql += std::string(sql.empty() ? "" : " UNION ALL ") + "SELECT STORE_ID FROM " + q;
        return hq.querySource("SELECT STORE_ID, COUNT(*) FROM (" + sql + ") GROUP BY STORE_ID");
    }
    void runBoth() {
        first.run();
        second.run();
    }

    TestDatabases hq{fleettest::headquartersSql(), fleettest::schemaScript("tables.sql")};
    Branch first{"0001", hq.sourcePath()};
    Branch second{"0002", hq.sourcePath()};
};

TEST_F(ChangeCaptureTest, ChangesAndDeletionsMadeByPlainSqlArriveAtEveryActiveStore) {
    hq.execSource("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P1', 'tea')");
    hq.execSource("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P2', 'milk')");
    hq.execSource("INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME) VALUES ('V1', 'farm')");
    hq.execSource("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('C1', 'hotel')");
    for (const char* bill : kBills) {
        hq.execSource(std::string("INSERT INTO ") + bill + "_MASTER (MASTERBILLID) VALUES ('B1')");
        // A promotion line travels with its prices and quantities.
        const std::string line = bill == std::string("PSALE")
                                     ? "INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, PSALE_PRICE, "
                                       "OLD_PRICE, N_QTY, G_QTY, "
                                       "VIP_PRICE) VALUES ('B1', 'P1', 9, 10, 1, 0, 8)"
                                     : std::string("INSERT INTO ") + bill +
                                           "_SUB (MASTERBILLID, PROD_ID) VALUES ('B1', 'P1')";
        hq.execSource(line);
    }
    // Each active store has one row per change; the inactive one none.
    EXPECT_EQ(queued(), (Rows{{"0001", "9"}, {"0002", "9"}}));
    EXPECT_EQ(hq.querySource("SELECT STATE, TRAN_CODE FROM CHGPRICE_WAIT WHERE STORE_ID = '0001'"),
              (Rows{{"INSERT", "N"}}));
    EXPECT_EQ(hq.querySource("SELECT STATE, TRAN_CODE FROM PSALE_WAIT WHERE STORE_ID = '0001'"),
              (Rows{{"UPDATE", "N"}}));

    runBoth();
    for (Branch* branch : {&first, &second}) {
        EXPECT_EQ(branch->rows("SELECT PROD_ID, PROD_NAME FROM PRODUCT ORDER BY 1"),
                  (Rows{{"P1", "tea"}, {"P2", "milk"}}));
        EXPECT_EQ(branch->rows("SELECT PROVIDER_NAME FROM PROVIDER"), (Rows{{"farm"}}));
        EXPECT_EQ(branch->rows("SELECT CUST_NAME FROM CUSTOMER"), (Rows{{"hotel"}}));
        for (const char* bill : kBills)
            EXPECT_EQ(branch->rows(std::string("SELECT COUNT(*) FROM ") + bill +
                                   "_SUB WHERE MASTERBILLID = 'B1'"),
                      (Rows{{"1"}}))
                << bill << " at " << branch->store;
    }
    EXPECT_EQ(queued(), Rows{});

    // Changes, a changed key and deletions, as any program would make them.
    hq.execSource("UPDATE PRODUCT SET PROD_NAME = 'green tea' WHERE PROD_ID = 'P1'");
    hq.execSource("UPDATE PROVIDER SET PROVIDER_ID = 'V2' WHERE PROVIDER_ID = 'V1'");
    hq.execSource("DELETE FROM PRODUCT WHERE PROD_ID = 'P2'");
    hq.execSource("DELETE FROM CUSTOMER WHERE CUST_ID = 'C1'");
    for (const char* bill : {"PSALE", "QUOT"}) {
        hq.execSource(std::string("DELETE FROM ") + bill + "_SUB WHERE MASTERBILLID = 'B1'");
        hq.execSource(std::string("DELETE FROM ") + bill + "_MASTER WHERE MASTERBILLID = 'B1'");
    }
    // A line added to a bill reaches the stores with its master touched.
    hq.execSource("INSERT INTO CHGPRICE_SUB (MASTERBILLID, PROD_ID) VALUES ('B1', 'P2')");
    hq.execSource(
        "UPDATE CHGPRICE_MASTER SET MASTERBILLID = MASTERBILLID WHERE MASTERBILLID = 'B1'");

    runBoth();
    for (Branch* branch : {&first, &second}) {
        EXPECT_EQ(branch->rows("SELECT PROD_ID, PROD_NAME FROM PRODUCT"),
                  (Rows{{"P1", "green tea"}}));
        EXPECT_EQ(branch->rows("SELECT PROVIDER_ID FROM PROVIDER"), (Rows{{"V2"}}));
        EXPECT_EQ(branch->rows("SELECT COUNT(*) FROM CUSTOMER"), (Rows{{"0"}}));
        EXPECT_EQ(branch->rows("SELECT COUNT(*) FROM PSALE_MASTER"), (Rows{{"0"}}));
        EXPECT_EQ(branch->rows("SELECT COUNT(*) FROM QUOT_SUB"), (Rows{{"0"}}));
        EXPECT_EQ(branch->rows("SELECT PROD_ID FROM CHGPRICE_SUB ORDER BY 1"),
                  (Rows{{"P1"}, {"P2"}}));
        EXPECT_EQ(branch->rows("SELECT COUNT(*) FROM PTSALE_MASTER"), (Rows{{"1"}}));
    }
    EXPECT_EQ(queued(), Rows{});
}

TEST_F(ChangeCaptureTest, AStoreMadeActiveReceivesTheChangesFromThenOn) {
    hq.execSource("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P1', 'tea')");
    hq.execSource("UPDATE OLVARIN_STORES SET ACTIVE = 1 WHERE STORE_ID = '0003'");
    hq.execSource("UPDATE OLVARIN_STORES SET ACTIVE = 0 WHERE STORE_ID = '0002'");
    hq.execSource("UPDATE PRODUCT SET PROD_NAME = 'black tea'");
    EXPECT_EQ(hq.querySource("SELECT STORE_ID, PROD_ID, STATE FROM PRODUCT_WAIT ORDER BY WAIT_ID"),
              (Rows{{"0001", "P1", "UPDATE"},
                    {"0002", "P1", "UPDATE"},
                    {"0001", "P1", "UPDATE"},
                    {"0003", "P1", "UPDATE"}}));
}

}  // namespace
