// Reading through a client dataset: rows and position, field values as text for
// every column type the databases use, field names on joins, field errors.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/ClientDataSet.h"
#include "tests/db/DataSetTestSupport.h"

namespace {

using dstest::errorOf;

const char* const kSourceSql = "CREATE TABLE UNUSED (ID INTEGER);\n";

const char* const kTargetSql = R"sql(
CREATE TABLE TYPES (
  ID INTEGER NOT NULL PRIMARY KEY,
  C_SMALL SMALLINT,
  C_INT INTEGER,
  C_BIG BIGINT,
  C_NUM NUMERIC(15,4),
  C_NUM9 NUMERIC(9,2),
  C_NUM4 NUMERIC(4,1),
  C_DEC DECIMAL(18,2),
  C_DOUBLE DOUBLE PRECISION,
  C_DATE DATE,
  C_TIME TIME,
  C_TS TIMESTAMP,
  C_CHAR CHAR(6),
  C_VARCHAR VARCHAR(40),
  C_TEXT BLOB SUB_TYPE TEXT
);
INSERT INTO TYPES VALUES (1, -32768, 2147483647, 9223372036854775807, 12.5, -0.25, 12.3, 100,
  0.1, '2005-03-01', '09:30:05', '2005-03-01 00:00:00', 'ab', 'tail  ', 'plain text');
INSERT INTO TYPES VALUES (2, 32767, -2147483647, -1234567890123, 0.0001, 1234567.89, -0.5, -7.05,
  1e20, '1999-12-31', '23:59:59.9999', '2005-03-01 09:30:05', '商品', '中文資料', '第一行
second line');
INSERT INTO TYPES (ID) VALUES (3);

CREATE TABLE DOUBLES (ID INTEGER NOT NULL PRIMARY KEY, D DOUBLE PRECISION);
INSERT INTO DOUBLES VALUES (1, 1e0 / 3);
INSERT INTO DOUBLES VALUES (2, 0.00001);
INSERT INTO DOUBLES VALUES (3, 0.0001);
INSERT INTO DOUBLES VALUES (4, 123456789012345);
INSERT INTO DOUBLES VALUES (5, 1e15);
INSERT INTO DOUBLES VALUES (6, -1.5e-7);
INSERT INTO DOUBLES VALUES (7, 2.5);
INSERT INTO DOUBLES VALUES (8, 0);
INSERT INTO DOUBLES VALUES (9, -100);

CREATE TABLE PRODUCT (PROD_ID VARCHAR(10) NOT NULL PRIMARY KEY, NAME VARCHAR(20));
CREATE TABLE PRODUCT_WAIT (PROD_ID VARCHAR(10) NOT NULL, STORE_ID VARCHAR(4), NAME VARCHAR(20));
CREATE TABLE PROD_SALE (PROD_ID VARCHAR(10) NOT NULL, NAME VARCHAR(20));
CREATE TABLE PROD_LINK (PROD_ID VARCHAR(10) NOT NULL, PROD_ID_1 VARCHAR(10));
INSERT INTO PRODUCT VALUES ('P1', 'product');
INSERT INTO PRODUCT_WAIT VALUES ('P1', 'S01', 'wait');
INSERT INTO PROD_SALE VALUES ('P1', 'sale');
INSERT INTO PROD_LINK VALUES ('P1', 'linked');
)sql";

class DataSetRead : public ::testing::Test {
  protected:
    DataSetRead() : world(kSourceSql, kTargetSql) {}

    db::ClientDataSet& openTarget(const std::string& sql) {
        db::ClientDataSet& ds = world.form.CDS_T1;
        ds.close();
        ds.setCommandText(sql);
        ds.open();
        return ds;
    }
    std::vector<std::string> fieldNames(db::ClientDataSet& ds) {
        std::vector<std::string> names;
        for (int i = 0; i < ds.fieldCount(); ++i) names.push_back(ds.fields(i).fieldName());
        return names;
    }

