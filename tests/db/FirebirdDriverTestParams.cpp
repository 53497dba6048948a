// Parameters bound with their own types; the database converts them to the columns'.
#include "tests/db/FirebirdDriverTestFixture.h"

namespace fbtest {
namespace {

const char* const kTable = R"(
CREATE TABLE P (
  ID INTEGER NOT NULL PRIMARY KEY,
  C_SMALL SMALLINT,
  C_INT INTEGER,
  C_BIG BIGINT,
  C_N154 NUMERIC(15,4),
  C_N92 NUMERIC(9,2),
  C_DBL DOUBLE PRECISION,
  C_DATE DATE,
  C_TIME TIME,
  C_TS TIMESTAMP,
  C_CHAR CHAR(6),
  C_VC VARCHAR(20),
  C_BLOB BLOB SUB_TYPE TEXT
);
)";

const char* const kInsert =
    "INSERT INTO P (ID, C_SMALL, C_INT, C_BIG, C_N154, C_N92, C_DBL, C_DATE, C_TIME, C_TS, C_CHAR, "
    "C_VC, C_BLOB) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

const char* const kSelect =
    "SELECT C_SMALL, C_INT, C_BIG, C_N154, C_N92, C_DBL, C_DATE, C_TIME, C_TS, C_CHAR, C_VC, "
    "C_BLOB "
    "FROM P WHERE ID = ";

class FirebirdDriverParams : public DriverTest {
  protected:
    FirebirdDriverParams() : DriverTest(kTable) {}
};

TEST_F(FirebirdDriverParams, NativeValuesOfEachKind) {
    auto c = connectTarget();
    auto insert = c->prepare(kInsert);
    EXPECT_FALSE(insert->hasResultSet());
    EXPECT_EQ(insert->execute(params({
                  db::Value::integer(1),
                  db::Value::smallInt(-7),
                  db::Value::integer(123456),
                  db::Value::bigInt(-9000000000LL),
                  db::Value::decimal({125000, -4}),
                  db::Value::decimal({-1999, -2}),
                  db::Value::real(0.1),
                  db::Value::date({2005, 3, 1}),
                  db::Value::time({13, 5, 9, 0}),
                  db::Value::timestamp({{2026, 12, 9}, {7, 47, 28, 5760}}),
                  db::Value::text("中文"),
                  db::Value::text("Grüße"),
                  db::Value::text("blob text"),
              })),
              1u);
    EXPECT_EQ(databases_.queryTarget(std::string(kSelect) + "1"),
              (testsupport::Rows{{"-7", "123456", "-9000000000", "12.5", "-19.99", "0.1",
                                  "2005/03/01", "13:05:09", "2026/12/09 07:47:28.5760", "中文",
                                  "Grüße", "blob text"}}));
    // and read back natively through the driver
    auto rows = fetchAll(*c, std::string(kSelect) + "1");
    EXPECT_EQ(rows[0][5], db::Value::real(0.1));
    EXPECT_EQ(rows[0][3], db::Value::decimal({125000, -4}));
}

TEST_F(FirebirdDriverParams, TextConvertedByTheDatabaseIntoEveryColumnType) {
    auto c = connectTarget();
    auto insert = c->prepare(kInsert);
    insert->execute(params({
        db::Value::text("2"),
        db::Value::text("12"),
        db::Value::text("-34"),
        db::Value::text("9000000000"),
        db::Value::text("12.3456"),
        db::Value::text("7.5"),
        db::Value::text("2.25"),
        db::Value::text("2005/03/01"),
        db::Value::text("10:11:12"),
        db::Value::text("2005/03/01 10:11:12"),
        db::Value::text("ab"),
        db::Value::text("x"),
        db::Value::text("y"),
    }));
    EXPECT_EQ(databases_.queryTarget(std::string(kSelect) + "2"),
              (testsupport::Rows{{"12", "-34", "9000000000", "12.3456", "7.5", "2.25", "2005/03/01",
                                  "10:11:12", "2005/03/01 10:11:12", "ab", "x", "y"}}));
    // CHAR keeps its blanks when read natively
    EXPECT_EQ(fetchAll(*c, "SELECT C_CHAR FROM P WHERE ID = 2")[0][0], db::Value::text("ab    "));
}

TEST_F(FirebirdDriverParams, DateTextFormsTheDatabaseAccepts) {
    auto c = connectTarget();
    auto insert = c->prepare("INSERT INTO P (ID, C_DATE) VALUES (?, ?)");
    insert->execute(params({db::Value::integer(1), db::Value::text("2005/03/01")}));
    insert->execute(params({db::Value::integer(2), db::Value::text("2005-03-01")}));
    insert->execute(params({db::Value::integer(3), db::Value::text("01.03.2005")}));
    EXPECT_EQ(databases_.queryTarget("SELECT C_DATE FROM P ORDER BY ID"),
              (testsupport::Rows{{"2005/03/01"}, {"2005/03/01"}, {"2005/03/01"}}));
    EXPECT_THROW(insert->execute(params({db::Value::integer(4), db::Value::text("no date")})),
                 db::Error);
}

TEST_F(FirebirdDriverParams, NumbersConvertedIntoTextAndOtherNumberColumns) {
    auto c = connectTarget();
    auto insert = c->prepare(
        "INSERT INTO P (ID, C_INT, C_N154, C_DBL, C_VC, C_CHAR) VALUES (?, ?, ?, ?, ?, ?)");
    insert->execute(params({db::Value::bigInt(3), db::Value::real(41.0), db::Value::integer(5),
                            db::Value::decimal({125, -2}), db::Value::integer(42),
                            db::Value::decimal({-5, -1})}));
    EXPECT_EQ(databases_.queryTarget("SELECT ID, C_INT, C_N154, C_DBL, C_VC, C_CHAR FROM P"),
              (testsupport::Rows{{"3", "41", "5", "1.25", "42", "-0.5"}}));
}

TEST_F(FirebirdDriverParams, NullsWithTheirTypes) {
    auto c = connectTarget();
    auto insert = c->prepare(
        "INSERT INTO P (ID, C_INT, C_DATE, C_VC, C_DBL, C_N154, C_BLOB) VALUES (?, ?, ?, ?, ?, ?, "
        "?)");
    insert->execute({{db::ValueKind::Integer, db::Value::integer(1)},
                     typedNull(db::ValueKind::Integer),
                     typedNull(db::ValueKind::Text),
                     typedNull(db::ValueKind::Text),
                     typedNull(db::ValueKind::Double),
                     typedNull(db::ValueKind::Decimal),
                     typedNull(db::ValueKind::Text)});
    EXPECT_EQ(databases_.queryTarget("SELECT C_INT, C_DATE, C_VC, C_DBL, C_N154, C_BLOB FROM P"),
              (testsupport::Rows{{"<null>", "<null>", "<null>", "<null>", "<null>", "<null>"}}));
}

TEST_F(FirebirdDriverParams, ParametersInWhereLocateRowsByNativeOldValues) {
    auto c = connectTarget();
    c->prepare(
         "INSERT INTO P (ID, C_DBL, C_CHAR, C_TS) VALUES (1, 0.1, 'ab', '2026-12-09 07:47:28.576')")
        ->execute({});
    auto old = fetchAll(*c, "SELECT C_DBL, C_CHAR, C_TS FROM P WHERE ID = 1")[0];
    auto update = c->prepare(
        "UPDATE P SET C_VC = ? WHERE C_DBL = ? AND C_CHAR = ? AND C_TS = ? AND C_DATE IS NOT "
        "DISTINCT FROM ?");
    auto p = params({db::Value::text("found"), old[0], old[1], old[2]});
    p.push_back(typedNull(db::ValueKind::Date));
    EXPECT_EQ(update->execute(p), 1u);
    EXPECT_EQ(databases_.queryTarget("SELECT C_VC FROM P"), (testsupport::Rows{{"found"}}));
}

TEST_F(FirebirdDriverParams, EmptyTextIsNotNull) {
    auto c = connectTarget();
    c->prepare("INSERT INTO P (ID, C_VC) VALUES (?, ?)")
        ->execute(params({db::Value::integer(1), db::Value::text("")}));
    EXPECT_EQ(databases_.queryTarget("SELECT C_VC IS NULL, CHAR_LENGTH(C_VC) FROM P"),
              (testsupport::Rows{{"0", "0"}}));
}

TEST_F(FirebirdDriverParams, RowsAffectedByUpdateAndDelete) {
    auto c = connectTarget();
    auto insert = c->prepare("INSERT INTO P (ID, C_INT) VALUES (?, ?)");
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(insert->execute(params({db::Value::integer(i), db::Value::integer(i % 2)})), 1u);
    EXPECT_EQ(c->prepare("UPDATE P SET C_VC = 'odd' WHERE C_INT = 1")->execute({}), 3u);
    EXPECT_EQ(c->prepare("DELETE FROM P WHERE C_INT = 0")->execute({}), 2u);
    EXPECT_EQ(c->prepare("DELETE FROM P WHERE ID = 99")->execute({}), 0u);
}

TEST_F(FirebirdDriverParams, SelectWithParameters) {
    auto c = connectTarget();
    databases_.execTarget("INSERT INTO P (ID, C_VC) VALUES (1, '中文')");
    databases_.execTarget("INSERT INTO P (ID, C_VC) VALUES (2, 'b')");
    auto rows = fetchAll(*c, "SELECT ID FROM P WHERE C_VC = ?", params({db::Value::text("中文")}));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], db::Value::integer(1));
    rows = fetchAll(*c, "SELECT ID FROM P WHERE ID = ?", params({db::Value::text("2")}));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], db::Value::integer(2));
}

