// Writing a client dataset's changes back: inserts, edits located by their old
// values, and the failures that are counted instead of raised.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/ClientDataSet.h"
#include "tests/db/DataSetTestSupport.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::Rows;

const char* const kSourceSql = "CREATE TABLE UNUSED (ID INTEGER);\n";

// ITEM has a column of each kind a located row may hold, a BLOB (never used to
// locate), a default (to tell a written null from an omitted column) and a computed
// column (never written).
const char* const kTargetSql = R"sql(
CREATE TABLE ITEM (
  ID INTEGER NOT NULL PRIMARY KEY,
  NAME VARCHAR(30),
  PRICE DOUBLE PRECISION,
  QTY NUMERIC(15,4),
  COST NUMERIC(9,2),
  NOTE VARCHAR(20),
  TAG CHAR(6),
  KIND VARCHAR(10) DEFAULT 'dflt',
  MADE TIMESTAMP,
  OPENS TIME,
  DAY_ DATE,
  COUNTER BIGINT,
  MEMO BLOB SUB_TYPE TEXT,
  TOTAL COMPUTED BY (QTY * 2)
);
INSERT INTO ITEM (ID, NAME, PRICE, QTY, COST, NOTE, TAG, KIND, MADE, OPENS, DAY_, COUNTER, MEMO)
  VALUES (1, 'first', 1e0 / 3, 12.5, 3.25, NULL, '商品', 'k1', '2005-03-01 09:30:05.1234',
          '09:30:05.5', '2005-03-01', 9007199254740993, 'memo one');
INSERT INTO ITEM (ID, NAME, PRICE, QTY, COST, NOTE, TAG, KIND, MADE, OPENS, DAY_, COUNTER, MEMO)
  VALUES (2, 'second', 0.1, 0.0001, -1.5, 'note', 'ab', 'k2', '2005-03-01 00:00:00',
          '00:00:00', '1999-12-31', -5, 'memo two');
INSERT INTO ITEM (ID, NAME) VALUES (3, 'nulls');
INSERT INTO ITEM (ID, NAME, PRICE) VALUES (4, 'double', 1e20);
INSERT INTO ITEM (ID, NAME, QTY, COST) VALUES (5, 'numeric', 99999999999.9999, -0.01);
INSERT INTO ITEM (ID, NAME, PRICE, TAG) VALUES (6, 'seventh', 1e0 / 7, '      ');

CREATE TABLE TWINS (ID INTEGER, S VARCHAR(10));
INSERT INTO TWINS VALUES (1, 'same');
INSERT INTO TWINS VALUES (1, 'same');
INSERT INTO TWINS VALUES (2, 'other');
)sql";

const char* const kAllColumns =
    "SELECT ID, NAME, PRICE, QTY, COST, NOTE, TAG, KIND, MADE, OPENS, DAY_, COUNTER, MEMO, TOTAL "
    "FROM ITEM";

class DataSetApply : public ::testing::Test {
  protected:
    DataSetApply() : world(kSourceSql, kTargetSql) {}

    db::ClientDataSet& openItem(const std::string& where) {
        db::ClientDataSet& ds = world.form.CDS_T1;
        ds.close();
        ds.setCommandText("SELECT * FROM ITEM WHERE " + where);
        ds.open();
        return ds;
    }
    Rows item(int id) {
        return world.dbs.queryTarget(std::string(kAllColumns) +
                                     " WHERE ID = " + std::to_string(id));
    }

    dstest::World world;
};

