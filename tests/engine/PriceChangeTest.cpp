// The price-change application of category 7: due lines of the branch's
// CHGPRICE_SUB written into PRODUCT and marked applied.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/engine/BillFixture.h"

namespace {

using testsupport::BillTest;
using testsupport::Rows;

constexpr int kPriceChanges = 7;

class PriceChangeTest : public BillTest {
  protected:
    void addProduct(const std::string& id) {
        dbs.execTarget(
            "INSERT INTO PRODUCT (PROD_ID, PD_ITEMID, SALE_PRICE, PSALE_PRICE, VIP_PRICE, "
            "STD_COST, SAL_TAG, IN_TAG, CHG_DATE, CHG_TIME) VALUES ('" +
            id + "', 'D00', 10, 9, 8, 7, 0, 0, '2005/01/01', '08:00:00')");
    }
    // A line of the branch: bill, product, due date and mark (SQL literals), and the
    // new values "N_PD_ITEMID, N_SALE_PRICE, N_PSALE_PRICE, N_VIP_PRICE, N_STD_COST,
    // SAL_TAG, IN_TAG".
    void addLine(const std::string& bill, const std::string& product, const std::string& date,
                 const std::string& mark,
                 const std::string& values = "'D01', 12, 11, 10, 8.25, 1, 2") {
        dbs.execTarget(
            "INSERT INTO CHGPRICE_SUB (MASTERBILLID, PROD_ID, CHGPRICE_DATE, TRN_CODE, "
            "N_PD_ITEMID, N_SALE_PRICE, N_PSALE_PRICE, N_VIP_PRICE, N_STD_COST, SAL_TAG, "
            "IN_TAG) VALUES ('" +
            bill + "', '" + product + "', " + date + ", " + mark + ", " + values + ")");
    }
    Rows product(const std::string& id) {
        return dbs.queryTarget(
            "SELECT PD_ITEMID, SALE_PRICE, PSALE_PRICE, VIP_PRICE, STD_COST, "
            "SAL_TAG, IN_TAG, CHG_DATE, CHG_TIME FROM PRODUCT WHERE PROD_ID = '" +
            id + "'");
    }
    Rows marks() {
        return dbs.queryTarget(
            "SELECT MASTERBILLID, PROD_ID, TRN_CODE FROM CHGPRICE_SUB ORDER BY 1, 2");
    }
    void runPriceChanges(int mode = engine::kModeAll) {
        view.tickOnly({kPriceChanges});
        view.mode = mode;
        run();
    }

