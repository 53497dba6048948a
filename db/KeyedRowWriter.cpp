#include "db/KeyedRowWriter.h"

#include "db/Error.h"
#include "db/Field.h"
#include "db/SqlIdentifier.h"

namespace db {

KeyedRowWriter::KeyedRowWriter(SQLConnection& connection, std::string table, std::string keyColumn)
    : connection_(connection), table_(std::move(table)), keyColumn_(std::move(keyColumn)) {}

const std::vector<ColumnInfo>& KeyedRowWriter::columns() {
    if (!columnsRead_) {
        Connection& connection = connection_.driverConnection();  // connected: its dialect is known
        auto statement = connection.prepare("SELECT * FROM " +
                                            identifier(table_, connection_.configuredDialect()) +
                                            " WHERE 1 = 0");
        columns_ = statement->openCursor({})->columns();
        columnsRead_ = true;
    }
    return columns_;
}

const std::string& KeyedRowWriter::statementText() {
    if (!statementText_.empty()) return statementText_;
    const int dialect = connection_.configuredDialect();
    std::string names, markers;
    for (const ColumnInfo& column : columns()) {
        if (column.readOnly) continue;
        if (!names.empty()) {
            names += ", ";
            markers += ", ";
        }
        names += identifier(column.name, dialect);
        markers += "?";
    }
    statementText_ = "UPDATE OR INSERT INTO " + identifier(table_, dialect) + " (" + names +
                     ") VALUES (" + markers + ") MATCHING (" + identifier(keyColumn_, dialect) +
                     ")";
    return statementText_;
}

void KeyedRowWriter::write(const std::vector<Value>& values) {
    const std::vector<ColumnInfo>& all = columns();
    std::vector<BoundParam> params;
    params.reserve(all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].readOnly) continue;
        const Value converted =
            convertForField(i < values.size() ? values[i] : Value::null(), all[i]);
        params.push_back(boundForColumn(converted, all[i]));
    }
    connection_.cachedStatement(statementText()).execute(params);
}

}  // namespace db