// One prepared statement run with texts longer and shorter than before, a null,
// a text where an integer was and a text too long for a VARCHAR: each row is
// written as given (the message of one run is never read with another's lengths)
// and a text too long for its column is still refused.
TEST_F(FirebirdDriverParams, OneStatementRunWithTextsOfOtherLengthsAndKinds) {
    auto c = connectTarget();
    auto insert = c->prepare("INSERT INTO P (ID, C_VC, C_INT, C_BLOB) VALUES (?, ?, ?, ?)");
    const std::string longText(20000, 'x');
    const std::vector<std::vector<db::BoundParam>> rows{
        params({db::Value::integer(1), db::Value::text("ab"), db::Value::integer(1),
                db::Value::text("b")}),
        params({db::Value::integer(2), db::Value::text("a longer text"), db::Value::integer(2),
                db::Value::text(std::string(300, 'y'))}),
        {{db::ValueKind::Integer, db::Value::integer(3)},
         {db::ValueKind::Text, db::Value::text("c")},
         typedNull(db::ValueKind::Integer),
         {db::ValueKind::Text, db::Value::text("")}},
        params({db::Value::integer(4), db::Value::text("d"), db::Value::text("7"),
                db::Value::text(longText)}),
        params({db::Value::integer(5), db::Value::text("e"), db::Value::integer(5),
                db::Value::text("z")})};
    for (const auto& row : rows) insert->execute(row);
    try {
        insert->execute(params({db::Value::integer(6), db::Value::text(std::string(21, 'v')),
                                db::Value::integer(6), db::Value::text("w")}));
        ADD_FAILURE() << "a text too long for C_VC was written";
    } catch (const db::Error& e) {
        EXPECT_NE(std::string(e.what()).find("string right truncation"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(databases_.queryTarget("SELECT ID, C_VC, C_INT, CHAR_LENGTH(C_BLOB), "
                                     "SUBSTRING(C_BLOB FROM 1 FOR 3) FROM P ORDER BY ID"),
              (testsupport::Rows{{"1", "ab", "1", "1", "b"},
                                 {"2", "a longer text", "2", "300", "yyy"},
                                 {"3", "c", "<null>", "0", ""},
                                 {"4", "d", "7", "20000", "xxx"},
                                 {"5", "e", "5", "1", "z"}}));
}

TEST_F(FirebirdDriverParams, WrongParameterCountGivesFirebirdsMessage) {
    auto c = connectTarget();
    auto insert = c->prepare("INSERT INTO P (ID, C_INT) VALUES (?, ?)");
    EXPECT_THROW(insert->execute(params({db::Value::integer(1)})), db::Error);
}

}  // namespace
}  // namespace fbtest

namespace fbtest {
namespace {

class FirebirdDriverParamsNoCharset : public DriverTest {
  protected:
    FirebirdDriverParamsNoCharset()
        : DriverTest("CREATE TABLE P (ID INTEGER, C_VC VARCHAR(20));") {}
};

TEST_F(FirebirdDriverParamsNoCharset, TextGoesInTheAttachmentsCharacterSet) {
    db::ConnectOptions o = optionsFor(databases_.targetPath());
    o.charset.clear();
    auto c = connectTarget(&o);
    c->prepare("INSERT INTO P VALUES (?, ?)")
        ->execute(params({db::Value::integer(1), db::Value::text("中文")}));
    EXPECT_EQ(fetchAll(*c, "SELECT C_VC FROM P")[0][0], db::Value::text("中文"));
    EXPECT_EQ(databases_.queryTarget("SELECT C_VC, CHAR_LENGTH(C_VC) FROM P"),
              (testsupport::Rows{{"中文", "2"}}));
}

}  // namespace
}  // namespace fbtest
