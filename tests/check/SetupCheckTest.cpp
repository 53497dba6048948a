// The set-up check on real databases: a branch set up right, and one planted
// mistake of each kind with the lines it must give.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/check/CheckFixture.h"

namespace {

using checktest::Branch;

std::vector<std::string> formatted(const check::CheckReport& report, bool withOk) {
    std::vector<std::string> lines;
    for (const check::CheckLine& line : report.lines()) {
        if (withOk || line.outcome != check::Outcome::Ok) lines.push_back(check::formatLine(line));
    }
    return lines;
}

std::string allLines(const check::CheckReport& report) {
    std::string text;
    for (const std::string& line : formatted(report, true)) text += line + "\n";
    return text;
}

TEST(SetupCheck, BranchSetUpRightIsAllOkAndCountsTheStoresQueueRows) {
    Branch branch;
    for (const char* row : {"'0001', 'P1', 'UPDATE', '2024-03-01 08:00:00'",
                            "'0001', 'P2', 'DELETE', '2024-03-02 09:30:00'",
                            "'0002', 'P3', 'UPDATE', '2024-02-01 07:00:00'"}) {
        branch.dbs.execSource(
            std::string("INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE, QUEUED_AT) "
                        "VALUES (") +
            row + ")");
    }
    branch.dbs.execSource(
        "INSERT INTO PSALE_WAIT (STORE_ID, MASTERBILLID, STATE, QUEUED_AT) VALUES ('0001', 'B1', "
        "'UPDATE', '2024-03-04 00:00:00')");
    const testsupport::Rows queuedBefore =
        branch.dbs.querySource("SELECT * FROM PRODUCT_WAIT ORDER BY WAIT_ID");

    const check::CheckReport report = branch.run();
    EXPECT_EQ(report.exitStatus(), 0) << allLines(report);
    EXPECT_TRUE(formatted(report, false).empty()) << allLines(report);
    // The files, the driver, two connections, 17 tables, 8 queues with their rows.
    EXPECT_EQ(report.lines().size(), 6u + 2 + 17 + 16) << allLines(report);
    const std::string text = allLines(report);
    for (const std::string& line :
         {branch.placed("ok   store configuration {DIR}/Quelmar.dat: store 0001, stock S0001"),
          branch.placed("ok   headquarters Dravonel: opened {DIR}/hq.fdb"),
          std::string("ok   table CUSTOMER: the branch has exactly headquarters' 13 columns in the "
                      "same order"),
          std::string("ok   waiting PRODUCT_WAIT: 2 rows for store 0001, oldest queued 2024/03/01 "
                      "08:00:00"),
          std::string("ok   waiting PSALE_WAIT: 1 row for store 0001, oldest queued 2024/03/04"),
          std::string("ok   waiting QUOT_WAIT: 0 rows for store 0001")}) {
        EXPECT_NE(text.find(line + "\n"), std::string::npos) << line << "\n---\n" << text;
    }
    EXPECT_EQ(branch.dbs.querySource("SELECT * FROM PRODUCT_WAIT ORDER BY WAIT_ID"), queuedBefore);
}

// One planted mistake and every line that is not "ok" it must give.
struct Mistake {
    const char* name;
    std::function<void(Branch&)> plant;
    std::vector<std::string> lines;  // "{DIR}" stands for the databases' folder
};

void PrintTo(const Mistake& mistake, std::ostream* out) {
    *out << mistake.name;
}

const char* const kNotCompared = "skip tables: not compared: both databases must open";

const Mistake kMistakes[] = {
    {"MissingTable",
     [](Branch& b) { b.dbs.execTarget("DROP TABLE PROD_HIITEM"); },
     {"FAIL branch PROD_HIITEM: no such table — create it in the branch with headquarters' "
      "columns (schema/tables.sql)"}},
    {"CustomerColumnsSwapped",
     [](Branch& b) { b.dbs.execTarget("ALTER TABLE CUSTOMER ALTER COLUMN TEL POSITION 5"); },
     {"FAIL branch CUSTOMER: column 5 is TEL, headquarters has CONTACT there — recreate the "
      "branch's CUSTOMER with headquarters' columns in the same order"}},
    {"PackagingColumnsSwapped",
     [](Branch& b) { b.dbs.execTarget("ALTER TABLE PROD_SALE ALTER COLUMN VIP_PRICE POSITION 5"); },
     {"FAIL branch PROD_SALE: column 5 is VIP_PRICE, headquarters has SAL_PRICE there — recreate "
      "the branch's PROD_SALE with headquarters' columns in the same order"}},
    {"CustomerWithColumnOfItsOwn",
     [](Branch& b) { b.dbs.execTarget("ALTER TABLE CUSTOMER ADD POINTS INTEGER"); },
     {"FAIL branch CUSTOMER: column 14 POINTS comes after headquarters' last column CHG_USER — "
      "give the branch's CUSTOMER exactly headquarters' columns"}},
    {"TranCodeInProduct",
     [](Branch& b) { b.dbs.execTarget("ALTER TABLE PRODUCT ADD TRAN_CODE VARCHAR(1)"); },
     {"FAIL branch PRODUCT: has a column TRAN_CODE — rename or drop it: the joins with the wait "
      "queue name the queue's TRAN_CODE without a table prefix"}},
    {"DateColumnNotText",
     [](Branch& b) {
         b.dbs.execTarget("ALTER TABLE PRODUCT DROP CHG_TIME");
         b.dbs.execTarget("ALTER TABLE PRODUCT ADD CHG_TIME TIME");
         b.dbs.execTarget("ALTER TABLE PRODUCT ALTER COLUMN CHG_TIME POSITION 24");
     },
     {"FAIL branch PRODUCT: CHG_TIME is TIME, the download handles it as text 'hh:nn:ss' — make "
      "it VARCHAR(8)"}},
    {"HeadquartersDateTooShort",
     [](Branch& b) {
         b.dbs.execSource("ALTER TABLE PROVIDER DROP CHG_DATE");
         b.dbs.execSource("ALTER TABLE PROVIDER ADD CHG_DATE CHAR(8)");
         b.dbs.execSource("ALTER TABLE PROVIDER ALTER COLUMN CHG_DATE POSITION 11");
     },
     {"FAIL headquarters PROVIDER: CHG_DATE is CHAR(8), the download handles it as text "
      "'yyyy/mm/dd' — make it VARCHAR(10)"}},
    {"MissingBillColumn",
     [](Branch& b) { b.dbs.execTarget("ALTER TABLE PSALE_SUB DROP VNEW_COST"); },
     {"FAIL branch PSALE_SUB: no column VNEW_COST, which the bill copy inserts — add to the "
      "branch's PSALE_SUB VNEW_COST NUMERIC(15,4)"}},
    {"BillColumnTheCopyCannotFill",
     [](Branch& b) { b.dbs.execTarget("ALTER TABLE QUOT_SUB ADD SHELF INTEGER NOT NULL"); },
     {"FAIL branch QUOT_SUB: column SHELF is NOT NULL without a default, and the bill copy does "
      "not fill it — give it a default or let it take nulls"}},
    {"NullableBillDateAtHeadquarters",
     [](Branch& b) {
         b.dbs.execSource("ALTER TABLE QUOT_MASTER DROP BILL_DATE");
         b.dbs.execSource("ALTER TABLE QUOT_MASTER ADD BILL_DATE DATE");
         b.dbs.execSource("ALTER TABLE QUOT_MASTER ALTER COLUMN BILL_DATE POSITION 2");
     },
     {"FAIL headquarters QUOT_MASTER: BILL_DATE is a DATE that may be null, and the bill copy "
      "writes it as text: a null gives an empty text, which does not convert — make it NOT NULL "
      "with a default, as schema/tables.sql has it"}},
    {"ForeignKeyInBranch",
     [](Branch& b) {
         b.dbs.execTarget(
             "ALTER TABLE PROD_SALE ADD CONSTRAINT FK_PACK_PRODUCT FOREIGN KEY (PROD_ID) "
             "REFERENCES PRODUCT (PROD_ID)");
     },
     {"FAIL branch PROD_SALE: has the foreign key FK_PACK_PRODUCT — ALTER TABLE PROD_SALE DROP "
      "CONSTRAINT FK_PACK_PRODUCT: a branch keeps rows whose parent rows it may not hold"}},
    {"QueueWithoutStoreIndex",
     [](Branch& b) {
         b.dbs.execSource("DROP INDEX IX_QUOT_WAIT_STORE");
         b.dbs.execSource("CREATE INDEX IX_QUOT_WAIT_CLAIM ON QUOT_WAIT (TRAN_CODE, STORE_ID)");
     },
     {"FAIL headquarters QUOT_WAIT: no active index starts with STORE_ID — CREATE INDEX "
      "IX_QUOT_WAIT_STORE ON QUOT_WAIT (STORE_ID, TRAN_CODE)"}},
    {"QueueWithoutState",
     [](Branch& b) { b.dbs.execSource("ALTER TABLE CUSTOMER_WAIT DROP STATE"); },
     {"FAIL headquarters CUSTOMER_WAIT: no column STATE — add it as schema/queues.sql defines it"}},
    {"MissingStoreConfig",
     [](Branch& b) { std::filesystem::remove(b.storeConfig()); },
     {"FAIL store configuration {DIR}/Quelmar.dat: Cannot open file \"{DIR}/Quelmar.dat\". No "
      "such file or directory — write it beside olvarin with olvarin-storecfg --store-id ID "
      "--stock-id ID",
      "skip waiting rows: not counted: the store configuration failed above"}},
    {"StoreIdHeadquartersDoesNotKnow",
     [](Branch& b) {
         checktest::writeStoreConfig(b.storeConfig(), "1");
         for (const char* store : {"0002", "0001", "0002"}) {
             b.dbs.execSource(
                 std::string("INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('") +
                 store + "', 'P1', 'UPDATE')");
         }
         b.dbs.execSource(
             "INSERT INTO QUOT_WAIT (STORE_ID, MASTERBILLID, STATE) VALUES ('0003', 'Q1', "
             "'INSERT')");
     },
     {"FAIL store 1: no queue at headquarters holds a row for it, while headquarters queues for "
      "0001, 0002, 0003 — check the store id with headquarters and write it with "
      "olvarin-storecfg --store-id ID --stock-id ID"}},
    {"StoreIdWithAQuote",
     [](Branch& b) { checktest::writeStoreConfig(b.storeConfig(), "00'1"); },
     {"FAIL store configuration {DIR}/Quelmar.dat: store id '00'1' holds ''' at position 3: a "
      "store "
      "id has only the letters A-Z and a-z, the digits 0-9, '-' and '_' — write it beside olvarin "
      "with olvarin-storecfg --store-id ID --stock-id ID"}},
    {"MissingDatabaseKey",
     [](Branch& b) { b.editConnections(b.placed("Database={DIR}/branch.fdb\n"), ""); },
     {"FAIL connection Corvane: no Database — add Database=host:/path/file.fdb (a server) or "
      "Database=/path/file.fdb (embedded) to [Corvane] in {DIR}/dbxconnections.ini",
      "skip branch Corvane: not opened: its files or driver failed above", kNotCompared}},
    {"MissingEntryPoint",
     [](Branch& b) {
         checktest::writeText(
             b.drivers, checktest::replaced(checktest::readText(b.drivers), "getSQLDriverINTERBASE",
                                            "getSQLDriverIB"));
     },
     {"FAIL driver Interbase: " + testsupport::driverModulePath() +
          " does not export getSQLDriverIB — set GetDriverFunc=getSQLDriverINTERBASE in "
          "[Interbase] of {DIR}/dbxdrivers.ini",
      "skip headquarters Dravonel: not opened: its files or driver failed above",
      "skip branch Corvane: not opened: its files or driver failed above", kNotCompared,
      "skip wait queues: not checked: headquarters did not open"}},
    // Last: a connection that fails to open.
    {"WrongDatabasePath",
     [](Branch& b) {
         b.editConnections(b.placed("{DIR}/hq.fdb"), b.placed("{DIR}/nosuch/hq.fdb"));
     },
     {"FAIL headquarters Dravonel: does not open: I/O error during \"open\" operation for file "
      "\"{DIR}/nosuch/hq.fdb\"; Error while trying to open file; No such file or directory — "
      "check Database, User_Name and Password of [Dravonel] in {DIR}/dbxconnections.ini: the "
      "database must exist and, on a server, be reachable",
      kNotCompared, "skip wait queues: not checked: headquarters did not open"}},
};

class SetupCheckMistake : public ::testing::TestWithParam<Mistake> {};

TEST_P(SetupCheckMistake, GivesItsLinesAndExitStatus1) {
    Branch branch;
    GetParam().plant(branch);
    const check::CheckReport report = branch.run();
    std::vector<std::string> expected;
    for (const std::string& line : GetParam().lines) expected.push_back(branch.placed(line));
    EXPECT_EQ(formatted(report, false), expected) << allLines(report);
    EXPECT_EQ(report.exitStatus(), 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SetupCheckMistake, ::testing::ValuesIn(kMistakes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
