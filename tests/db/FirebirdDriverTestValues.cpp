// Column metadata and values fetched natively, for every column type the schema may use.
#include "tests/db/FirebirdDriverTestFixture.h"

namespace fbtest {
namespace {

const char* const kAllTypes = R"(
CREATE TABLE V (
  ID INTEGER NOT NULL PRIMARY KEY,
  C_SMALL SMALLINT,
  C_INT INTEGER,
  C_BIG BIGINT,
  C_N154 NUMERIC(15,4),
  C_N92 NUMERIC(9,2),
  C_N42 NUMERIC(4,2),
  C_DBL DOUBLE PRECISION,
  C_FLT FLOAT,
  C_DATE DATE,
  C_TIME TIME,
  C_TS TIMESTAMP,
  C_CHAR CHAR(6),
  C_VC VARCHAR(20),
  C_BLOB BLOB SUB_TYPE TEXT,
  C_BIN BLOB SUB_TYPE BINARY,
  C_BOOL BOOLEAN,
  C_CALC COMPUTED BY (C_INT * 2)
);
INSERT INTO V (ID, C_SMALL, C_INT, C_BIG, C_N154, C_N92, C_N42, C_DBL, C_FLT, C_DATE, C_TIME, C_TS,
               C_CHAR, C_VC, C_BLOB, C_BIN, C_BOOL)
VALUES (1, -32768, 2147483647, 9223372036854775807, 12345678901.2345, -1234567.89, 12.5,
        0.1, 1.5, '2005-03-01', '23:59:58.1234', '2026-12-09 07:47:28.576',
        'ab', 'Grüße', 'a text blob, 中文', x'00FF10', TRUE);
INSERT INTO V (ID, C_CHAR, C_VC) VALUES (2, '中文', '');
INSERT INTO V (ID) VALUES (3);
INSERT INTO V (ID, C_CHAR, C_N154, C_TS) VALUES (4, '中文商品資料', -0.0001, '2005-03-01 00:00:00');
)";

class FirebirdDriverValues : public DriverTest {
  protected:
    FirebirdDriverValues() : DriverTest(kAllTypes) {}

