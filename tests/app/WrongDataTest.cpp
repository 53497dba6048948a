// What a branch sees when headquarters' data cannot be taken as it stands: the
// built program, run unattended in a folder of its own, either ends with status 1
// and says what is wrong where (columns that no longer match, nothing written, the
// claims waiting), or passes over the one bad record with a line and brings the rest.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "ProgramFolder.h"
#include "tests/support/TestDatabases.h"

using namespace apptest;
using testsupport::Rows;
using testsupport::TestDatabases;

namespace {

struct WrongData {
    const char* name;
    std::vector<std::string> atHeadquarters;
    int exitCode;
    std::vector<std::string> lines;  // consecutive lines of the log; "{db}": headquarters' database
    const char* branchRows;          // a query of the branch and what it must give
    Rows branchExpected;
    const char* queueRows;
    Rows queueExpected;
};
void PrintTo(const WrongData& c, std::ostream* os) {
    *os << c.name;
}

class WrongDataAtHeadquarters : public ::testing::TestWithParam<WrongData> {};

TEST_P(WrongDataAtHeadquarters, IsToldAndNothingIsWrittenWronglyOrLost) {
    const WrongData& c = GetParam();
    TestDatabases dbs;
    for (const std::string& sql : c.atHeadquarters) dbs.execSource(sql);
    dbs.detachAll();
    ProgramFolder folder;
    folder.installDriverModule();
    folder.writeStoreConfigWithCommand();
    folder.writeConnections(dbs.sourcePath(), dbs.targetPath());

    const Outcome outcome = folder.runUnattended();

    EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.text();
    ASSERT_FALSE(c.lines.empty());
    QStringList expected;
    for (std::string line : c.lines) {
        const size_t at = line.find("{db}");
        if (at != std::string::npos) line.replace(at, 4, dbs.sourcePath());
        expected << QString::fromStdString(line);
    }
    const qsizetype first = outcome.out.indexOf(expected.front());
    ASSERT_GE(first, 0) << outcome.text();
    EXPECT_EQ(outcome.out.mid(first, expected.size()), expected) << outcome.text();
    EXPECT_EQ(dbs.queryTarget(c.branchRows), c.branchExpected);
    EXPECT_EQ(dbs.querySource(c.queueRows), c.queueExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrongDataAtHeadquarters,
    ::testing::Values(
        WrongData{"customerLostAColumn",
                  {"ALTER TABLE CUSTOMER DROP CONTACT",
                   "INSERT INTO CUSTOMER (CUST_ID, CUST_NAME, TEL) VALUES ('K1', 'k', '555')",
                   "INSERT INTO CUSTOMER_WAIT (STORE_ID, CUST_ID, STATE) VALUES ('0001', 'K1', "
                   "'UPDATE')"},
                  1,
                  {"Data Tran Error ....",
                   "branch CUSTOMER: column 5 is CONTACT, headquarters has TEL there"},
                  "SELECT COUNT(*) FROM CUSTOMER",
                  {{"0"}},
                  "SELECT CUST_ID, TRAN_CODE FROM CUSTOMER_WAIT",
                  {{"K1", "N"}}},
        WrongData{
            "productLostAColumn",
            {"ALTER TABLE PRODUCT DROP PROD_SNAME",
             "INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P1', 'p')",
             "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', 'P1', 'UPDATE')"},
            1,
            {"Data Tran Error ....", "CDS_Source1: Field 'PROD_SNAME' not found",
             "headquarters' PRODUCT (Dravonel, database {db}) has no column PROD_SNAME, which the "
             "branch's PRODUCT has"},
            "SELECT COUNT(*) FROM PRODUCT",
            {{"0"}},
            "SELECT PROD_ID, TRAN_CODE FROM PRODUCT_WAIT",
            {{"P1", "N"}}},
        WrongData{
            "aValueTheBranchCannotTake",
            {"ALTER TABLE PRODUCT ALTER COLUMN PACK_QTY TYPE VARCHAR(20)",
             "INSERT INTO PRODUCT (PROD_ID, PROD_NAME, PACK_QTY) VALUES ('P1', 'one', '6')",
             "INSERT INTO PRODUCT (PROD_ID, PROD_NAME, PACK_QTY) VALUES ('P2', 'two', 'abc')",
             "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', 'P1', 'UPDATE')",
             "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', 'P2', 'UPDATE')"},
            0,
            {"PRODUCT row 'P2' refused and stays queued: CDS_T1: 'abc' is not a valid integer "
             "value"},
            "SELECT PROD_ID, PACK_QTY FROM PRODUCT",
            {{"P1", "6"}},
            "SELECT PROD_ID, TRAN_CODE FROM PRODUCT_WAIT",
            {{"P2", "N"}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
