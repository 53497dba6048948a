// The implicit autocommit transaction, explicit transactions, and server errors.
#include "tests/db/FirebirdDriverTestFixture.h"

namespace fbtest {
namespace {

using testsupport::Rows;

class FirebirdDriverTransactions : public DriverTest {
  protected:
    Rows namesSeenByAnotherAttachment() {
        return databases_.queryTarget("SELECT ID, NAME FROM T ORDER BY ID");
    }
};

TEST_F(FirebirdDriverTransactions, ImplicitStatementIsDurableWhenExecuteReturns) {
    auto c = connectTarget();
    auto insert = c->prepare("INSERT INTO T (ID, NAME) VALUES (?, ?)");
    insert->execute(params({db::Value::integer(1), db::Value::text("one")}));
    EXPECT_FALSE(c->inTransaction());
    // a second, independent attachment sees it at once
    EXPECT_EQ(namesSeenByAnotherAttachment(), (Rows{{"1", "one"}}));
    // and so does a cursor of the same connection
    auto rows = fetchAll(*c, "SELECT NAME FROM T");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], db::Value::text("one"));
    // the implicit transaction is reused by later statements
    insert->execute(params({db::Value::integer(2), db::Value::text("two")}));
    EXPECT_EQ(namesSeenByAnotherAttachment(), (Rows{{"1", "one"}, {"2", "two"}}));
}

TEST_F(FirebirdDriverTransactions, ImplicitTransactionIsOneTransactionKeptOpen) {
    auto c = connectTarget();
    auto id = [&] {
        return fetchAll(*c, "SELECT CURRENT_TRANSACTION FROM RDB$DATABASE")[0][0].asInt64();
    };
    c->prepare("INSERT INTO T (ID) VALUES (1)")->execute({});
    const auto first = id();
    c->prepare("INSERT INTO T (ID) VALUES (2)")->execute({});
    // autocommit commits retaining: the same transaction goes on under a new number,
    // but no new transaction is started per statement (only the retaining steps)
    const auto second = id();
    EXPECT_GE(second, first);
    const auto count = databases_.queryTarget(
        "SELECT COUNT(*) FROM MON$TRANSACTIONS T JOIN MON$ATTACHMENTS A ON A.MON$ATTACHMENT_ID = "
        "T.MON$ATTACHMENT_ID WHERE A.MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND A.MON$SYSTEM_FLAG "
        "= 0");
    EXPECT_EQ(count, (Rows{{"1"}}));
    c->endImplicitTransaction();
    EXPECT_EQ(databases_.queryTarget("SELECT COUNT(*) FROM MON$TRANSACTIONS T JOIN MON$ATTACHMENTS "
                                     "A ON A.MON$ATTACHMENT_ID = "
                                     "T.MON$ATTACHMENT_ID WHERE A.MON$ATTACHMENT_ID <> "
                                     "CURRENT_CONNECTION AND A.MON$SYSTEM_FLAG = 0"),
              (Rows{{"0"}}));
    // and a new one starts on the next statement
    c->prepare("INSERT INTO T (ID) VALUES (3)")->execute({});
    EXPECT_EQ(databases_.queryTarget("SELECT COUNT(*) FROM T"), (Rows{{"3"}}));
}

TEST_F(FirebirdDriverTransactions, ExplicitRollbackUndoes) {
    auto c = connectTarget();
    c->prepare("INSERT INTO T (ID, NAME) VALUES (1, 'kept')")->execute({});
    c->startTransaction(db::Isolation::ReadCommitted);
    EXPECT_TRUE(c->inTransaction());
    c->prepare("INSERT INTO T (ID, NAME) VALUES (2, 'undone')")->execute({});
    c->prepare("DELETE FROM T WHERE ID = 1")->execute({});
    EXPECT_EQ(fetchAll(*c, "SELECT ID FROM T").size(), 1u);  // its own changes seen inside
    c->rollback();
    EXPECT_FALSE(c->inTransaction());
    EXPECT_EQ(namesSeenByAnotherAttachment(), (Rows{{"1", "kept"}}));
    EXPECT_THROW(c->rollback(), db::Error);
    EXPECT_THROW(c->commit(), db::Error);
}

