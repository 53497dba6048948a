// Transactions: the explicit ones of the second target connection, and the
// statements that run outside any and commit on their own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "db/SQLConnection.h"
#include "tests/db/DataSetTestSupport.h"

namespace {

using dstest::errorOf;
using testsupport::Rows;

const char* const kSourceSql = "CREATE TABLE UNUSED (ID INTEGER);\n";
const char* const kTargetSql = R"sql(
CREATE TABLE BILL (ID INTEGER NOT NULL PRIMARY KEY, S VARCHAR(20));
INSERT INTO BILL VALUES (1, 'old');
CREATE TABLE SRC (ID INTEGER);
INSERT INTO SRC VALUES (50);
INSERT INTO SRC VALUES (1);
)sql";

// A transaction error is the connection's own: its name comes first.
::testing::Matcher<std::string> transactionError(const std::string& message) {
    return ::testing::Eq("SQLConnection2: " + message);
}

class Transactions : public ::testing::Test {
  protected:
    Transactions() : world(kSourceSql, kTargetSql) {}

    void onSecond(const std::string& sql) {
        world.form.SQL_Master.clearSql();
        world.form.SQL_Master.addSql(sql);
        world.form.SQL_Master.execSQL();
    }
    // BILL as the target connection reads it now.
    std::string readThroughTarget() {
        db::ClientDataSet& ds = world.form.CDS_T1;
        ds.close();
        ds.setCommandText("SELECT ID, S FROM BILL ORDER BY ID");
        ds.open();
        std::string out;
        for (ds.first(); !ds.eof(); ds.next()) {
            out += ds.fieldByName("ID").asString() + "=" + ds.fieldByName("S").asString() + ";";
        }
        return out;
    }
    Rows bills() { return world.dbs.queryTarget("SELECT ID, S FROM BILL ORDER BY ID"); }

    dstest::World world;
    db::SQLConnection& second = world.form.SQLConnection2;
    const db::TransactionDesc desc{1, db::Isolation::ReadCommitted};
};

TEST_F(Transactions, StartCommitAndRollBack) {
    EXPECT_FALSE(second.inTransaction());
    EXPECT_FALSE(second.connected());
    second.startTransaction(desc);  // opens the connection first
    EXPECT_TRUE(second.connected());
    EXPECT_TRUE(second.inTransaction());
    onSecond("INSERT INTO BILL VALUES (2, 'committed')");
    second.commit(desc);
    EXPECT_FALSE(second.inTransaction());
    EXPECT_EQ(bills(), (Rows{{"1", "old"}, {"2", "committed"}}));

    second.startTransaction(desc);
    onSecond("INSERT INTO BILL VALUES (3, 'rolled back')");
    onSecond("UPDATE BILL SET S = 'undone' WHERE ID = 1");
    second.rollback(desc);
    EXPECT_FALSE(second.inTransaction());
    EXPECT_EQ(bills(), (Rows{{"1", "old"}, {"2", "committed"}}));

    // The connection takes the next transaction.
    second.startTransaction(desc);
    onSecond("INSERT INTO BILL VALUES (4, 'again')");
    second.commit(desc);
    EXPECT_EQ(bills(), (Rows{{"1", "old"}, {"2", "committed"}, {"4", "again"}}));
}

TEST_F(Transactions, MisplacedCallsAreRefused) {
    EXPECT_THAT(errorOf([&] { second.commit(desc); }),
                transactionError("There is no active transaction"));
    EXPECT_THAT(errorOf([&] { second.rollback(desc); }),
                transactionError("There is no active transaction"));

    second.startTransaction(desc);
    onSecond("INSERT INTO BILL VALUES (2, 'pending')");
    EXPECT_THAT(errorOf([&] { second.startTransaction(desc); }),
                transactionError("A transaction is already active"));
    // The open transaction is still the one that holds the insert.
    EXPECT_TRUE(second.inTransaction());
    second.commit(desc);
    EXPECT_EQ(bills(), (Rows{{"1", "old"}, {"2", "pending"}}));

    EXPECT_THAT(errorOf([&] { second.commit(desc); }),
                transactionError("There is no active transaction"));
    EXPECT_THAT(errorOf([&] { second.rollback(desc); }),
                transactionError("There is no active transaction"));
}

