// The table file the store configuration is kept in.

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "db/Error.h"
#include "db/TableFile.h"

using namespace apptest;

namespace {

std::string loadError(const std::string& path) {
    try {
        db::loadTableFile(path);
    } catch (const db::Error& e) {
        return e.what();
    }
    return "no error";
}

db::ColumnInfo field(const std::string& name, db::FieldType type, int size = 0) {
    db::ColumnInfo info;
    info.name = name;
    info.type = type;
    info.size = size;
    return info;
}

TEST(TableFile, SavedTableLoadsBackWithTypesAndNulls) {
    TempFolder folder;
    db::TableData table;
    table.fields = {field("storeid", db::FieldType::VarChar, 10),
                    field("n", db::FieldType::Integer), field("x", db::FieldType::Double),
                    field("d", db::FieldType::Date)};
    table.rows = {{db::Value::text("分店 0001"), db::Value::integer(-7), db::Value::real(2.5),
                   db::Value::date({2005, 3, 1})},
                  {db::Value::null(), db::Value::null(), db::Value::null(), db::Value::null()}};
    db::saveTableFile(folder.file("t.dat"), table);

    const db::TableData loaded = db::loadTableFile(folder.file("t.dat"));
    ASSERT_EQ(loaded.fields.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(loaded.fields[i].name, table.fields[i].name);
        EXPECT_EQ(loaded.fields[i].type, table.fields[i].type);
    }
    EXPECT_EQ(loaded.fields[0].size, 10);
    EXPECT_EQ(loaded.rows, table.rows);
}

TEST(TableFile, UnreadableFilesGiveTheSystemText) {
    TempFolder folder;
    EXPECT_EQ(loadError(folder.file("none.dat")),
              "Cannot open file \"" + folder.file("none.dat") + "\". No such file or directory");
    EXPECT_EQ(loadError(folder.path()),
              "Cannot open file \"" + folder.path() + "\". Is a directory");
    folder.writeFile("empty.dat", "");
    EXPECT_EQ(loadError(folder.file("empty.dat")), "Missing data provider or data packet");
}

TEST(TableFile, ContentThatIsNoTableIsRefusedWithItsReason) {
    TempFolder folder;
    const std::string path = folder.file("t.dat");
    const std::string prefix = "Invalid table file \"" + path + "\": ";
    const struct {
        const char* content;
        const char* reason;
    } cases[] = {
        {"[1, 2]", "the content is not a JSON object"},
        {"{\"rows\": []}", "no \"fields\" list"},
        {"{\"fields\": []}", "no \"rows\" list"},
        {"{\"fields\": [{\"type\": \"string\"}], \"rows\": []}", "field 1 has no name"},
        {"{\"fields\": [{\"name\": \"a\", \"type\": \"blob\"}], \"rows\": []}",
         "field 1 has the unknown type \"blob\""},
        {"{\"fields\": [{\"name\": \"a\", \"type\": \"string\"}, {\"name\": \"A\", \"type\": "
         "\"string\"}],"
         " \"rows\": []}",
         "the field name \"A\" appears twice"},
        {"{\"fields\": [{\"name\": \"a\", \"type\": \"string\"}], \"rows\": [[1]]}",
         "row 1, field \"a\" is not a string"},
        {"{\"fields\": [{\"name\": \"a\", \"type\": \"string\", \"size\": 2}], \"rows\": "
         "[[\"abc\"]]}",
         "row 1, field \"a\" is longer than 2 characters"},
        {"{\"fields\": [{\"name\": \"d\", \"type\": \"date\"}], \"rows\": [[\"2005-03-01\"]]}",
         "row 1, field \"d\" is not a date \"yyyy/mm/dd\""},
    };
    for (const auto& c : cases) {
        folder.writeFile("t.dat", c.content);
        EXPECT_EQ(loadError(path), prefix + c.reason) << c.content;
    }
    folder.writeFile("t.dat", "{\"fields\": ");
    EXPECT_EQ(loadError(path).rfind(prefix + "parse error", 0), 0u) << loadError(path);
}

}  // namespace