TEST_F(FirebirdDriverTransactions, ExplicitCommitKeeps) {
    auto c = connectTarget();
    c->startTransaction(db::Isolation::ReadCommitted);
    EXPECT_THROW(c->startTransaction(db::Isolation::ReadCommitted), db::Error);
    c->prepare("INSERT INTO T (ID, NAME) VALUES (1, 'a')")->execute({});
    c->commit();
    EXPECT_FALSE(c->inTransaction());
    EXPECT_EQ(namesSeenByAnotherAttachment(), (Rows{{"1", "a"}}));
}

TEST_F(FirebirdDriverTransactions, UncommittedChangesOfOneConnectionAreUnseenByAnother) {
    auto writer = connectTarget();
    auto reader = connectTarget();
    writer->startTransaction(db::Isolation::ReadCommitted);
    writer->prepare("INSERT INTO T (ID, NAME) VALUES (1, 'pending')")->execute({});
    EXPECT_TRUE(fetchAll(*reader, "SELECT ID FROM T").empty());
    EXPECT_TRUE(namesSeenByAnotherAttachment().empty());
    EXPECT_FALSE(reader->inTransaction());
    writer->commit();
    EXPECT_EQ(fetchAll(*reader, "SELECT ID FROM T").size(),
              1u);  // read committed implicit transaction
}

// A row another attachment holds locked: without waiting, or once the lock wait
// has run out, the statement is refused (the row's own failure, not the link's),
// and the connection goes on.
TEST_F(FirebirdDriverTransactions, ALockedRowIsRefusedAtOnceWithoutWaitAndAtTheLockTimeoutWithIt) {
    databases_.execTarget("INSERT INTO T (ID, NAME) VALUES (1, 'a')");
    auto holder = connectTarget();
    holder->startTransaction(db::Isolation::ReadCommitted);
    holder->prepare("UPDATE T SET NAME = 'b' WHERE ID = 1")->execute({});
    const struct {
        bool waitOnLocks;
        int lockTimeoutSeconds;
    } cases[] = {{false, 0}, {true, 1}};
    for (const auto& c : cases) {
        db::ConnectOptions o = optionsFor(databases_.targetPath());
        o.waitOnLocks = c.waitOnLocks;
        o.lockTimeoutSeconds = c.lockTimeoutSeconds;
        auto other = connectTarget(&o);
        try {
            other->prepare("UPDATE T SET NAME = 'c' WHERE ID = 1")->execute({});
            ADD_FAILURE() << "no conflict";
        } catch (const db::Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(
                          "deadlock\n-update conflicts with concurrent update", 0),
                      0u)
                << e.what();
            EXPECT_EQ(e.kind(), db::ErrorKind::Refused) << e.what();
        }
        EXPECT_TRUE(other->isConnected());
        other->prepare("UPDATE T SET NAME = 'free' WHERE ID = 2")->execute({});
    }
    holder->rollback();
}

TEST_F(FirebirdDriverTransactions, StatementPreparedInOneTransactionRunsInALaterOne) {
    auto c = connectTarget();
    c->startTransaction(db::Isolation::ReadCommitted);
    auto insert = c->prepare("INSERT INTO T (ID, NAME) VALUES (?, ?)");
    auto select = c->prepare("SELECT NAME FROM T WHERE ID = ?");
    insert->execute(params({db::Value::integer(1), db::Value::text("first")}));
    c->commit();
    c->startTransaction(db::Isolation::RepeatableRead);
    insert->execute(params({db::Value::integer(2), db::Value::text("second")}));
    c->rollback();
    insert->execute(params({db::Value::integer(3), db::Value::text("implicit")}));  // and outside
    c->startTransaction(db::Isolation::DirtyRead);
    auto cursor = select->openCursor(params({db::Value::integer(3)}));
    std::vector<db::Value> row;
    ASSERT_TRUE(cursor->fetch(row));
    EXPECT_EQ(row[0], db::Value::text("implicit"));
    cursor.reset();
    c->commit();
    EXPECT_EQ(namesSeenByAnotherAttachment(), (Rows{{"1", "first"}, {"3", "implicit"}}));
}