// The target connection does not see what the second one has not committed, and
// does not wait for it either: a read-committed reader gets the last committed version.
TEST_F(Transactions, UncommittedChangesAreUnseenByTheOtherConnection) {
    EXPECT_EQ(readThroughTarget(), "1=old;");
    second.startTransaction(desc);
    onSecond("UPDATE BILL SET S = 'new' WHERE ID = 1");
    onSecond("INSERT INTO BILL VALUES (2, 'added')");
    {
        dstest::Watchdog watchdog(std::chrono::seconds(60),
                                  "reading a row locked by SQLConnection2");
        EXPECT_EQ(readThroughTarget(), "1=old;");
    }
    EXPECT_EQ(bills(), (Rows{{"1", "old"}}));

    second.commit(desc);
    EXPECT_EQ(readThroughTarget(), "1=new;2=added;");
}

// A transaction of one connection is not the other's: what the target connection runs
// meanwhile is committed at once and survives the second connection's rollback.
TEST_F(Transactions, TransactionIsNotSharedBetweenConnections) {
    second.startTransaction(desc);
    onSecond("INSERT INTO BILL VALUES (2, 'second')");
    world.form.SQL_TQuery.addSql("INSERT INTO BILL VALUES (3, 'target')");
    world.form.SQL_TQuery.execSQL();
    EXPECT_FALSE(world.form.SQLCon_Target.inTransaction());
    EXPECT_EQ(bills(), (Rows{{"1", "old"}, {"3", "target"}}));
    second.rollback(desc);
    EXPECT_EQ(bills(), (Rows{{"1", "old"}, {"3", "target"}}));
}

// Outside a transaction every statement is committed as soon as it completes: an
// independent reader sees it at once, whichever way it was run.
TEST_F(Transactions, StatementOutsideATransactionCommitsWhenItCompletes) {
    world.form.SQL_TQuery.addSql("INSERT INTO BILL VALUES (2, 'statement')");
    world.form.SQL_TQuery.execSQL();
    EXPECT_EQ(bills(), (Rows{{"1", "old"}, {"2", "statement"}}));

    world.form.CDS_T1.setCommandText("UPDATE BILL SET S = 'command text' WHERE ID = 1");
    world.form.CDS_T1.execute();
    EXPECT_FALSE(world.form.CDS_T1.active());
    EXPECT_EQ(bills(), (Rows{{"1", "command text"}, {"2", "statement"}}));

    onSecond("DELETE FROM BILL WHERE ID = 2");
    EXPECT_FALSE(second.inTransaction());
    EXPECT_EQ(bills(), (Rows{{"1", "command text"}}));

    // A statement that fails half-way leaves nothing: SRC's second row collides.
    world.form.SQL_TQuery.clearSql();
    world.form.SQL_TQuery.addSql(
        "INSERT INTO BILL (ID, S) SELECT ID, 'copied' FROM SRC ORDER BY ID DESC");
    EXPECT_THAT(errorOf([&] { world.form.SQL_TQuery.execSQL(); }),
                ::testing::HasSubstr("violation of PRIMARY or UNIQUE KEY constraint"));
    EXPECT_EQ(bills(), (Rows{{"1", "command text"}}));
    // And the next statement is committed as before.
    world.form.SQL_TQuery.clearSql();
    world.form.SQL_TQuery.addSql("INSERT INTO BILL VALUES (5, 'later')");
    world.form.SQL_TQuery.execSQL();
    EXPECT_EQ(bills(), (Rows{{"1", "command text"}, {"5", "later"}}));
}

// A statement run while the second connection's transaction is open belongs to it.
TEST_F(Transactions, StatementInsideTheTransactionWaitsForItsCommit) {
    second.startTransaction(desc);
    world.form.SQL_Sub.addSql("INSERT INTO BILL (ID, S) VALUES (:ID, :S)");
    world.form.SQL_Sub.paramByName("ID").setValue(db::Value::integer(2));
    world.form.SQL_Sub.paramByName("S").setValue(db::Value::text("line"));
    world.form.SQL_Sub.execSQL();
    EXPECT_EQ(bills(), (Rows{{"1", "old"}}));
    second.commit(desc);
    EXPECT_EQ(bills(), (Rows{{"1", "old"}, {"2", "line"}}));
}

}  // namespace
