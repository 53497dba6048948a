// SQL statements built line by line, with named parameters.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/SQLQuery.h"
#include "tests/db/DataSetTestSupport.h"

namespace {

using dstest::errorOf;
using testsupport::Rows;

const char* const kSourceSql = "CREATE TABLE UNUSED (ID INTEGER);\n";
const char* const kTargetSql = R"sql(
CREATE TABLE NOTES (ID INTEGER NOT NULL PRIMARY KEY, S VARCHAR(40), N INTEGER, D DATE,
                    P NUMERIC(15,4));
INSERT INTO NOTES (ID, S, N) VALUES (1, 'one', 1);
INSERT INTO NOTES (ID, S, N) VALUES (2, 'two', 2);
)sql";

class Statement : public ::testing::Test {
  protected:
    Statement() : world(kSourceSql, kTargetSql) {}
    Rows notes() { return world.dbs.queryTarget("SELECT ID, S, N, D FROM NOTES ORDER BY ID"); }

    dstest::World world;
    db::SQLQuery& query = world.form.SQL_TQuery;
};

// Joined without a line break, the comment at the end of the first line would swallow
// the WHERE of the second and every row would change.
TEST_F(Statement, AddedLinesReachTheServerSeparatedByALineBreak) {
    query.clearSql();
    query.addSql("UPDATE NOTES SET S = 'changed' -- the first row only");
    query.addSql("WHERE ID = 1");
    query.execSQL();
    EXPECT_EQ(query.rowsAffected(), 1u);
    EXPECT_EQ(notes(), (Rows{{"1", "changed", "1", "<null>"}, {"2", "two", "2", "<null>"}}));
}

TEST_F(Statement, ColonsInsideLiteralsAndCommentsAreNoParameters) {
    const db::ParsedSql parsed = db::parseParameters(
        "INSERT INTO NOTES (ID, S) VALUES (:ID, 'a:b') /* :NOT_A */ -- :NOR_THIS\n"
        "; SELECT 'it''s :x', \"odd:name\", :Second FROM RDB$DATABASE");
    EXPECT_EQ(parsed.paramNames, (std::vector<std::string>{"ID", "Second"}));
    EXPECT_EQ(parsed.text,
              "INSERT INTO NOTES (ID, S) VALUES (?, 'a:b') /* :NOT_A */ -- :NOR_THIS\n"
              "; SELECT 'it''s :x', \"odd:name\", ? FROM RDB$DATABASE");

    query.clearSql();
    query.addSql("INSERT INTO NOTES (ID, S) VALUES (:ID, 'a:b')");
    ASSERT_EQ(query.params().size(), 1u);
    query.paramByName("id").setValue(db::Value::integer(3));
    query.execSQL();

    query.clearSql();
    query.addSql("INSERT INTO NOTES (ID, S) VALUES (4, 'it''s 10:30')");
    EXPECT_TRUE(query.params().empty());
    query.execSQL();
    EXPECT_EQ(world.dbs.queryTarget("SELECT S FROM NOTES WHERE ID >= 3 ORDER BY ID"),
              (Rows{{"a:b"}, {"it's 10:30"}}));
}

// A null value gives a parameter no type: executing fails and writes nothing. Once a
// value has typed it, a null is bound as that type.
TEST_F(Statement, ParameterWithOnlyANullHasNoValue) {
    query.clearSql();
    query.addSql("INSERT INTO NOTES (ID, S) VALUES (:ID, :S)");
    query.paramByName("ID").setValue(db::Value::integer(5));
    query.paramByName("S").setValue(db::Value::null());
    EXPECT_EQ(errorOf([&] { query.execSQL(); }), "No value for parameter 'S'");
    EXPECT_EQ(world.dbs.queryTarget("SELECT COUNT(*) FROM NOTES WHERE ID = 5"), (Rows{{"0"}}));

    query.paramByName("S").setValue(db::Value::text("five"));
    query.execSQL();
    query.paramByName("ID").setValue(db::Value::integer(6));
    query.paramByName("S").setValue(db::Value::null());
    query.execSQL();
    EXPECT_EQ(world.dbs.queryTarget("SELECT ID, S FROM NOTES WHERE ID >= 5 ORDER BY ID"),
              (Rows{{"5", "five"}, {"6", "<null>"}}));
}

TEST_F(Statement, ParameterKeepsItsValueWhileItsNameStaysInTheText) {
    query.clearSql();
    query.addSql("INSERT INTO NOTES (ID, S, N)");
    query.addSql("VALUES (:ID, :S,");
    query.paramByName("ID").setValue(db::Value::integer(7));
    query.paramByName("S").setValue(db::Value::text("kept"));
    query.addSql(":N)");
    EXPECT_EQ(errorOf([&] { query.execSQL(); }), "No value for parameter 'N'");
    EXPECT_EQ(query.paramByName("ID").value(), db::Value::integer(7));
    query.paramByName("n").setValue(db::Value::integer(70));
    query.execSQL();
    EXPECT_EQ(world.dbs.queryTarget("SELECT ID, S, N FROM NOTES WHERE ID = 7"),
              (Rows{{"7", "kept", "70"}}));

    // Cleared, the text has no parameters left; the same text again starts afresh.
    query.clearSql();
    EXPECT_TRUE(query.params().empty());
    query.addSql("DELETE FROM NOTES WHERE ID = :ID");
    EXPECT_EQ(errorOf([&] { query.execSQL(); }), "No value for parameter 'ID'");
    EXPECT_EQ(world.dbs.queryTarget("SELECT COUNT(*) FROM NOTES WHERE ID = 7"), (Rows{{"1"}}));
}

