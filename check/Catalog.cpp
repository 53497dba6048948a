#include "check/Catalog.h"

#include "base/SqlText.h"
#include "base/Text.h"
#include "db/ClientDataSet.h"

namespace check {
namespace {

// Firebird's codes in RDB$FIELDS.RDB$FIELD_TYPE.
enum FieldTypeCode {
    kSmallInt = 7,
    kInteger = 8,
    kFloat = 10,
    kDate = 12,
    kTime = 13,
    kChar = 14,
    kBigInt = 16,
    kBoolean = 23,
    kDouble = 27,
    kTimestamp = 35,
    kVarChar = 37,
    kBlob = 261,
};

std::string quoted(const std::string& value) {
    return "'" + base::sqlLiteralBody(value) + "'";
}

const char* const kColumnsSql =
    "SELECT TRIM(RF.RDB$FIELD_NAME) AS COLUMN_NAME, F.RDB$FIELD_TYPE AS TYPE_CODE, "
    "COALESCE(F.RDB$FIELD_SUB_TYPE, 0) AS SUB_TYPE, COALESCE(F.RDB$FIELD_SCALE, 0) AS SCALE, "
    "COALESCE(F.RDB$FIELD_PRECISION, 0) AS PRECISION_DIGITS, "
    "COALESCE(F.RDB$CHARACTER_LENGTH, F.RDB$FIELD_LENGTH, 0) AS CHARACTERS, "
    "IIF(COALESCE(RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0) = 0, 1, 0) AS NULLABLE, "
    "IIF(RF.RDB$DEFAULT_SOURCE IS NULL AND F.RDB$DEFAULT_SOURCE IS NULL AND "
    "RF.RDB$IDENTITY_TYPE IS NULL AND F.RDB$COMPUTED_BLR IS NULL, 0, 1) AS FILLED "
    "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
    "WHERE RF.RDB$RELATION_NAME = ";

std::string typeName(int code, int subType, int scale, int precision, int characters) {
    const bool exact = code == kSmallInt || code == kInteger || code == kBigInt;
    if (exact && scale < 0) {
        return std::string(subType == 2 ? "DECIMAL(" : "NUMERIC(") + std::to_string(precision) +
               "," + std::to_string(-scale) + ")";
    }
    switch (code) {
        case kSmallInt:
            return "SMALLINT";
        case kInteger:
            return "INTEGER";
        case kBigInt:
            return "BIGINT";
        case kFloat:
            return "FLOAT";
        case kDouble:
            return "DOUBLE PRECISION";
        case kDate:
            return "DATE";
        case kTime:
            return "TIME";
        case kTimestamp:
            return "TIMESTAMP";
        case kBoolean:
            return "BOOLEAN";
        case kChar:
            return "CHAR(" + std::to_string(characters) + ")";
        case kVarChar:
            return "VARCHAR(" + std::to_string(characters) + ")";
        case kBlob:
            return subType == 1 ? "BLOB SUB_TYPE TEXT" : "BLOB";
        default:
            return "type " + std::to_string(code);
    }
}

ColumnMeta columnOf(db::ClientDataSet& row) {
    auto number = [&](const char* field) {
        return static_cast<int>(row.fieldByName(field).asInteger());
    };
    const int code = number("TYPE_CODE");
    ColumnMeta column;
    column.name = row.fieldByName("COLUMN_NAME").asString();
    column.text = code == kChar || code == kVarChar;
    column.floating = code == kFloat || code == kDouble;
    column.temporal = code == kDate || code == kTime || code == kTimestamp;
    column.characters = column.text ? number("CHARACTERS") : 0;
    column.typeName = typeName(code, number("SUB_TYPE"), number("SCALE"),
                               number("PRECISION_DIGITS"), column.characters);
    column.nullable = number("NULLABLE") == 1;
    column.filledByDatabase = number("FILLED") == 1;
    return column;
}

}  // namespace

int columnIndex(const TableColumns& columns, const std::string& name) {
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

const TableColumns& Catalog::columns(const std::string& table) {
    if (auto it = columns_.find(table); it != columns_.end()) return it->second;
    db::ClientDataSet rows("CDS_Check", &connection_);
    rows.setCommandText(kColumnsSql + quoted(table) + " ORDER BY RF.RDB$FIELD_POSITION");
    rows.open();
    TableColumns columns;
    for (rows.first(); !rows.eof(); rows.next()) columns.push_back(columnOf(rows));
    return columns_.emplace(table, std::move(columns)).first->second;
}

std::vector<std::string> Catalog::indicesLeadingWith(const std::string& table,
                                                     const std::string& column) {
    return names(
        "SELECT TRIM(I.RDB$INDEX_NAME) FROM RDB$INDICES I "
        "JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME "
        "WHERE I.RDB$RELATION_NAME = " +
        quoted(table) + " AND S.RDB$FIELD_NAME = " + quoted(column) +
        " AND S.RDB$FIELD_POSITION = 0 AND COALESCE(I.RDB$INDEX_INACTIVE, 0) = 0 "
        "ORDER BY I.RDB$INDEX_NAME");
}

std::vector<std::string> Catalog::foreignKeys(const std::string& table) {
    return names(
        "SELECT TRIM(RDB$CONSTRAINT_NAME) FROM RDB$RELATION_CONSTRAINTS "
        "WHERE RDB$RELATION_NAME = " +
        quoted(table) +
        " AND RDB$CONSTRAINT_TYPE = 'FOREIGN KEY' "
        "ORDER BY RDB$CONSTRAINT_NAME");
}

Catalog::Backlog Catalog::backlog(const std::string& queue, const std::string& storeId,
                                  bool withQueuedAt) {
    db::ClientDataSet rows("CDS_Check", &connection_);
    rows.setCommandText(std::string("SELECT COUNT(*) AS WAITING, ") +
                        (withQueuedAt ? "MIN(QUEUED_AT)" : "CAST(NULL AS TIMESTAMP)") +
                        " AS OLDEST FROM " + queue + " WHERE STORE_ID = " + quoted(storeId));
    rows.open();
    return {rows.fieldByName("WAITING").asInteger(), rows.fieldByName("OLDEST").asString()};
}

std::vector<std::string> Catalog::queuedStoreIds(const std::string& queue, int limit) {
    return names("SELECT FIRST " + std::to_string(limit) + " DISTINCT STORE_ID FROM " + queue +
                 " ORDER BY STORE_ID");
}

std::vector<std::string> Catalog::names(const std::string& sql) {
    db::ClientDataSet rows("CDS_Check", &connection_);
    rows.setCommandText(sql);
    rows.open();
    std::vector<std::string> found;
    for (rows.first(); !rows.eof(); rows.next()) found.push_back(rows.fields(0).asString());
    return found;
}

}  // namespace check