TEST_F(DataSetApply, InsertWritesEveryColumnNullsIncluded) {
    db::ClientDataSet& ds = openItem("ID = -1");
    ASSERT_EQ(ds.recordCount(), 0);
    ds.insert();
    ds.fieldByName("ID").setValue(db::Value::integer(10));
    ds.fieldByName("NAME").setAsString("新品 new");
    ds.fieldByName("PRICE").setValue(db::Value::real(0.1));
    ds.fieldByName("QTY").setValue(db::Value::decimal({125000, -4}));
    ds.fieldByName("COST").setAsString("3.25");
    ds.fieldByName("TAG").setAsString("商品");
    ds.fieldByName("KIND").setValue(db::Value::null());
    ds.fieldByName("MADE").setValue(db::Value::timestamp({{2005, 3, 1}, {9, 30, 5, 0}}));
    ds.fieldByName("OPENS").setValue(db::Value::time({9, 30, 5, 0}));
    ds.fieldByName("DAY_").setAsString("2005/03/01");
    ds.fieldByName("COUNTER").setValue(db::Value::bigInt(9007199254740993LL));
    ds.fieldByName("MEMO").setAsString("第一行\nline two");
    ds.post();
    EXPECT_TRUE(ds.modified());
    EXPECT_EQ(ds.fieldByName("ID").asString(), "10");  // the posted row is the current one

    EXPECT_EQ(ds.applyUpdates(0), 0);
    EXPECT_TRUE(ds.lastApplyErrors().empty());
    EXPECT_FALSE(ds.modified());
    EXPECT_EQ(ds.recordCount(), 1);
    // NOTE was never set and KIND was set to null: both are written as null, so
    // KIND's default does not apply. TOTAL is computed by the database.
    EXPECT_EQ(item(10), (Rows{{"10", "新品 new", "0.1", "12.5", "3.25", "<null>", "商品", "<null>",
                               "2005/03/01 09:30:05", "09:30:05", "2005/03/01", "9007199254740993",
                               "第一行\nline two", "25"}}));
    // A second apply has nothing left to write.
    EXPECT_EQ(ds.applyUpdates(0), 0);
    EXPECT_EQ(world.dbs.queryTarget("SELECT COUNT(*) FROM ITEM"), (Rows{{"7"}}));
}

// The UPDATE sets the changed column only: a BLOB changed elsewhere in between
// survives it (BLOBs do not take part in locating the row).
TEST_F(DataSetApply, EditWritesOnlyTheChangedColumn) {
    const Rows before = item(1);
    db::ClientDataSet& ds = openItem("ID = 1");
    world.dbs.execTarget("UPDATE ITEM SET MEMO = 'changed elsewhere' WHERE ID = 1");

    ds.edit();
    ds.fieldByName("NAME").setAsString("renamed");
    ds.post();
    EXPECT_EQ(ds.applyUpdates(0), 0);
    EXPECT_TRUE(ds.lastApplyErrors().empty());
    EXPECT_FALSE(ds.modified());

    Rows expected = before;
    expected[0][1] = "renamed";
    expected[0][12] = "changed elsewhere";
    EXPECT_EQ(item(1), expected);
    // The other rows are untouched.
    EXPECT_EQ(
        world.dbs.queryTarget("SELECT ID, NAME FROM ITEM WHERE ID <> 1 ORDER BY ID"),
        (Rows{
            {"2", "second"}, {"3", "nulls"}, {"4", "double"}, {"5", "numeric"}, {"6", "seventh"}}));
}

// Each row holds old values that only match when bound as they were read: nulls
// (IS NULL), doubles that no 15-digit text gives back, scaled numerics, CHAR with
// Chinese text and its padding, timestamps and times with fractions of a second.
TEST_F(DataSetApply, RowIsLocatedByEveryOldValue) {
    for (int id : {1, 2, 3, 4, 5, 6}) {
        SCOPED_TRACE("ID " + std::to_string(id));
        db::ClientDataSet& ds = openItem("ID = " + std::to_string(id));
        ds.edit();
        ds.fieldByName("NAME").setAsString("edited " + std::to_string(id));
        ds.post();
        EXPECT_EQ(ds.applyUpdates(0), 0);
        EXPECT_THAT(ds.lastApplyErrors(), ::testing::IsEmpty());
        EXPECT_EQ(world.dbs.queryTarget("SELECT NAME FROM ITEM WHERE ID = " + std::to_string(id)),
                  (Rows{{"edited " + std::to_string(id)}}));
    }
}

// Several columns, among them a null set to a value and a value set to null.
TEST_F(DataSetApply, EditOfSeveralColumnsIncludingNulls) {
    db::ClientDataSet& ds = openItem("ID = 1");
    ds.edit();
    ds.fieldByName("NOTE").setAsString("now set");
    ds.fieldByName("PRICE").setValue(db::Value::null());
    ds.fieldByName("QTY").setValue(db::Value::real(2.5));
    ds.post();
    EXPECT_EQ(ds.applyUpdates(0), 0);
    EXPECT_EQ(world.dbs.queryTarget("SELECT NOTE, PRICE, QTY, TOTAL, NAME FROM ITEM WHERE ID = 1"),
              (Rows{{"now set", "<null>", "2.5", "5", "first"}}));

    // The same row again, now from its new values.
    openItem("ID = 1");
    ds.edit();
    ds.fieldByName("NOTE").setValue(db::Value::null());
    ds.post();
    EXPECT_EQ(ds.applyUpdates(0), 0);
    EXPECT_EQ(world.dbs.queryTarget("SELECT NOTE, PRICE FROM ITEM WHERE ID = 1"),
              (Rows{{"<null>", "<null>"}}));
}