    const Rows unchanged{{"D00", "10", "9", "8", "7", "0", "0", "2005/01/01", "08:00:00"}};
    const Rows appliedToday{{"D01", "12", "11", "10", "8.25", "1", "2", "2005/03/01", "10:20:30"}};
};

class PriceChangeInEveryMode : public PriceChangeTest, public ::testing::WithParamInterface<int> {};

TEST_P(PriceChangeInEveryMode, LinesDueTodayAreAppliedAndTomorrowsWait) {
    addProduct("P1");
    addProduct("P2");
    addLine("C1", "P1", "'2005/03/01'", "'N'");
    addLine("C1", "P2", "'2005/03/02'", "''");

    runPriceChanges(GetParam());

    EXPECT_EQ(product("P1"), appliedToday);
    EXPECT_EQ(product("P2"), unchanged);
    EXPECT_EQ(marks(), (Rows{{"C1", "P1", "Y"}, {"C1", "P2", ""}}));
    EXPECT_EQ(view.lines.back(), "Done...");
    // Without the queue's work, the header pair and "Done..." only.
    if (GetParam() != engine::kModeChanged) {
        EXPECT_EQ(view.lines.size(), 3u);
    }

    setToday(2005, 3, 2);
    runPriceChanges(GetParam());

    EXPECT_EQ(product("P2"),
              (Rows{{"D01", "12", "11", "10", "8.25", "1", "2", "2005/03/02", "10:20:30"}}));
    EXPECT_EQ(product("P1"), appliedToday);
    EXPECT_EQ(marks(), (Rows{{"C1", "P1", "Y"}, {"C1", "P2", "Y"}}));
}

INSTANTIATE_TEST_SUITE_P(Modes, PriceChangeInEveryMode,
                         ::testing::Values(engine::kModeAll, engine::kModeChanged,
                                           engine::kModeSpecified));

TEST_F(PriceChangeTest, NothingChangesWhenTheCategoryIsNotTicked) {
    addProduct("P1");
    addLine("C1", "P1", "'2005/02/01'", "'N'");
    addLine("C1", "P2", "'2005/02/01'", "'W'");
    view.tickOnly({5, 6, 8});
    view.mode = engine::kModeChanged;

    run();

    EXPECT_EQ(product("P1"), unchanged);
    EXPECT_EQ(marks(), (Rows{{"C1", "P1", "N"}, {"C1", "P2", "W"}}));
}

TEST_F(PriceChangeTest, WithoutADueLineTheClosingMarkDoesNotRun) {
    addProduct("P1");
    addLine("C1", "P1", "'2005/03/02'", "'N'");
    addLine("C2", "P1", "'2005/02/01'", "'Y'");

    runPriceChanges();

    EXPECT_EQ(product("P1"), unchanged);
    EXPECT_EQ(marks(), (Rows{{"C1", "P1", "N"}, {"C2", "P1", "Y"}}));
    // The last statement on SQL_TQuery is the marking update, with today's date.
    EXPECT_EQ(data->SQL_TQuery.sqlText(),
              "UPDATE CHGPRICE_SUB SET TRN_CODE = 'W' WHERE CHGPRICE_DATE <= '2005/03/01' AND "
              "TRN_CODE <> 'Y' ");
}

TEST_F(PriceChangeTest, OfTwoLinesForOneProductTheLaterDecides) {
    addProduct("P1");
    addLine("C1", "P1", "'2005/02/01'", "'N'", "'D01', 11, 11, 11, 11, 1, 1");
    addLine("C2", "P1", "'2005/02/02'", "'N'", "'D02', 22, 22, 22, 22, 2, 2");

    runPriceChanges();

    EXPECT_EQ(product("P1"),
              (Rows{{"D02", "22", "22", "22", "22", "2", "2", "2005/03/01", "10:20:30"}}));
    EXPECT_EQ(marks(), (Rows{{"C1", "P1", "Y"}, {"C2", "P1", "Y"}}));
    EXPECT_EQ(data->SQL_SubDet.sqlText(),
              "UPDATE PRODUCT SET PD_ITEMID = :PD_ITEMID ,\n"
              "                   SALE_PRICE = :SALE_PRICE, \n"
              "                   PSALE_PRICE = :PSALE_PRICE,\n"
              "                   VIP_PRICE  = :VIP_PRICE,\n"
              "                   STD_COST  = :STD_COST,\n"
              "                   SAL_TAG = :SAL_TAG,\n"
              "                   IN_TAG  = :IN_TAG, \n"
              "                   CHG_DATE  = :CHG_DATE, \n"
              "                   CHG_TIME  = :CHG_TIME \n"
              " WHERE PROD_ID = 'P1'");
}

TEST_F(PriceChangeTest, PricesAndTagsThatAreNotNumbersGiveZero) {
    // Columns that can hold what a number column cannot.
    dbs.execTarget("ALTER TABLE CHGPRICE_SUB ALTER COLUMN N_SALE_PRICE TYPE VARCHAR(30)");
    dbs.execTarget("ALTER TABLE CHGPRICE_SUB ALTER COLUMN SAL_TAG TYPE VARCHAR(10)");
    for (const char* id : {"P1", "P2", "P3"}) addProduct(id);
    addLine("C1", "P1", "'2005/03/01'", "'N'", "'D01', '', 11, 10, 8.25, '2.5', 2");
    addLine("C1", "P2", "'2005/03/01'", "'N'", "NULL, NULL, NULL, NULL, NULL, NULL, NULL");
    addLine("C1", "P3", "'2005/03/01'", "'N'", "'D03', 'abc', 11, 10, 8.25, 'x', 2");

    runPriceChanges();

    EXPECT_EQ(product("P1"),
              (Rows{{"D01", "0", "11", "10", "8.25", "0", "2", "2005/03/01", "10:20:30"}}));
    EXPECT_EQ(product("P2"), (Rows{{"", "0", "0", "0", "0", "0", "0", "2005/03/01", "10:20:30"}}));
    EXPECT_EQ(product("P3"),
              (Rows{{"D03", "0", "11", "10", "8.25", "0", "2", "2005/03/01", "10:20:30"}}));
}

TEST_F(PriceChangeTest, LinesWithoutMarkOrDateOrAlreadyAppliedAreNeverApplied) {
    for (const char* id : {"P1", "P2", "P3"}) addProduct(id);
    addLine("C1", "P1", "'2005/02/01'", "NULL");
    addLine("C1", "P2", "NULL", "'N'");
    addLine("C1", "P3", "'2005/02/01'", "'Y'");

    runPriceChanges();

    for (const char* id : {"P1", "P2", "P3"}) EXPECT_EQ(product(id), unchanged) << id;
    EXPECT_EQ(marks(), (Rows{{"C1", "P1", "<null>"}, {"C1", "P2", "N"}, {"C1", "P3", "Y"}}));
}

TEST_F(PriceChangeTest, LinesWhoseProductIsUnknownOrQuotedAreMarkedApplied) {
    addProduct("P''1");
    addLine("C1", "NOPE", "'2005/03/01'", "'N'");
    addLine("C1", "P''1", "'2005/03/01'", "'N'");

    runPriceChanges();

    EXPECT_EQ(product("P''1"), appliedToday);
    EXPECT_EQ(marks(), (Rows{{"C1", "NOPE", "Y"}, {"C1", "P'1", "Y"}}));
    EXPECT_TRUE(product("NOPE").empty());
}

// A product update the branch refuses is that line's alone: the others are applied
// and marked, the refused line stays due ('W') and is applied once the branch
// takes it, and the later categories run.
// On both paths; on the bulk path the refused update shares its page's transaction.
class RefusedPriceUpdate : public PriceChangeTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RefusedPriceUpdate, LeavesItsLineDueAndTheOthersApplied) {
    const bool bulk = GetParam();
    dbs.execTarget("ALTER TABLE PRODUCT ADD CONSTRAINT CK_PRICE CHECK (SALE_PRICE < 1000)");
    for (const char* id : {"P1", "P2", "P3"}) addProduct(id);
    addLine("C1", "P1", "'2005/02/01'", "'N'", "'D01', 50, 11, 10, 8.25, 1, 2");
    addLine("C1", "P2", "'2005/02/01'", "'N'", "'D01', 5000, 11, 10, 8.25, 1, 2");
    addLine("C1", "P3", "'2005/02/01'", "'N'", "'D01', 60, 11, 10, 8.25, 1, 2");
    dbs.execSource("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('K1', 'later')");
    dbs.execSource(
        "INSERT INTO CUSTOMER_WAIT (STORE_ID, CUST_ID, STATE) VALUES ('0001', 'K1', 'UPDATE')");