// A parameter used twice is one parameter with one value.
TEST_F(Statement, RepeatedParameterNameIsOneParameter) {
    query.clearSql();
    query.addSql("INSERT INTO NOTES (ID, N) VALUES (:ID, :id + 1)");
    ASSERT_EQ(query.params().size(), 1u);
    query.paramByName("Id").setValue(db::Value::integer(8));
    query.execSQL();
    EXPECT_EQ(world.dbs.queryTarget("SELECT ID, N FROM NOTES WHERE ID = 8"), (Rows{{"8", "9"}}));
}

TEST_F(Statement, MissingParameterCarriesTheStatementsName) {
    query.clearSql();
    query.addSql("DELETE FROM NOTES WHERE ID = :ID");
    EXPECT_EQ(errorOf([&] { query.paramByName("NOPE"); }),
              "SQL_TQuery: Parameter 'NOPE' not found");
    db::SQLQuery& master = world.form.SQL_Master;
    master.clearSql();
    EXPECT_EQ(errorOf([&] { master.paramByName("Prod_Id"); }),
              "SQL_Master: Parameter 'Prod_Id' not found");
}

// Text values bound for INTEGER, DATE and NUMERIC columns: the database converts them.
TEST_F(Statement, TextParameterIsConvertedByTheDatabase) {
    query.clearSql();
    query.addSql("UPDATE NOTES SET N = :N, D = :D, P = :P WHERE ID = :ID");
    query.paramByName("N").setValue(db::Value::text("42"));
    query.paramByName("D").setValue(db::Value::text("2005/03/01"));
    query.paramByName("P").setValue(db::Value::text("12.5"));
    query.paramByName("ID").setValue(db::Value::text("1"));
    query.execSQL();
    // The first value fixed each parameter's type as text; later numbers go as text too.
    query.paramByName("N").setValue(db::Value::integer(43));
    query.paramByName("D").setValue(db::Value::text("2005-03-02"));
    query.paramByName("ID").setValue(db::Value::integer(2));
    query.execSQL();
    EXPECT_EQ(world.dbs.queryTarget("SELECT ID, N, D, P FROM NOTES ORDER BY ID"),
              (Rows{{"1", "42", "2005/03/01", "12.5"}, {"2", "43", "2005/03/02", "12.5"}}));

    query.paramByName("N").setValue(db::Value::text("not a number"));
    EXPECT_THAT(errorOf([&] { query.execSQL(); }), ::testing::HasSubstr("conversion error"));
    EXPECT_EQ(world.dbs.queryTarget("SELECT N FROM NOTES WHERE ID = 2"), (Rows{{"43"}}));
}

// A statement the database refuses fails with its message and leaves nothing behind.
TEST_F(Statement, RefusedStatementWritesNothing) {
    query.clearSql();
    query.addSql("INSERT INTO NOTES (ID, S) SELECT 9 + 0 * ID, 'dup' FROM NOTES");
    EXPECT_THAT(errorOf([&] { query.execSQL(); }),
                ::testing::HasSubstr("violation of PRIMARY or UNIQUE KEY constraint"));
    EXPECT_EQ(world.dbs.queryTarget("SELECT COUNT(*) FROM NOTES"), (Rows{{"2"}}));
    // The connection carries on.
    query.clearSql();
    query.addSql("INSERT INTO NOTES (ID, S) VALUES (9, 'after')");
    query.execSQL();
    EXPECT_EQ(world.dbs.queryTarget("SELECT S FROM NOTES WHERE ID = 9"), (Rows{{"after"}}));
}

}  // namespace

namespace {

// The table a dataset writes back to is found by the same scanner as the
// parameters: a FROM in a literal, a quoted name or a comment does not count.
TEST(TableToUpdate, IsTheFirstFromOfTheStatementsOwnCode) {
    EXPECT_EQ(db::tableToUpdate("SELECT * FROM ping WHERE ID = 1"), "PING");
    EXPECT_EQ(db::tableToUpdate("SELECT 'FROM X' AS A, \"FROM\" FROM Ping -- FROM Y"), "PING");
    EXPECT_EQ(db::tableToUpdate("/* FROM Z */ SELECT * FROM \"Mixed Case\""), "Mixed Case");
    EXPECT_EQ(db::tableToUpdate("SELECT 1 AS FROMAGE FROM RDB$DATABASE"), "RDB$DATABASE");
    EXPECT_EQ(db::tableToUpdate("SELECT 'no table'"), "");
}

}  // namespace