    dstest::World world;
};

TEST_F(DataSetRead, EveryColumnTypeAsText) {
    db::ClientDataSet& ds = openTarget("SELECT * FROM TYPES ORDER BY ID");
    ASSERT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(fieldNames(ds),
              (std::vector<std::string>{"ID", "C_SMALL", "C_INT", "C_BIG", "C_NUM", "C_NUM9",
                                        "C_NUM4", "C_DEC", "C_DOUBLE", "C_DATE", "C_TIME", "C_TS",
                                        "C_CHAR", "C_VARCHAR", "C_TEXT"}));
    auto text = [&](const char* name) { return ds.fieldByName(name).asString(); };

    EXPECT_EQ(text("ID"), "1");
    EXPECT_EQ(text("C_SMALL"), "-32768");
    EXPECT_EQ(text("C_INT"), "2147483647");
    EXPECT_EQ(text("C_BIG"), "9223372036854775807");
    EXPECT_EQ(text("C_NUM"), "12.5");
    EXPECT_EQ(text("C_NUM9"), "-0.25");
    EXPECT_EQ(text("C_NUM4"), "12.3");
    EXPECT_EQ(text("C_DEC"), "100");
    EXPECT_EQ(text("C_DOUBLE"), "0.1");
    EXPECT_EQ(text("C_DATE"), "2005/03/01");
    EXPECT_EQ(text("C_TIME"), "09:30:05");
    EXPECT_EQ(text("C_TS"), "2005/03/01");  // midnight: the date alone
    EXPECT_EQ(text("C_CHAR"), "ab    ");
    EXPECT_EQ(text("C_VARCHAR"), "tail  ");
    EXPECT_EQ(text("C_TEXT"), "plain text");

    ds.next();
    EXPECT_EQ(text("ID"), "2");
    EXPECT_EQ(text("C_SMALL"), "32767");
    EXPECT_EQ(text("C_INT"), "-2147483647");
    EXPECT_EQ(text("C_BIG"), "-1234567890123");
    EXPECT_EQ(text("C_NUM"), "0.0001");
    EXPECT_EQ(text("C_NUM9"), "1234567.89");
    EXPECT_EQ(text("C_NUM4"), "-0.5");
    EXPECT_EQ(text("C_DEC"), "-7.05");
    EXPECT_EQ(text("C_DOUBLE"), "1E20");
    EXPECT_EQ(text("C_DATE"), "1999/12/31");
    EXPECT_EQ(text("C_TIME"), "23:59:59");
    EXPECT_EQ(text("C_TS"), "2005/03/01 09:30:05");
    EXPECT_EQ(text("C_CHAR"), "商品    ");  // six characters, four of them blanks
    EXPECT_EQ(text("C_VARCHAR"), "中文資料");
    EXPECT_EQ(text("C_TEXT"), "第一行\nsecond line");

    ds.next();
    EXPECT_EQ(text("ID"), "3");
    for (int i = 1; i < ds.fieldCount(); ++i) {
        SCOPED_TRACE(ds.fields(i).fieldName());
        EXPECT_TRUE(ds.fields(i).isNull());
        EXPECT_TRUE(ds.fields(i).value().isNull());
        EXPECT_EQ(ds.fields(i).asString(), "");
    }
}

TEST_F(DataSetRead, TypedValuesAndNumbers) {
    db::ClientDataSet& ds = openTarget("SELECT * FROM TYPES WHERE ID = 1");
    EXPECT_EQ(ds.fieldByName("C_INT").asInteger(), 2147483647);
    EXPECT_EQ(ds.fieldByName("C_BIG").asInteger(), 9223372036854775807LL);
    EXPECT_DOUBLE_EQ(ds.fieldByName("C_NUM").asFloat(), 12.5);
    EXPECT_DOUBLE_EQ(ds.fieldByName("C_DOUBLE").asFloat(), 0.1);
    EXPECT_EQ(ds.fieldByName("C_NUM").value(), db::Value::decimal({125000, -4}));
    EXPECT_EQ(ds.fieldByName("C_DATE").value(), db::Value::date({2005, 3, 1}));
    EXPECT_EQ(ds.fieldByName("C_TS").value(), db::Value::timestamp({{2005, 3, 1}, {0, 0, 0, 0}}));
    EXPECT_EQ(ds.fieldByName("C_SMALL").value().kind(), db::ValueKind::SmallInt);

    ds.close();
    openTarget("SELECT * FROM TYPES WHERE ID = 3");
    EXPECT_EQ(ds.fieldByName("C_INT").asInteger(), 0);
    EXPECT_EQ(ds.fieldByName("C_DOUBLE").asFloat(), 0.0);
}

// General format, at most 15 significant digits, exponent form outside the plain range.
TEST_F(DataSetRead, DoublesInGeneralFormat) {
    db::ClientDataSet& ds = openTarget("SELECT D FROM DOUBLES ORDER BY ID");
    std::vector<std::string> texts;
    for (ds.first(); !ds.eof(); ds.next()) texts.push_back(ds.fieldByName("D").asString());
    EXPECT_EQ(texts,
              (std::vector<std::string>{"0.333333333333333", "1E-5", "0.0001", "123456789012345",
                                        "1E15", "-1.5E-7", "2.5", "0", "-100"}));
}

TEST_F(DataSetRead, LongTextBlobIsReadWhole) {
    // 1,000 characters doubled seven times: 128,000 characters in several segments.
    std::string piece;
    for (int i = 0; i < 100; ++i) piece += "0123456中文";  // 10 characters, 13 bytes
    world.dbs.execTarget("INSERT INTO TYPES (ID, C_TEXT) VALUES (10, '" + piece + "')");
    for (int i = 0; i < 7; ++i)
        world.dbs.execTarget("UPDATE TYPES SET C_TEXT = C_TEXT || C_TEXT WHERE ID = 10");
    std::string expected;
    for (int i = 0; i < 128; ++i) expected += piece;

    db::ClientDataSet& ds = openTarget("SELECT C_TEXT FROM TYPES WHERE ID = 10");
    const std::string value = ds.fieldByName("C_TEXT").asString();
    EXPECT_EQ(value.size(), expected.size());
    EXPECT_TRUE(value == expected);
}

TEST_F(DataSetRead, EmptyResultIsAtTheEndAtOnce) {
    db::ClientDataSet& ds = openTarget("SELECT * FROM TYPES WHERE ID = -1");
    EXPECT_TRUE(ds.active());
    EXPECT_EQ(ds.recordCount(), 0);
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.fieldCount(), 15);
    EXPECT_EQ(ds.fieldByName("C_TEXT").asString(), "");
}