    std::vector<db::Value> row(int id, db::Connection& c) {
        auto rows = fetchAll(c, "SELECT * FROM V WHERE ID = " + std::to_string(id));
        EXPECT_EQ(rows.size(), 1u);
        return rows.empty() ? std::vector<db::Value>{} : rows[0];
    }
};

TEST_F(FirebirdDriverValues, ColumnsDescribeTheirTypesSizesAndSources) {
    auto c = connectTarget();
    auto statement = c->prepare("SELECT V.*, 1 + 1 AS EXPR FROM V");
    EXPECT_TRUE(statement->hasResultSet());
    auto cursor = statement->openCursor({});
    const auto& cols = cursor->columns();
    ASSERT_EQ(cols.size(), 19u);
    struct Expect {
        const char* name;
        db::FieldType type;
        int size, byteLength, scale;
    };
    const Expect expected[] = {
        {"ID", db::FieldType::Integer, 4, 4, 0},
        {"C_SMALL", db::FieldType::SmallInt, 2, 2, 0},
        {"C_INT", db::FieldType::Integer, 4, 4, 0},
        {"C_BIG", db::FieldType::BigInt, 8, 8, 0},
        {"C_N154", db::FieldType::Decimal, 8, 8, -4},
        {"C_N92", db::FieldType::Decimal, 4, 4, -2},
        {"C_N42", db::FieldType::Decimal, 2, 2, -2},
        {"C_DBL", db::FieldType::Double, 8, 8, 0},
        {"C_FLT", db::FieldType::Double, 4, 4, 0},
        {"C_DATE", db::FieldType::Date, 4, 4, 0},
        {"C_TIME", db::FieldType::Time, 4, 4, 0},
        {"C_TS", db::FieldType::Timestamp, 8, 8, 0},
        {"C_CHAR", db::FieldType::FixedChar, 6, 24, 0},
        {"C_VC", db::FieldType::VarChar, 20, 80, 0},
        {"C_BLOB", db::FieldType::TextBlob, 8, 8, 0},
        {"C_BIN", db::FieldType::BinaryBlob, 8, 8, 0},
        {"C_BOOL", db::FieldType::Boolean, 1, 1, 0},
        {"C_CALC", db::FieldType::BigInt, 8, 8, 0},
        {"EXPR", db::FieldType::BigInt, 8, 8, 0},
    };
    for (std::size_t i = 0; i < cols.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(cols[i].name, expected[i].name);
        EXPECT_EQ(cols[i].type, expected[i].type);
        EXPECT_EQ(cols[i].size, expected[i].size);
        EXPECT_EQ(cols[i].byteLength, expected[i].byteLength);
        EXPECT_EQ(cols[i].scale, expected[i].scale);
    }
    EXPECT_EQ(cols[0].relation, "V");
    EXPECT_FALSE(cols[0].nullable);
    EXPECT_TRUE(cols[1].nullable);
    EXPECT_FALSE(cols[0].readOnly);
    EXPECT_FALSE(cols[12].readOnly);
    EXPECT_TRUE(cols[17].readOnly);  // computed in the table
    EXPECT_TRUE(cols[18].readOnly);  // an expression
    EXPECT_EQ(cols[18].relation, "");
}

TEST_F(FirebirdDriverValues, AliasesNameTheColumns) {
    auto c = connectTarget();
    auto cursor = c->prepare("SELECT ID AS \"MyId\", C_VC AS NAME2 FROM V")->openCursor({});
    EXPECT_EQ(cursor->columns()[0].name, "MyId");
    EXPECT_EQ(cursor->columns()[1].name, "NAME2");
}

TEST_F(FirebirdDriverValues, EveryTypeComesBackNatively) {
    auto c = connectTarget();
    const auto v = row(1, *c);
    ASSERT_EQ(v.size(), 18u);
    EXPECT_EQ(v[0], db::Value::integer(1));
    EXPECT_EQ(v[1], db::Value::smallInt(-32768));
    EXPECT_EQ(v[2], db::Value::integer(2147483647));
    EXPECT_EQ(v[3], db::Value::bigInt(9223372036854775807LL));
    EXPECT_EQ(v[4], db::Value::decimal({123456789012345LL, -4}));
    EXPECT_EQ(v[5], db::Value::decimal({-123456789, -2}));
    EXPECT_EQ(v[6], db::Value::decimal({1250, -2}));
    EXPECT_EQ(v[7], db::Value::real(0.1));  // exactly the double stored, not a 16-digit text
    EXPECT_EQ(v[8], db::Value::real(1.5));
    EXPECT_EQ(v[9], db::Value::date({2005, 3, 1}));
    EXPECT_EQ(v[10], db::Value::time({23, 59, 58, 1234}));
    EXPECT_EQ(v[11], db::Value::timestamp({{2026, 12, 9}, {7, 47, 28, 5760}}));
    EXPECT_EQ(v[12], db::Value::text("ab    "));  // 6 characters with their trailing blanks
    EXPECT_EQ(v[13], db::Value::text("Grüße"));
    EXPECT_EQ(v[14], db::Value::text("a text blob, 中文"));
    EXPECT_EQ(v[15], db::Value::text(std::string("\x00\xFF\x10", 3)));
    EXPECT_EQ(v[16], db::Value::smallInt(1));
    EXPECT_EQ(v[17], db::Value::bigInt(4294967294LL));
}

TEST_F(FirebirdDriverValues, CharInUtf8IsCutToItsCharacters) {
    auto c = connectTarget();
    EXPECT_EQ(row(2, *c)[12], db::Value::text("中文    "));
    EXPECT_EQ(row(4, *c)[12], db::Value::text("中文商品資料"));
    EXPECT_EQ(row(2, *c)[13], db::Value::text(""));
}

TEST_F(FirebirdDriverValues, TrimCharTrimsTrailingBlanksOfCharOnly) {
    db::ConnectOptions o = optionsFor(databases_.targetPath());
    o.trimChar = true;
    auto c = connectTarget(&o);
    EXPECT_EQ(row(1, *c)[12], db::Value::text("ab"));
    EXPECT_EQ(row(2, *c)[12], db::Value::text("中文"));
    auto rows = fetchAll(*c, "SELECT CAST('x  ' AS VARCHAR(5)) FROM RDB$DATABASE");
    EXPECT_EQ(rows[0][0], db::Value::text("x  "));
}

TEST_F(FirebirdDriverValues, NullsOfEveryTypeAreNull) {
    auto c = connectTarget();
    const auto v = row(3, *c);
    for (std::size_t i = 1; i < v.size(); ++i) EXPECT_TRUE(v[i].isNull()) << "column " << i;
}

TEST_F(FirebirdDriverValues, SmallDecimalsAndMidnightTimestamps) {
    auto c = connectTarget();
    const auto v = row(4, *c);
    EXPECT_EQ(v[4], db::Value::decimal({-1, -4}));
    EXPECT_EQ(v[11], db::Value::timestamp({{2005, 3, 1}, {0, 0, 0, 0}}));
}

TEST_F(FirebirdDriverValues, WithoutCharsetTextArrivesAsStored) {
    db::ConnectOptions o = optionsFor(databases_.targetPath());
    o.charset.clear();
    auto c = connectTarget(&o);
    const auto v = row(1, *c);
    EXPECT_EQ(v[12], db::Value::text("ab    "));
    EXPECT_EQ(v[13], db::Value::text("Grüße"));
}

TEST_F(FirebirdDriverValues, BlobsAreReadWholeWhateverBlobSizeSays) {
    const std::string big(3000, 'b');
    databases_.execTarget("UPDATE V SET C_BLOB = '" + big + big + "' WHERE ID = 2");
    db::ConnectOptions o = optionsFor(databases_.targetPath());
    for (const int blobSize : {1, 0, -1}) {
        o.blobSize = blobSize;
        auto c = connectTarget(&o);
        EXPECT_EQ(row(2, *c)[14].asText().size(), 6000u) << "BlobSize " << blobSize;
    }
}

TEST_F(FirebirdDriverValues, LargeBlobsAreReadWhole) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "行" + std::to_string(i % 10);
    auto c = connectTarget();
    auto update = c->prepare("UPDATE V SET C_BLOB = ? WHERE ID = 3");
    EXPECT_EQ(update->execute(params({db::Value::text(text)})), 1u);
    EXPECT_EQ(row(3, *c)[14], db::Value::text(text));
    EXPECT_EQ(databases_.queryTarget("SELECT C_BLOB FROM V WHERE ID = 3")[0][0], text);
}

