// The copy of one bill of each kind from headquarters into the branch, driven
// through the kinds' wait queues in mode Changed.
#include <gtest/gtest.h>

#include <string>

#include "tests/engine/BillFixture.h"

namespace {

using testsupport::BillTest;
using testsupport::Rows;

constexpr int kPromotions = 5, kWholesale = 6, kPriceChanges = 7, kQuotations = 8,
              kVendorDiscounts = 9;

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The log lines that are not page statements or end messages.
std::vector<std::string> billMessages(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) {
        if (l.find(" bill '") != std::string::npos) out.push_back(l);
    }
    return out;
}

class BillCopyTest : public BillTest {};

TEST_F(BillCopyTest, PromotionBillReplacesTheOldOneColumnByColumn) {
    dbs.execTarget("INSERT INTO PSALE_MASTER (MASTERBILLID, REASON) VALUES ('B0001', 'old')");
    dbs.execTarget("INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID) VALUES ('B0001', 'P009')");
    dbs.execSource(
        "INSERT INTO PSALE_MASTER VALUES ('B0001', '2005-02-27', '2005/03/02', "
        "'2005/03/31', 'spring', NULL, '0001', '2005/02/28', 'amy', NULL, '2005/03/05', "
        "'2005/03/25')");
    dbs.execSource(
        "INSERT INTO PSALE_SUB VALUES ('B0001', 'P001', '紅茶', '4710001', 'D01', '1', "
        "19.9, 25, 2, 'G01', '綠茶', 1, 'T1', '0001', '2005/02/28', 'amy', 18.5, "
        "'2005/03/02', '2005/03/31', 12.3456, NULL, '2005-02-28 09:30:05', '2005/03/05', "
        "'2005/03/25', NULL, 2.5)");
    // A null in a column bound with the field's own type leaves the line out.
    dbs.execSource(
        "INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, PSALE_PRICE) VALUES ('B0001', 'P002', "
        "NULL)");
    // A line without a product is left out silently.
    dbs.execSource(
        "INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, PSALE_PRICE, OLD_PRICE, N_QTY, "
        "G_QTY, VIP_PRICE) VALUES ('B0001', '', 1, 1, 1, 1, 1)");
    queue("PSALE_WAIT", "B0001", "UPDATE");

    runChanged(kPromotions);

    EXPECT_EQ(dbs.queryTarget("SELECT * FROM PSALE_MASTER"),
              (Rows{{"B0001", "2005/02/27", "2005/03/02", "2005/03/31", "spring", "", "0001",
                     "2005/02/28", "amy", "0", "2005/03/05", "2005/03/25"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT * FROM PSALE_SUB"),
              (Rows{{"B0001",      "P001",
                     "紅茶",       "4710001",
                     "D01",        "1",
                     "19.9",       "25",
                     "2",          "G01",
                     "綠茶",       "1",
                     "T1",         "0001",
                     "2005/02/28", "amy",
                     "18.5",       "2005/03/02",
                     "2005/03/31", "12.3456",
                     "",           "2005/02/28 09:30:05",
                     "2005/03/05", "2005/03/25",
                     "0",          "2.5"}}));
    const std::string page =
        "SELECT FIRST 10 SKIP {n} * FROM PSALE_MASTER A INNER JOIN PSALE_WAIT B  "
        "ON A.MASTERBILLID = B.MASTERBILLID AND B.STATE = 'UPDATE' AND "
        "B.TRAN_CODE = 'W'  WHERE B.STORE_ID = '0001'";
    auto pageN = [&](const char* n) { return page.substr(0, 21) + n + page.substr(24); };
    EXPECT_EQ(
        view.branchLines(),
        (Lines{pageN("0"),
               "psale bill 'B0001' line 'P002' left out: No value for parameter 'PSALE_PRICE'",
               pageN("10"), "psale Data Update Finished..!"}));
    EXPECT_TRUE(queueRows("PSALE_WAIT").empty());
    EXPECT_EQ(view.busyCursorDepth, 0);
}

TEST_F(BillCopyTest, WholesaleLinesTakeTheConstantsAndMasterNumbersDefaultToZero) {
    dbs.execSource(
        "INSERT INTO PTSALE_MASTER VALUES ('2005-02-27', 'W1', '2005/03/01', '2005/03/31', "
        "'A', 7, 120.5, 0.85, '2005/02/28', 'bob')");
    dbs.execSource(
        "INSERT INTO PTSALE_MASTER (BILL_DATE, MASTERBILLID) VALUES ('2005-02-27', 'W2')");
    dbs.execSource(
        "INSERT INTO PTSALE_SUB VALUES ('W1', 'P001', '471', 'tea', 'V01', '2005/03/01', "
        "'2005/03/31', 5.5, 3, 0.9, 'T1', '2005/02/28', 'bob')");
    dbs.execSource("INSERT INTO PTSALE_SUB (MASTERBILLID, PROD_ID) VALUES ('W2', 'P002')");
    queue("PTSALE_WAIT", "W1", "UPDATE");
    queue("PTSALE_WAIT", "W2", "UPDATE");

    runChanged(kWholesale);

    EXPECT_EQ(dbs.queryTarget("SELECT * FROM PTSALE_MASTER ORDER BY MASTERBILLID"),
              (Rows{{"2005/02/27", "W1", "2005/03/01", "2005/03/31", "A", "7", "120.5", "0.85",
                     "2005/02/28", "bob"},
                    {"2005/02/27", "W2", "", "", "", "0", "0", "0", "", ""}}));
    EXPECT_EQ(dbs.queryTarget("SELECT * FROM PTSALE_SUB ORDER BY MASTERBILLID"),
              (Rows{{"W1", "P001", "471", "tea", "V01", "2005/03/01", "2005/03/31", "0", "0", "1",
                     "T1", "2005/02/28", "bob"},
                    {"W2", "P002", "", "", "", "", "", "0", "0", "1", "", "", ""}}));
    EXPECT_TRUE(billMessages(view.lines).empty());
}

TEST_F(BillCopyTest, PriceChangeLinesReadPricesAndTagsFromText) {
    // Headquarters may send a tag that is not a whole number.
    dbs.execSource("ALTER TABLE CHGPRICE_SUB ALTER COLUMN SAL_TAG TYPE VARCHAR(10)");
    dbs.execSource(
        "INSERT INTO CHGPRICE_MASTER VALUES ('C1', '2005-02-27', 'N', '2005/04/01', "
        "'0001', '2005/02/28', 'cy', NULL)");
    dbs.execSource(
        "INSERT INTO CHGPRICE_SUB VALUES ('C1', '2005-02-27', 'N', '2005/04/01', '0001', "
        "'P001', 'tea', '471', 'D01', 10, 9, 8, 7.5, 'D02', 12, 11, 10, 8.25, '2.5', 1, "
        "'2005/02/28', 'cy', NULL)");
    dbs.execSource(
        "INSERT INTO CHGPRICE_SUB (MASTERBILLID, BILL_DATE, PROD_ID, CHGPRICE_DATE, SAL_TAG, "
        "TRN_CODE) VALUES ('C1', '2005-03-01', 'P002', '2005/04/01', '3', 'N')");
    queue("CHGPRICE_WAIT", "C1", "INSERT");

    runChanged(kPriceChanges);

    EXPECT_EQ(dbs.queryTarget("SELECT * FROM CHGPRICE_MASTER"),
              (Rows{{"C1", "2005/02/27", "N", "2005/04/01", "0001", "2005/02/28", "cy", ""}}));
    EXPECT_EQ(
        dbs.queryTarget("SELECT * FROM CHGPRICE_SUB ORDER BY PROD_ID"),
        (Rows{{"C1",  "2005/02/27", "N", "2005/04/01", "0001",       "P001", "tea", "471",
               "D01", "10",         "9", "8",          "7.5",        "D02",  "12",  "11",
               "10",  "8.25",       "0", "1",          "2005/02/28", "cy",   ""},
              {"C1", "2005/03/01", "",  "2005/04/01", "",  "P002", "",  "",  "", "0", "0", "0",
               "0",  "",           "0", "0",          "0", "0",    "3", "0", "", "",  "N"}}));
}

TEST_F(BillCopyTest, QuotationAndVendorDiscountLinesConvertTheirNumbers) {
    dbs.execSource(
        "INSERT INTO QUOT_MASTER VALUES ('Q1', '2005-02-27', 'Y', 'V01', 'vendor', 'E1', "
        "'eve', '0001', NULL, '2005/02/28', 'eve', '2005/03/01')");
    dbs.execSource(
        "INSERT INTO QUOT_SUB VALUES ('Q1', 'A', 'P001', '471', 'tea', NULL, 10.5, 'box', "
        "'4719', 12, 9.75, 15, '1', NULL, '2005-02-27', 'Y', '2005/03/01', '2005/03/31', "
        "'V01', '0001', 'T1', 'vendor')");
    dbs.execSource(
        "INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID, U_QTY, BILL_DATE) VALUES ('Q1', 'P002', 4, "
        "'2005-03-01')");
    dbs.execSource(
        "INSERT INTO INPROMOTION_MASTER VALUES ('V1', '2005-02-27', '2005/03/01', "
        "'2005/03/31', 'V01', 'vendor', '2005/02/28', 'dan')");
    dbs.execSource(
        "INSERT INTO INPROMOTION_SUB VALUES ('V1', '2005-02-27', 'T1', 'P001', '471', 'tea', "
        "'D01', '1', 10, 8.5, NULL, 'G1', 'gift', 1, 'dan', NULL, 'V01', '2005/03/01', "
        "'2005/03/31')");
    queue("QUOT_WAIT", "Q1", "INSERT");
    queue("INPROMOTION_WAIT", "V1", "UPDATE");
    view.tickOnly({kQuotations, kVendorDiscounts});
    view.mode = engine::kModeChanged;

    run();

    EXPECT_EQ(dbs.queryTarget("SELECT * FROM QUOT_MASTER"),
              (Rows{{"Q1", "2005/02/27", "Y", "V01", "vendor", "E1", "eve", "0001", "",
                     "2005/02/28", "eve", "2005/03/01"}}));
    EXPECT_EQ(
        dbs.queryTarget("SELECT * FROM QUOT_SUB ORDER BY PROD_ID"),
        (Rows{{"Q1",         "A",          "P001", "471",  "tea", "0",     "10.5",       "box",
               "4719",       "12",         "9.75", "15",   "1",   "",      "2005/02/27", "Y",
               "2005/03/01", "2005/03/31", "V01",  "0001", "T1",  "vendor"},
              {"Q1", "", "P002", "",           "", "4", "0", "", "", "0", "0",
               "0",  "", "",     "2005/03/01", "", "",  "",  "", "", "",  ""}}));
    EXPECT_EQ(dbs.queryTarget("SELECT * FROM INPROMOTION_MASTER"),
              (Rows{{"V1", "2005/02/27", "2005/03/01", "2005/03/31", "V01", "vendor", "2005/02/28",
                     "dan"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT * FROM INPROMOTION_SUB"),
              (Rows{{"V1", "2005/02/27", "T1", "P001", "471", "tea", "D01", "1", "10", "8.5", "0",
                     "G1", "gift", "1", "dan", "0", "V01", "2005/03/01", "2005/03/31"}}));
    EXPECT_TRUE(billMessages(view.lines).empty());
}

TEST_F(BillCopyTest, ABillWithoutLinesLeavesTheBranchAlone) {
    dbs.execTarget("INSERT INTO QUOT_MASTER (MASTERBILLID, NOTE) VALUES ('Q1', 'old')");
    dbs.execTarget("INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID) VALUES ('Q1', 'P009')");
    dbs.execSource("INSERT INTO QUOT_MASTER (MASTERBILLID, NOTE) VALUES ('Q1', 'new')");
    queue("QUOT_WAIT", "Q1", "UPDATE");

    runChanged(kQuotations);

    EXPECT_EQ(dbs.queryTarget("SELECT NOTE FROM QUOT_MASTER"), (Rows{{"old"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT PROD_ID FROM QUOT_SUB"), (Rows{{"P009"}}));
    EXPECT_TRUE(queueRows("QUOT_WAIT").empty());
    EXPECT_EQ(view.lines.back(), "Done...");
}

TEST_F(BillCopyTest, ARefusedPromotionLineIsLeftOutAndTheNextBillFollows) {
    dbs.execTarget(
        "ALTER TABLE PSALE_SUB ADD CONSTRAINT CK_REFUSED CHECK (PROD_NAME <> 'refused')");
    for (const char* bill : {"B1", "B2"}) {
        dbs.execSource(std::string("INSERT INTO PSALE_MASTER (MASTERBILLID, OVER_AMT) VALUES ('") +
                       bill + "', 100)");
        queue("PSALE_WAIT", bill, "UPDATE");
    }
    for (const char* line : {"'B1', 'P1', 'tea'", "'B1', 'P2', 'refused'", "'B1', 'P3', 'milk'",
                             "'B2', 'P1', 'tea'"}) {
        dbs.execSource(std::string("INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, PROD_NAME, "
                                   "PSALE_PRICE, OLD_PRICE, N_QTY, G_QTY, VIP_PRICE) VALUES (") +
                       line + ", 1, 1, 1, 1, 1)");
    }

    runChanged(kPromotions);

    EXPECT_EQ(dbs.queryTarget("SELECT MASTERBILLID, PROD_ID FROM PSALE_SUB ORDER BY 1, 2"),
              (Rows{{"B1", "P1"}, {"B1", "P3"}, {"B2", "P1"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT MASTERBILLID, OVER_AMT FROM PSALE_MASTER ORDER BY 1"),
              (Rows{{"B1", "100"}, {"B2", "100"}}));
    const auto messages = billMessages(view.lines);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(startsWith(messages[0], "psale bill 'B1' line 'P2' left out: ")) << messages[0];
    EXPECT_NE(messages[0].find("CK_REFUSED"), std::string::npos) << messages[0];
}

TEST_F(BillCopyTest, ARefusedVendorDiscountLineKeepsTheOldBill) {
    dbs.execTarget(
        "ALTER TABLE INPROMOTION_SUB ADD CONSTRAINT CK_REFUSED CHECK (PROD_NAME <> 'refused')");
    dbs.execTarget(
        "INSERT INTO INPROMOTION_MASTER (MASTERBILLID, PROVIDER_NAME) VALUES ('V1', 'old')");
    dbs.execTarget("INSERT INTO INPROMOTION_SUB (MASTERBILLID, PROD_ID) VALUES ('V1', 'OLD1')");
    for (const char* bill : {"V1", "V2"}) {
        dbs.execSource(std::string("INSERT INTO INPROMOTION_MASTER (MASTERBILLID, PROVIDER_NAME) "
                                   "VALUES ('") +
                       bill + "', 'new')");
        queue("INPROMOTION_WAIT", bill, "UPDATE");
    }
    // The second line fails after the master row and the first line went in.
    for (const char* line : {"('V1', 'P1', 'tea')", "('V1', 'P2', 'refused')",
                             "('V1', 'P3', 'milk')", "('V2', 'P1', 'tea')"}) {
        dbs.execSource(std::string("INSERT INTO INPROMOTION_SUB (MASTERBILLID, PROD_ID, PROD_NAME) "
                                   "VALUES ") +
                       line);
    }

    runChanged(kVendorDiscounts);

    EXPECT_EQ(
        dbs.queryTarget("SELECT MASTERBILLID, PROVIDER_NAME FROM INPROMOTION_MASTER ORDER BY 1"),
        (Rows{{"V1", "old"}, {"V2", "new"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT MASTERBILLID, PROD_ID FROM INPROMOTION_SUB ORDER BY 1, 2"),
              (Rows{{"V1", "OLD1"}, {"V2", "P1"}}));
    const auto messages = billMessages(view.lines);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(startsWith(messages[0], "inpromotion bill 'V1' not copied and stays queued: "))
        << messages[0];
    EXPECT_NE(messages[0].find("CK_REFUSED"), std::string::npos) << messages[0];
    EXPECT_EQ(queueRows("INPROMOTION_WAIT"), (Rows{{"0001", "V1", "UPDATE", "N"}}));
    EXPECT_EQ(view.busyCursorDepth, 0);
    EXPECT_EQ(view.lines.back(), "Done...");
}

TEST_F(BillCopyTest, ARefusedMasterRowKeepsTheOldBill) {
    dbs.execTarget("ALTER TABLE QUOT_MASTER ADD CONSTRAINT CK_REFUSED CHECK (NOTE <> 'refused')");
    dbs.execTarget("INSERT INTO QUOT_MASTER (MASTERBILLID, NOTE) VALUES ('Q1', 'old')");
    dbs.execTarget("INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID) VALUES ('Q1', 'OLD1')");
    dbs.execSource("INSERT INTO QUOT_MASTER (MASTERBILLID, NOTE) VALUES ('Q1', 'refused')");
    dbs.execSource("INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID) VALUES ('Q1', 'P1')");
    queue("QUOT_WAIT", "Q1", "UPDATE");

    runChanged(kQuotations);

    EXPECT_EQ(dbs.queryTarget("SELECT NOTE FROM QUOT_MASTER"), (Rows{{"old"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT PROD_ID FROM QUOT_SUB"), (Rows{{"OLD1"}}));
    const auto messages = billMessages(view.lines);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(startsWith(messages[0], "quot bill 'Q1' not copied and stays queued: "))
        << messages[0];
    EXPECT_EQ(queueRows("QUOT_WAIT"), (Rows{{"0001", "Q1", "UPDATE", "N"}}));

    // Refused every run while the cause stays; the first run after it is gone copies it.
    runChanged(kQuotations);
    EXPECT_EQ(billMessages(view.lines).size(), 1u);
    dbs.execTarget("ALTER TABLE QUOT_MASTER DROP CONSTRAINT CK_REFUSED");
    runChanged(kQuotations);
    EXPECT_EQ(dbs.queryTarget("SELECT NOTE FROM QUOT_MASTER"), (Rows{{"refused"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT PROD_ID FROM QUOT_SUB"), (Rows{{"P1"}}));
    EXPECT_TRUE(queueRows("QUOT_WAIT").empty());
}

TEST_F(BillCopyTest, ABillQueuedTwiceEndsAsOneCopy) {
    dbs.execSource("INSERT INTO QUOT_MASTER (MASTERBILLID, NOTE) VALUES ('Q''7', 'new')");
    dbs.execSource("INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID) VALUES ('Q''7', 'P''1')");
    dbs.execSource("INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID) VALUES ('Q''7', 'P2')");
    queue("QUOT_WAIT", "Q''7", "UPDATE");
    queue("QUOT_WAIT", "Q''7", "INSERT");

    runChanged(kQuotations);

    EXPECT_EQ(dbs.queryTarget("SELECT MASTERBILLID, NOTE FROM QUOT_MASTER"),
              (Rows{{"Q'7", "new"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT MASTERBILLID, PROD_ID FROM QUOT_SUB ORDER BY 2"),
              (Rows{{"Q'7", "P'1"}, {"Q'7", "P2"}}));
    EXPECT_TRUE(billMessages(view.lines).empty());
    EXPECT_EQ(view.gauge, 2);
}

TEST_F(BillCopyTest, ALeftoverTransactionIsRolledBackBeforeTheCopy) {
    dbs.execSource("INSERT INTO QUOT_MASTER (MASTERBILLID) VALUES ('Q1')");
    dbs.execSource("INSERT INTO QUOT_SUB (MASTERBILLID, PROD_ID) VALUES ('Q1', 'P1')");
    queue("QUOT_WAIT", "Q1", "UPDATE");
    // What a failed rollback would leave behind: a transaction holding a write.
    data->SQLConnection2.startTransaction({});
    data->SQL_Master.clearSql();
    data->SQL_Master.addSql("INSERT INTO QUOT_MASTER (MASTERBILLID) VALUES ('STALE')");
    data->SQL_Master.execSQL();

    runChanged(kQuotations);

    EXPECT_EQ(dbs.queryTarget("SELECT MASTERBILLID FROM QUOT_MASTER"), (Rows{{"Q1"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT PROD_ID FROM QUOT_SUB"), (Rows{{"P1"}}));
    EXPECT_FALSE(data->SQLConnection2.inTransaction());
}

TEST_F(BillCopyTest, LinesThatCannotBeReadEndTheRunWithTheirOwnError) {
    dbs.execTarget("INSERT INTO PSALE_MASTER (MASTERBILLID, REASON) VALUES ('B1', 'old')");
    dbs.execTarget("INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID) VALUES ('B1', 'OLD1')");
    dbs.execSource("INSERT INTO PSALE_MASTER (MASTERBILLID, REASON) VALUES ('B1', 'new')");
    dbs.execSource("DROP TABLE PSALE_SUB");
    queue("PSALE_WAIT", "B1", "UPDATE");

    const std::string error = runChangedExpectingError(kPromotions);

    // The database's own message, not one about the closed dataset or a rollback.
    EXPECT_NE(error.find("Table unknown"), std::string::npos) << error;
    EXPECT_NE(error.find("PSALE_SUB"), std::string::npos) << error;
    EXPECT_EQ(view.lines.back(), "psale bill 'B1' not copied: its lines could not be read");
    EXPECT_EQ(dbs.queryTarget("SELECT REASON FROM PSALE_MASTER"), (Rows{{"old"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT PROD_ID FROM PSALE_SUB"), (Rows{{"OLD1"}}));
    EXPECT_EQ(queueRows("PSALE_WAIT"), (Rows{{"0001", "B1", "UPDATE", "W"}}));
    EXPECT_EQ(view.busyCursorDepth, 0);
}

}  // namespace