TEST_F(FirebirdDriverTransactions, StartingAnExplicitTransactionEndsTheImplicitOne) {
    auto c = connectTarget();
    c->prepare("INSERT INTO T (ID) VALUES (1)")->execute({});
    c->startTransaction(db::Isolation::RepeatableRead);
    c->prepare("INSERT INTO T (ID) VALUES (2)")->execute({});
    c->rollback();
    EXPECT_EQ(databases_.queryTarget("SELECT ID FROM T"), (Rows{{"1"}}));
}

TEST_F(FirebirdDriverTransactions, CommitRetainKeepsTheTransactionForTheNextStart) {
    db::ConnectOptions o = optionsFor(databases_.targetPath());
    o.commitRetain = true;
    auto c = connectTarget(&o);
    c->startTransaction(db::Isolation::ReadCommitted);
    c->prepare("INSERT INTO T (ID) VALUES (1)")->execute({});
    c->commit();
    EXPECT_FALSE(c->inTransaction());
    EXPECT_EQ(databases_.queryTarget("SELECT ID FROM T"), (Rows{{"1"}}));
    c->startTransaction(db::Isolation::ReadCommitted);
    c->prepare("INSERT INTO T (ID) VALUES (2)")->execute({});
    c->rollback();
    EXPECT_EQ(databases_.queryTarget("SELECT ID FROM T"), (Rows{{"1"}}));
    c->disconnect();
}

TEST_F(FirebirdDriverTransactions, DisconnectRollsBackAnOpenExplicitTransaction) {
    auto c = connectTarget();
    c->prepare("INSERT INTO T (ID) VALUES (1)")->execute({});
    c->startTransaction(db::Isolation::ReadCommitted);
    c->prepare("INSERT INTO T (ID) VALUES (2)")->execute({});
    c->disconnect();
    EXPECT_EQ(databases_.queryTarget("SELECT ID FROM T"), (Rows{{"1"}}));
}

TEST_F(FirebirdDriverTransactions, UniqueKeyViolationGivesTheServersMessage) {
    auto c = connectTarget();
    auto insert = c->prepare("INSERT INTO T (ID, NAME) VALUES (?, ?)");
    insert->execute(params({db::Value::integer(1), db::Value::text("a")}));
    try {
        insert->execute(params({db::Value::integer(1), db::Value::text("b")}));
        FAIL() << "inserted twice";
    } catch (const db::Error& e) {
        const std::string m = e.what();
        EXPECT_EQ(m.rfind("violation of PRIMARY or UNIQUE KEY constraint \"", 0), 0u) << m;
        EXPECT_NE(m.find("on table \"T\"\n-Problematic key value is (\"ID\" = 1)"),
                  std::string::npos)
            << m;
    }
    // the connection carries on, the failed statement undone
    insert->execute(params({db::Value::integer(2), db::Value::text("c")}));
    EXPECT_EQ(namesSeenByAnotherAttachment(), (Rows{{"1", "a"}, {"2", "c"}}));
}

TEST_F(FirebirdDriverTransactions, SyntaxErrorAtPrepareGivesTheServersMessage) {
    auto c = connectTarget();
    try {
        c->prepare("SELEC * FROM T");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(
            std::string(e.what()),
            "Dynamic SQL Error\n-SQL error code = -104\n-Token unknown - line 1, column 1\n-SELEC");
    }
    try {
        c->prepare("SELECT * FROM NOSUCHTABLE");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_NE(std::string(e.what()).find("Table unknown\n-NOSUCHTABLE"), std::string::npos)
            << e.what();
    }
}

TEST_F(FirebirdDriverTransactions, DdlInTheImplicitTransaction) {
    auto c = connectTarget();
    c->prepare("CREATE TABLE U (A INTEGER)")->execute({});
    c->prepare("INSERT INTO U VALUES (5)")->execute({});
    EXPECT_EQ(databases_.queryTarget("SELECT A FROM U"), (Rows{{"5"}}));
}

}  // namespace
}  // namespace fbtest