TEST_F(FirebirdDriverValues, EmptyResultAndFetchingPastTheEnd) {
    auto c = connectTarget();
    auto cursor = c->prepare("SELECT ID FROM V WHERE ID < 0")->openCursor({});
    std::vector<db::Value> r;
    EXPECT_FALSE(cursor->fetch(r));
    EXPECT_FALSE(cursor->fetch(r));
}

TEST_F(FirebirdDriverValues, ManyRowsInOrder) {
    auto c = connectTarget();
    auto rows = fetchAll(*c, "SELECT ID FROM V ORDER BY ID");
    ASSERT_EQ(rows.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(rows[i][0], db::Value::integer(i + 1));
}

TEST_F(FirebirdDriverValues, ExecuteProcedureGivesItsOneRow) {
    databases_.execTarget(
        "CREATE PROCEDURE P (A INTEGER) RETURNS (B INTEGER, S VARCHAR(10)) AS "
        "BEGIN B = A * 3; S = 'ok'; END");
    auto c = connectTarget();
    auto statement = c->prepare("EXECUTE PROCEDURE P(?)");
    EXPECT_FALSE(statement->hasResultSet());
    auto cursor = statement->openCursor(params({db::Value::integer(5)}));
    std::vector<db::Value> r;
    ASSERT_TRUE(cursor->fetch(r));
    EXPECT_EQ(r[0], db::Value::integer(15));
    EXPECT_EQ(r[1], db::Value::text("ok"));
    EXPECT_FALSE(cursor->fetch(r));
}

TEST_F(FirebirdDriverValues, OpeningACursorOnAStatementWithoutRowsFails) {
    auto c = connectTarget();
    auto statement = c->prepare("DELETE FROM V WHERE ID = 99");
    EXPECT_FALSE(statement->hasResultSet());
    EXPECT_THROW(statement->openCursor({}), db::Error);
}

}  // namespace
}  // namespace fbtest