    view.tickOnly({kPriceChanges, 11});
    view.mode = engine::kModeChanged;
    engine::RunTally tally;
    run("0001", {.tally = &tally, .bulk = engine::bulkPathIf(bulk)});

    EXPECT_EQ(view.lines.back(), "Done...");
    const auto refused =
        std::find_if(view.lines.begin(), view.lines.end(),
                     [](const std::string& l) { return l.find(" refused") != std::string::npos; });
    ASSERT_NE(refused, view.lines.end());
    EXPECT_EQ(refused->rfind("PRODUCT row 'P2' refused and stays queued: ", 0), 0u) << *refused;
    EXPECT_NE(refused->find("CK_PRICE"), std::string::npos) << *refused;
    EXPECT_EQ(tally.categories[kPriceChanges].rowsRefused, 1u);
    EXPECT_EQ(product("P1")[0][1], "50");
    EXPECT_EQ(product("P2"), unchanged);
    EXPECT_EQ(product("P3")[0][1], "60");
    EXPECT_EQ(marks(), (Rows{{"C1", "P1", "Y"}, {"C1", "P2", "W"}, {"C1", "P3", "Y"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT CUST_NAME FROM CUSTOMER"), (Rows{{"later"}}));

    dbs.execTarget("ALTER TABLE PRODUCT DROP CONSTRAINT CK_PRICE");
    view.tickOnly({kPriceChanges});
    view.mode = engine::kModeAll;
    run("0001", {.bulk = engine::bulkPathIf(bulk)});

    EXPECT_EQ(product("P2")[0][1], "5000");
    EXPECT_EQ(marks(), (Rows{{"C1", "P1", "Y"}, {"C1", "P2", "Y"}, {"C1", "P3", "Y"}}));
}

INSTANTIATE_TEST_SUITE_P(Paths, RefusedPriceUpdate, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "bulk" : "default"; });

TEST_F(PriceChangeTest, ABillArrivingInChangedIsAppliedInTheSameRun) {
    addProduct("P1");
    dbs.execSource(
        "INSERT INTO CHGPRICE_MASTER (MASTERBILLID, CHGPRICE_DATE) VALUES ('C9', '2005/03/01')");
    dbs.execSource(
        "INSERT INTO CHGPRICE_SUB (MASTERBILLID, PROD_ID, CHGPRICE_DATE, TRN_CODE, "
        "N_PD_ITEMID, N_SALE_PRICE, N_PSALE_PRICE, N_VIP_PRICE, N_STD_COST, SAL_TAG, IN_TAG) "
        "VALUES ('C9', 'P1', '2005/03/01', 'N', 'D01', 12, 11, 10, 8.25, 1, 2)");
    queue("CHGPRICE_WAIT", "C9", "INSERT");

    runPriceChanges(engine::kModeChanged);

    EXPECT_EQ(product("P1"), appliedToday);
    EXPECT_EQ(marks(), (Rows{{"C9", "P1", "Y"}}));
    EXPECT_TRUE(queueRows("CHGPRICE_WAIT").empty());
}

}  // namespace
