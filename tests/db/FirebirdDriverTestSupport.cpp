// The test fixture itself (olv_testsupport), which every later test relies on.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/db/FirebirdDriverTestFixture.h"

namespace fbtest {
namespace {

using testsupport::Rows;
using testsupport::TestDatabases;

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(TestSupportScript, SplitsOnTerminatorsOutsideQuotesAndComments) {
    const auto statements = testsupport::splitScript(R"(
-- a comment; with a semicolon
CREATE TABLE A (X VARCHAR(10)); /* block ; comment */
INSERT INTO A VALUES ('it''s; here');
SET TERM ^ ;
CREATE PROCEDURE P AS BEGIN EXIT; END^
SET TERM ; ^
INSERT INTO A VALUES ('last')
)");
    ASSERT_EQ(statements.size(), 4u);
    EXPECT_EQ(statements[0], "CREATE TABLE A (X VARCHAR(10))");
    EXPECT_EQ(statements[1], "INSERT INTO A VALUES ('it''s; here')");
    EXPECT_EQ(statements[2], "CREATE PROCEDURE P AS BEGIN EXIT; END");
    EXPECT_EQ(statements[3], "INSERT INTO A VALUES ('last')");
}

TEST(TestSupportDatabases, BuildsBothDatabasesFromScriptsWithProceduresAndIsqlCommands) {
    TestDatabases d(R"(
SET SQL DIALECT 3;
SET NAMES UTF8;
CREATE TABLE A (ID INTEGER NOT NULL PRIMARY KEY, N NUMERIC(15,4), D DATE, C CHAR(6), F DOUBLE PRECISION,
                TS TIMESTAMP, TM TIME, B BLOB SUB_TYPE TEXT);
COMMIT;
SET TERM ^ ;
CREATE PROCEDURE ADD_A (I INTEGER) AS BEGIN INSERT INTO A (ID) VALUES (:I); END^
SET TERM ; ^
EXECUTE PROCEDURE ADD_A(5);
INSERT INTO A VALUES (1, 12.5, '2005-03-01', '中文', 0.1, '2005-03-01 10:11:12', '01:02:03', 'blob');
INSERT INTO A (ID, N, TS) VALUES (2, -0.25, '2005-03-02 00:00:00');
)",
                    "CREATE TABLE B (ID INTEGER);");
    EXPECT_TRUE(std::filesystem::exists(d.sourcePath()));
    EXPECT_TRUE(std::filesystem::exists(d.targetPath()));
    EXPECT_EQ(d.sourcePath(), d.folder() + "/hq.fdb");
    EXPECT_EQ(d.targetPath(), d.folder() + "/branch.fdb");
    EXPECT_EQ(
        d.querySource("SELECT ID, N, D, C, F, TS, TM, B FROM A ORDER BY ID"),
        (Rows{{"1", "12.5", "2005/03/01", "中文", "0.1", "2005/03/01 10:11:12", "01:02:03", "blob"},
              {"2", "-0.25", "<null>", "<null>", "<null>", "2005/03/02", "<null>", "<null>"},
              {"5", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"}}));
    d.execTarget("INSERT INTO B VALUES (3)");
    EXPECT_EQ(d.queryTarget("SELECT ID FROM B"), (Rows{{"3"}}));
    EXPECT_EQ(d.querySource(
                  "SELECT TRIM(RDB$OWNER_NAME) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'A'"),
              (Rows{{"OLVTEST"}}));
    EXPECT_EQ(d.querySource("SELECT TRIM(RDB$CHARACTER_SET_NAME) FROM RDB$DATABASE"),
              (Rows{{"UTF8"}}));
    EXPECT_EQ(d.querySource("SELECT MON$FORCED_WRITES FROM MON$DATABASE"), (Rows{{"0"}}));
}

TEST(TestSupportDatabases, EachObjectHasFreshCopiesAndRemovesThem) {
    std::string folder;
    {
        TestDatabases a("CREATE TABLE A (ID INTEGER);", "CREATE TABLE B (ID INTEGER);");
        a.execSource("INSERT INTO A VALUES (1)");
        TestDatabases b("CREATE TABLE A (ID INTEGER);", "CREATE TABLE B (ID INTEGER);");
        EXPECT_NE(a.folder(), b.folder());
        EXPECT_EQ(b.querySource("SELECT COUNT(*) FROM A"), (Rows{{"0"}}));
        EXPECT_EQ(a.querySource("SELECT COUNT(*) FROM A"), (Rows{{"1"}}));
        folder = a.folder();
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(TestSupportDatabases, AFailingScriptReportsFirebirdsMessage) {
    try {
        TestDatabases d("CREATE TABLE A (ID INTEGER);\nCREATE TABLE A (ID INTEGER);",
                        "CREATE TABLE B (X INTEGER);");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Table A already exists"), std::string::npos)
            << e.what();
    }
}

TEST(TestSupportDatabases, WritesTheRegistryFiles) {
    TestDatabases d("CREATE TABLE A (ID INTEGER);", "CREATE TABLE B (ID INTEGER);");
    auto [connections, drivers] = d.writeRegistry();
    EXPECT_EQ(connections, d.folder() + "/dbxconnections.ini");
    EXPECT_EQ(drivers, d.folder() + "/dbxdrivers.ini");
    const std::string c = slurp(connections);
    EXPECT_NE(c.find("[Dravonel]\nDriverName=Interbase\nDatabase=" + d.sourcePath() + "\n"),
              std::string::npos)
        << c;
    EXPECT_NE(c.find("[Corvane]\nDriverName=Interbase\nDatabase=" + d.targetPath() + "\n"),
              std::string::npos)
        << c;
    for (const char* line :
         {"User_Name=OLVTEST\n", "Password=olvtest\n", "SQLDialect=3\n", "ServerCharSet=UTF8\n",
          "BlobSize=-1\n", "WaitOnLocks=True\n", "Interbase TransIsolation=ReadCommited\n"})
        EXPECT_NE(c.find(line), std::string::npos) << line;
    const std::string dr = slurp(drivers);
    EXPECT_EQ(dr, "[Interbase]\nLibraryName=" + testsupport::driverModulePath() +
                      "\nGetDriverFunc=getSQLDriverINTERBASE\nVendorLib=libfbclient.so.2\n");
    EXPECT_TRUE(std::filesystem::exists(testsupport::driverModulePath()));

    d.writeRegistry({.sourceDatabase = "localhost:" + d.sourcePath()});
    EXPECT_NE(slurp(connections).find("Database=localhost:" + d.sourcePath() + "\n"),
              std::string::npos);
}

TEST(TestSupportDatabases, DetachAllLetsTheServerOpenTheFiles) {
    if (!testsupport::loopbackServerAvailable())
        GTEST_SKIP() << "no Firebird server on 127.0.0.1:3050";
    TestDatabases d("CREATE TABLE A (ID INTEGER);", "CREATE TABLE B (ID INTEGER);");
    d.execTarget("INSERT INTO B VALUES (1)");
    d.detachAll();
    d.attachThroughServer(true);
    d.execTarget("INSERT INTO B VALUES (2)");
    EXPECT_EQ(d.queryTarget("SELECT ID FROM B ORDER BY ID"), (Rows{{"1"}, {"2"}}));
}

}  // namespace
}  // namespace fbtest