TEST_F(DataSetApply, ApplyPostsTheRowBeingEdited) {
    db::ClientDataSet& ds = openItem("ID = 2");
    ds.edit();
    ds.fieldByName("NAME").setAsString("unposted");
    EXPECT_EQ(ds.applyUpdates(0), 0);
    EXPECT_EQ(world.dbs.queryTarget("SELECT NAME FROM ITEM WHERE ID = 2"), (Rows{{"unposted"}}));
    EXPECT_EQ(ds.fieldByName("NAME").asString(), "unposted");
}

// Another connection changed (or removed) the row after it was read: nothing is
// written, nothing is raised, the failure is counted and its message kept; the
// change is dropped when the dataset closes.
TEST_F(DataSetApply, RowChangedByAnotherConnectionIsCountedNotRaised) {
    struct Meanwhile {
        const char* what;
        const char* sql;
        Rows after;
    };
    const Meanwhile cases[] = {
        {"changed", "UPDATE ITEM SET PRICE = 0.2 WHERE ID = 2", Rows{{"second", "0.2"}}},
        {"changed a CHAR", "UPDATE ITEM SET TAG = 'ab x' WHERE ID = 2", Rows{{"second", "0.1"}}},
        {"deleted", "DELETE FROM ITEM WHERE ID = 2", Rows{}},
    };
    for (const Meanwhile& c : cases) {
        SCOPED_TRACE(c.what);
        world.dbs.execTarget("DELETE FROM ITEM WHERE ID = 2");
        world.dbs.execTarget(
            "INSERT INTO ITEM (ID, NAME, PRICE, QTY, COST, NOTE, TAG, KIND) "
            "VALUES (2, 'second', 0.1, 0.0001, -1.5, 'note', 'ab', 'k2')");
        db::ClientDataSet& ds = openItem("ID = 2");
        // The other connection: the window's second connection to the target.
        world.form.SQL_Master.clearSql();
        world.form.SQL_Master.addSql(c.sql);
        world.form.SQL_Master.execSQL();

        ds.edit();
        ds.fieldByName("NAME").setAsString("mine");
        ds.post();
        int failures = -1;
        EXPECT_NO_THROW(failures = ds.applyUpdates(0));
        EXPECT_EQ(failures, 1);
        EXPECT_THAT(ds.lastApplyErrors(),
                    ElementsAre("Record not found or changed by another user"));
        EXPECT_EQ(world.dbs.queryTarget("SELECT NAME, PRICE FROM ITEM WHERE ID = 2"), c.after);
        EXPECT_TRUE(ds.modified());

        ds.close();
        EXPECT_FALSE(ds.modified());
        openItem("ID = 2");
        EXPECT_EQ(ds.applyUpdates(0), 0);
    }
}

TEST_F(DataSetApply, DuplicateKeyIsCountedWithTheDatabasesMessage) {
    db::ClientDataSet& ds = openItem("ID = -1");
    ds.insert();
    ds.fieldByName("ID").setValue(db::Value::integer(2));
    ds.fieldByName("NAME").setAsString("duplicate");
    ds.post();
    int failures = -1;
    EXPECT_NO_THROW(failures = ds.applyUpdates(0));
    EXPECT_EQ(failures, 1);
    ASSERT_EQ(ds.lastApplyErrors().size(), 1u);
    EXPECT_THAT(ds.lastApplyErrors()[0],
                HasSubstr("violation of PRIMARY or UNIQUE KEY constraint"));
    EXPECT_THAT(ds.lastApplyErrors()[0], HasSubstr("\"ITEM\""));
    EXPECT_EQ(world.dbs.queryTarget("SELECT NAME FROM ITEM WHERE ID = 2"), (Rows{{"second"}}));
    EXPECT_EQ(world.dbs.queryTarget("SELECT COUNT(*) FROM ITEM"), (Rows{{"6"}}));
    EXPECT_TRUE(ds.modified());

    // The connection carries on: the next row is written.
    ds.close();
    openItem("ID = -1");
    ds.insert();
    ds.fieldByName("ID").setValue(db::Value::integer(20));
    ds.post();
    EXPECT_EQ(ds.applyUpdates(0), 0);
    EXPECT_EQ(world.dbs.queryTarget("SELECT ID, KIND FROM ITEM WHERE ID = 20"),
              (Rows{{"20", "<null>"}}));
}

