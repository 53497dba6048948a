#include "db/DataSetResolver.h"

#include <cctype>

#include "db/Error.h"
#include "db/Field.h"
#include "db/IniFile.h"
#include "db/SqlIdentifier.h"
#include "db/SqlScanner.h"
#include "db/Transaction.h"

namespace db {
namespace {

// Columns this long or longer, and BLOBs, are left out when a row is located.
constexpr int kLocateByteLimit = 8192;

bool isBlob(FieldType t) {
    return t == FieldType::TextBlob || t == FieldType::BinaryBlob;
}

std::string upper(std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// The name of the table after the first FROM of the statement's code (not in a
// literal, a quoted name or a comment), as the database stores it: a quoted name
// as it stands, an unquoted one upper-cased.
std::string tableAfterFromImpl(const std::string& sql) {
    const std::vector<SqlPart> parts = sqlParts(sql);
    auto code = [&](size_t i) { return i < sql.size() && parts[i] == SqlPart::Code; };
    for (size_t i = 0; i + 4 <= sql.size(); ++i) {
        if (!code(i) || !code(i + 3) || !sameName(sql.substr(i, 4), "FROM")) continue;
        if (i > 0 && code(i - 1) && isSqlNameChar(sql[i - 1])) continue;
        if (code(i + 4) && isSqlNameChar(sql[i + 4])) continue;
        size_t p = i + 4;
        while (code(p) && std::isspace(static_cast<unsigned char>(sql[p]))) ++p;
        if (p < sql.size() && parts[p] == SqlPart::QuotedName) {
            const size_t end = sql.find('"', p + 1);
            if (end == std::string::npos) return {};
            return sql.substr(p + 1, end - p - 1);
        }
        size_t end = p;
        while (code(end) && isSqlNameChar(sql[end])) ++end;
        return upper(sql.substr(p, end - p));
    }
    return {};
}

std::string joined(const std::vector<std::string>& parts, const std::string& separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += parts[i];
    }
    return out;
}

}  // namespace

std::string tableToUpdate(const std::string& commandText) {
    return tableAfterFromImpl(commandText);
}

DataSetResolver::DataSetResolver(SQLConnection& connection, std::vector<ColumnInfo> columns,
                                 const std::string& table)
    : connection_(connection),
      columns_(std::move(columns)),
      table_(identifier(table, connection.configuredDialect())) {}

std::string DataSetResolver::name(const std::string& column) const {
    return identifier(column, connection_.configuredDialect());
}

DataSetResolver::Result DataSetResolver::apply(const std::vector<RowChange>& changes,
                                               int maxErrors) {
    // One change runs in the connection's current unit of work (its open
    // transaction, or on its own); several share a transaction of their own so that
    // a failure past maxErrors undoes them all.
    std::optional<Transaction> own;
    if (changes.size() > 1 && !connection_.inTransaction())
        own.emplace(connection_, ownTransaction());

    Result result;
    result.written.assign(changes.size(), false);
    int& failures = result.failures;
    std::vector<bool>& written = result.written;
    for (size_t i = 0; i < changes.size(); ++i) {
        if (maxErrors >= 0 && failures > maxErrors) break;
        try {
            applyChange(changes[i], table_);
            written[i] = true;
        } catch (const Error& e) {
            // A failed link is no refused change: it ends the apply, the log kept
            // (and the apply's own transaction, if any, rolled back as it goes).
            if (e.linkFailed()) throw;
            ++failures;
            result.errors.push_back(e.what());
        }
    }
    if (own) {
        if (maxErrors >= 0 && failures > maxErrors) {
            own->rollback();
            written.assign(changes.size(), false);  // nothing was written: the whole log stays
            return result;
        }
        own->commit();
    }
    return result;
}

DataSetResolver::WriteStatement DataSetResolver::insertStatement(const RowChange& change,
                                                                 const std::string& table) const {
    WriteStatement w;
    std::vector<std::string> columns, markers;
    for (size_t i = 0; i < columns_.size(); ++i) {
        const ColumnInfo& column = columns_[i];
        if (column.readOnly) continue;
        columns.push_back(name(column.name));
        markers.push_back("?");
        w.params.push_back(boundForColumn(change.newValues[i], column));
    }
    w.sql = "INSERT INTO " + table + " (" + joined(columns, ", ") + ") VALUES (" +
            joined(markers, ", ") + ")";
    return w;
}

// Sets the changed columns of the row found by the old values of all its columns
// but BLOBs and long ones. Empty when nothing changed.
std::optional<DataSetResolver::WriteStatement> DataSetResolver::updateStatement(
    const RowChange& change, const std::string& table) const {
    WriteStatement w;
    std::vector<std::string> sets, conditions;
    std::vector<BoundParam> whereParams;
    for (size_t i = 0; i < columns_.size(); ++i) {
        const ColumnInfo& info = columns_[i];
        if (!info.readOnly && !(change.oldValues[i] == change.newValues[i])) {
            sets.push_back(name(info.name) + " = ?");
            w.params.push_back(boundForColumn(change.newValues[i], info));
        }
        if (isBlob(info.type) || info.byteLength >= kLocateByteLimit) continue;
        if (change.oldValues[i].isNull()) {
            conditions.push_back(name(info.name) + " IS NULL");
        } else {
            conditions.push_back(name(info.name) + " = ?");
            whereParams.push_back(boundForColumn(change.oldValues[i], info));
        }
    }
    if (sets.empty()) return std::nullopt;
    w.params.insert(w.params.end(), whereParams.begin(), whereParams.end());
    w.sql = "UPDATE " + table + " SET " + joined(sets, ", ");
    if (!conditions.empty()) w.sql += " WHERE " + joined(conditions, " AND ");
    return w;
}

void DataSetResolver::applyChange(const RowChange& change, const std::string& table) {
    if (change.kind == RowChange::Kind::Inserted) {
        executeChange(insertStatement(change, table));
        return;
    }
    const auto update = updateStatement(change, table);
    if (!update) return;  // nothing changed
    if (locatesAtMostOneRow(change) || connection_.inTransaction()) {
        executeChange(*update);
        return;
    }
    // The update might reach several rows: run it in a transaction of its own so
    // that such an update is undone instead of written.
    Transaction own(connection_, ownTransaction());
    executeChange(*update);
    own.commit();
}

// The provider's own transaction: identifier 1, the connection's configured isolation.
TransactionDesc DataSetResolver::ownTransaction() const {
    TransactionDesc desc;
    desc.isolation = connection_.configuredIsolation();
    return desc;
}

// An update finds at most one row when its table has a primary key and the row
// is located by every column of it.
bool DataSetResolver::locatesAtMostOneRow(const RowChange& change) const {
    bool anyKey = false;
    for (size_t i = 0; i < columns_.size(); ++i) {
        const ColumnInfo& info = columns_[i];
        if (!info.primaryKey) continue;
        anyKey = true;
        if (isBlob(info.type) || info.byteLength >= kLocateByteLimit ||
            change.oldValues[i].isNull()) {
            return false;
        }
    }
    return anyKey;
}

void DataSetResolver::executeChange(const WriteStatement& w) {
    const uint64_t affected = connection_.cachedStatement(w.sql).execute(w.params);
    if (affected == 0) throw Error("Record not found or changed by another user");
    if (affected > 1) throw Error("Update affected more than 1 record.");
}

}  // namespace db