TEST_F(DataSetRead, NextPastTheLastRowStaysOnIt) {
    db::ClientDataSet& ds = openTarget("SELECT ID FROM TYPES ORDER BY ID");
    EXPECT_FALSE(ds.eof());
    EXPECT_EQ(ds.fieldByName("ID").asString(), "1");
    ds.next();
    ds.next();
    EXPECT_FALSE(ds.eof());
    EXPECT_EQ(ds.fieldByName("ID").asString(), "3");
    ds.next();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.fieldByName("id").asString(), "3");
    ds.first();
    EXPECT_FALSE(ds.eof());
    EXPECT_EQ(ds.fieldByName("ID").asString(), "1");
}

// The first column of a name keeps it; later ones get "_1", "_2", ... whichever is free.
TEST_F(DataSetRead, RepeatedColumnsOfAJoinAreNumbered) {
    db::ClientDataSet& ds = openTarget(
        "SELECT * FROM PRODUCT P JOIN PRODUCT_WAIT W ON W.PROD_ID = P.PROD_ID "
        "JOIN PROD_SALE S ON S.PROD_ID = P.PROD_ID");
    EXPECT_EQ(fieldNames(ds), (std::vector<std::string>{"PROD_ID", "NAME", "PROD_ID_1", "STORE_ID",
                                                        "NAME_1", "PROD_ID_2", "NAME_2"}));
    EXPECT_EQ(ds.fieldByName("name").asString(), "product");
    EXPECT_EQ(ds.fieldByName("NAME_1").asString(), "wait");
    EXPECT_EQ(ds.fieldByName("Name_2").asString(), "sale");
}

TEST_F(DataSetRead, NumberingSkipsANameTheResultAlreadyHas) {
    db::ClientDataSet& ds = openTarget(
        "SELECT L.PROD_ID, L.PROD_ID_1, P.PROD_ID, P.NAME FROM PROD_LINK L "
        "JOIN PRODUCT P ON P.PROD_ID = L.PROD_ID");
    EXPECT_EQ(fieldNames(ds),
              (std::vector<std::string>{"PROD_ID", "PROD_ID_1", "PROD_ID_2", "NAME"}));
    EXPECT_EQ(ds.fieldByName("PROD_ID_1").asString(), "linked");
    EXPECT_EQ(ds.fieldByName("PROD_ID_2").asString(), "P1");
}

TEST_F(DataSetRead, MissingFieldCarriesTheDatasetsName) {
    db::ClientDataSet& ds = openTarget("SELECT * FROM PRODUCT");
    EXPECT_EQ(errorOf([&] { ds.fieldByName("NOPE"); }), "CDS_T1: Field 'NOPE' not found");
    EXPECT_EQ(ds.findField("nope"), nullptr);
    EXPECT_NE(ds.findField("prod_id"), nullptr);

    db::ClientDataSet& other = world.form.CDS_ReadS;
    other.setCommandText("SELECT * FROM UNUSED");
    other.open();
    EXPECT_EQ(errorOf([&] { other.fieldByName("Prod_Id"); }),
              "CDS_ReadS: Field 'Prod_Id' not found");
}

// A failed open leaves the dataset closed, with the database's message.
TEST_F(DataSetRead, FailedOpenLeavesTheDatasetClosed) {
    db::ClientDataSet& ds = world.form.CDS_T1;
    ds.setCommandText("SELECT * FROM NO_SUCH_TABLE");
    EXPECT_THAT(errorOf([&] { ds.open(); }), ::testing::HasSubstr("NO_SUCH_TABLE"));
    EXPECT_FALSE(ds.active());
    ds.setCommandText("SELECT * FROM PRODUCT");
    ds.open();
    EXPECT_EQ(ds.recordCount(), 1);
}

// A query that fails while its rows are fetched (the second row divides by zero)
// leaves nothing behind for the next open.
TEST_F(DataSetRead, FailureWhileFetchingLeavesNoRowsBehind) {
    db::ClientDataSet& ds = world.form.CDS_T1;
    ds.setCommandText("SELECT 10 / (ID - 2) AS Q, ID FROM TYPES ORDER BY ID");
    EXPECT_THAT(errorOf([&] { ds.open(); }), ::testing::HasSubstr("divide by zero"));
    EXPECT_FALSE(ds.active());
    ds.setCommandText("SELECT ID FROM TYPES ORDER BY ID");
    ds.open();
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.fieldCount(), 1);
    EXPECT_EQ(ds.fieldByName("ID").asString(), "1");
}

}  // namespace