// Two equal rows in a table without a key: the UPDATE would change both. The change
// fails, and neither row keeps the new value.
TEST_F(DataSetApply, UpdateOfMoreThanOneRowFailsAndWritesNothing) {
    db::ClientDataSet& ds = world.form.CDS_T1;
    ds.setCommandText("SELECT * FROM TWINS WHERE ID = 1");
    ds.open();
    ASSERT_EQ(ds.recordCount(), 2);
    ds.edit();
    ds.fieldByName("S").setAsString("changed");
    ds.post();
    int failures = -1;
    EXPECT_NO_THROW(failures = ds.applyUpdates(0));
    EXPECT_EQ(failures, 1);
    EXPECT_THAT(ds.lastApplyErrors(), ElementsAre("Update affected more than 1 record."));
    EXPECT_EQ(world.dbs.queryTarget("SELECT ID, S FROM TWINS ORDER BY ID"),
              (Rows{{"1", "same"}, {"1", "same"}, {"2", "other"}}));
}

// With several changes and max errors 0, one failure undoes the apply as a whole.
TEST_F(DataSetApply, FailureAmongSeveralChangesWritesNone) {
    db::ClientDataSet& ds = openItem("ID = -1");
    ds.insert();
    ds.fieldByName("ID").setValue(db::Value::integer(11));
    ds.post();
    ds.insert();
    ds.fieldByName("ID").setValue(db::Value::integer(1));
    ds.post();
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(ds.fieldByName("ID").asString(), "1");
    EXPECT_EQ(ds.applyUpdates(0), 1);
    EXPECT_EQ(ds.lastApplyErrors().size(), 1u);
    EXPECT_EQ(world.dbs.queryTarget("SELECT COUNT(*) FROM ITEM WHERE ID = 11"), (Rows{{"0"}}));
    EXPECT_TRUE(ds.modified());
    EXPECT_FALSE(world.form.SQLCon_Target.inTransaction());
}

// The table written is the one after FROM, whatever the letter case of the text.
TEST_F(DataSetApply, TableIsTheOneAfterFrom) {
    db::ClientDataSet& ds = world.form.CDS_T1;
    ds.setCommandText("select id, name from item where ID = 3");
    ds.open();
    ds.edit();
    ds.fieldByName("name").setAsString("lower case text");
    ds.post();
    EXPECT_EQ(ds.applyUpdates(0), 0);
    EXPECT_EQ(world.dbs.queryTarget("SELECT NAME FROM ITEM WHERE ID = 3"),
              (Rows{{"lower case text"}}));
}

}  // namespace

namespace {

// In dialect 1 a double-quoted name is a string literal, so the write-back names
// its table and columns bare there.
TEST(DataSetApplyDialect1, InsertAndEditAreWrittenWithBareNames) {
    dstest::World world("CREATE TABLE UNUSED (ID INTEGER);\n",
                        "CREATE TABLE PING (ID INTEGER NOT NULL PRIMARY KEY, S VARCHAR(20));\n"
                        "INSERT INTO PING VALUES (1, 'one');\n");
    dstest::writeText(world.files.connectionsFile,
                      dstest::replaced(dstest::readText(world.files.connectionsFile),
                                       "SQLDialect=3", "SQLDialect=1"));
    db::ClientDataSet& ds = world.form.CDS_T1;
    ds.setCommandText("SELECT * FROM ping WHERE ID = 1");
    ds.open();
    ds.edit();
    ds.fieldByName("S").setAsString("edited");
    ds.post();
    ds.insert();
    ds.fieldByName("ID").setValue(db::Value::integer(2));
    ds.fieldByName("S").setAsString("inserted");
    ds.post();

    EXPECT_EQ(ds.applyUpdates(-1), 0)
        << (ds.lastApplyErrors().empty() ? "" : ds.lastApplyErrors()[0]);
    EXPECT_EQ(world.dbs.queryTarget("SELECT ID, S FROM PING ORDER BY ID"),
              (Rows{{"1", "edited"}, {"2", "inserted"}}));
}

}  // namespace
