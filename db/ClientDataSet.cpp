#include "db/ClientDataSet.h"

#include <cctype>

#include "db/Error.h"
#include "db/SqlIdentifier.h"
#include "db/IniFile.h"
#include "db/TableFile.h"

namespace db {
namespace {

// Columns this long or longer, and BLOBs, are left out when a row is located.
constexpr int kLocateByteLimit = 8192;

bool isBlob(FieldType t) { return t == FieldType::TextBlob || t == FieldType::BinaryBlob; }

bool isIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

// The name of the table after the first FROM of a statement text, as the database
// stores it: a quoted name as it stands, an unquoted one upper-cased.
std::string tableAfterFrom(const std::string& sql) {
    for (size_t i = 0; i + 4 <= sql.size(); ++i) {
        if (!sameName(sql.substr(i, 4), "FROM")) continue;
        if (i > 0 && isIdentifierChar(sql[i - 1])) continue;
        if (i + 4 < sql.size() && isIdentifierChar(sql[i + 4])) continue;
        size_t p = i + 4;
        while (p < sql.size() && std::isspace(static_cast<unsigned char>(sql[p]))) ++p;
        if (p < sql.size() && sql[p] == '"') {
            const size_t end = sql.find('"', p + 1);
            if (end == std::string::npos) return {};
            return sql.substr(p + 1, end - p - 1);
        }
        size_t end = p;
        while (end < sql.size() && isIdentifierChar(sql[end])) ++end;
        std::string name = sql.substr(p, end - p);
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return name;
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

ClientDataSet::ClientDataSet(std::string name, SQLConnection* connection)
    : name_(std::move(name)), connection_(connection) {}

ClientDataSet::~ClientDataSet() = default;

void ClientDataSet::fail(const std::string& message) const {
    throw Error(withComponentName(name_, message));
}

void ClientDataSet::requireActive() const {
    if (!active_) fail("Cannot perform this operation on a closed dataset");
}

void ClientDataSet::requireCurrentRow() const {
    requireActive();
    if (state_ == State::Browse && rows_.empty()) fail("Cannot perform this operation on an empty dataset");
}

void ClientDataSet::close() {
    active_ = false;
    state_ = State::Browse;
    fields_.clear();
    rows_.clear();
    editBuffer_.clear();
    editOld_.clear();
    changeLog_.clear();
    current_ = 0;
    eof_ = true;
}

void ClientDataSet::defineFields(const std::vector<ColumnInfo>& columns) {
    fields_.clear();
    for (const auto& column : columns) {
        std::string name = column.name;
        for (int n = 1; findField(name); ++n) name = column.name + "_" + std::to_string(n);
        fields_.push_back(std::make_unique<Field>(*this, static_cast<int>(fields_.size()), column,
                                                  std::move(name)));
    }
}

void ClientDataSet::open() {
    if (active_) return;
    if (!connection_) fail("Missing data provider or data packet");
    Connection& connection = connection_->driverConnection();
    auto statement = connection.prepare(commandText_);
    if (!statement->hasResultSet()) fail("Cursor not returned from Query");
    auto cursor = statement->openCursor({});
    // Rows and fields are taken only once every row has come: a fetch that fails
    // leaves the dataset closed and empty.
    const std::vector<ColumnInfo> columns = cursor->columns();
    std::vector<std::vector<Value>> rows;
    std::vector<Value> row;
    while (cursor->fetch(row)) rows.push_back(row);
    cursor.reset();
    defineFields(columns);
    rows_ = std::move(rows);
    active_ = true;
    first();
}

uint64_t ClientDataSet::execute() {
    if (!connection_) fail("Missing data provider or data packet");
    Connection& connection = connection_->driverConnection();
    return connection.prepare(commandText_)->execute({});
}

void ClientDataSet::loadFromFile(const std::string& path) {
    close();
    TableData table = loadTableFile(path);
    defineFields(table.fields);
    rows_ = std::move(table.rows);
    for (auto& row : rows_) row.resize(fields_.size());
    active_ = true;
    first();
}

int ClientDataSet::recordCount() const {
    requireActive();
    return static_cast<int>(rows_.size());
}

void ClientDataSet::first() {
    requireActive();
    if (state_ != State::Browse) post();
    current_ = 0;
    eof_ = rows_.empty();
}

void ClientDataSet::next() {
    requireActive();
    if (state_ != State::Browse) post();
    if (current_ + 1 < static_cast<int>(rows_.size())) {
        ++current_;
        eof_ = false;
    } else {
        eof_ = true;
    }
}

bool ClientDataSet::eof() const {
    requireActive();
    return eof_;
}

int ClientDataSet::fieldCount() const { return static_cast<int>(fields_.size()); }

Field& ClientDataSet::fields(int index) {
    if (index < 0 || index >= fieldCount()) fail("List index out of bounds (" + std::to_string(index) + ")");
    return *fields_[static_cast<size_t>(index)];
}

Field* ClientDataSet::findField(const std::string& name) {
    for (auto& f : fields_) {
        if (sameName(f->fieldName(), name)) return f.get();
    }
    return nullptr;
}

Field& ClientDataSet::fieldByName(const std::string& name) {
    Field* f = findField(name);
    if (!f) fail("Field '" + name + "' not found");
    return *f;
}

const Value& ClientDataSet::currentValue(int index) const {
    static const Value kNull;
    if (state_ != State::Browse) return editBuffer_[static_cast<size_t>(index)];
    if (!active_ || rows_.empty()) return kNull;
    return rows_[static_cast<size_t>(current_)][static_cast<size_t>(index)];
}

void ClientDataSet::setCurrentValue(int index, Value v) {
    if (state_ == State::Browse) fail("Dataset not in edit or insert mode");
    editBuffer_[static_cast<size_t>(index)] = std::move(v);
}

void ClientDataSet::insert() {
    requireActive();
    if (state_ != State::Browse) post();
    state_ = State::Insert;
    editBuffer_.assign(fields_.size(), Value{});
    editOld_.clear();
}

void ClientDataSet::edit() {
    requireCurrentRow();
    if (state_ != State::Browse) return;
    state_ = State::Edit;
    editBuffer_ = rows_[static_cast<size_t>(current_)];
    editOld_ = editBuffer_;
}

void ClientDataSet::post() {
    requireActive();
    if (state_ == State::Insert) {
        const auto at = rows_.empty() ? rows_.begin() : rows_.begin() + current_;
        // The insert may move the rows: take the position from its result only.
        const auto inserted = rows_.insert(at, editBuffer_);
        current_ = static_cast<int>(inserted - rows_.begin());
        changeLog_.push_back({Change::Kind::Inserted, {}, editBuffer_});
    } else if (state_ == State::Edit) {
        rows_[static_cast<size_t>(current_)] = editBuffer_;
        changeLog_.push_back({Change::Kind::Modified, editOld_, editBuffer_});
    }
    state_ = State::Browse;
    eof_ = false;
    editBuffer_.clear();
    editOld_.clear();
}

bool ClientDataSet::modified() const { return !changeLog_.empty(); }

std::string ClientDataSet::updateTableName() const {
    std::string table = tableAfterFrom(commandText_);
    if (table.empty()) fail("Unable to resolve the table to update");
    return identifier(table, connection_->configuredDialect());
}

ClientDataSet::WriteStatement ClientDataSet::insertStatement(const Change& change,
                                                            const std::string& table) const {
    WriteStatement w;
    std::vector<std::string> columns, markers;
    for (const auto& f : fields_) {
        if (f->info().readOnly) continue;
        columns.push_back(identifier(f->info().name, connection_->configuredDialect()));
        markers.push_back("?");
        w.params.push_back(boundForColumn(change.newValues[static_cast<size_t>(f->index())], f->info()));
    }
    w.sql = "INSERT INTO " + table + " (" + joined(columns, ", ") + ") VALUES (" +
            joined(markers, ", ") + ")";
    return w;
}

// Sets the changed columns of the row found by the old values of all its columns
// but BLOBs and long ones. Empty when nothing changed.
std::optional<ClientDataSet::WriteStatement> ClientDataSet::updateStatement(
    const Change& change, const std::string& table) const {
    WriteStatement w;
    std::vector<std::string> sets, conditions;
    std::vector<BoundParam> whereParams;
    for (const auto& f : fields_) {
        const auto i = static_cast<size_t>(f->index());
        const ColumnInfo& info = f->info();
        if (!info.readOnly && !(change.oldValues[i] == change.newValues[i])) {
            sets.push_back(identifier(info.name, connection_->configuredDialect()) + " = ?");
            w.params.push_back(boundForColumn(change.newValues[i], info));
        }
        if (isBlob(info.type) || info.byteLength >= kLocateByteLimit) continue;
        if (change.oldValues[i].isNull()) {
            conditions.push_back(identifier(info.name, connection_->configuredDialect()) + " IS NULL");
        } else {
            conditions.push_back(identifier(info.name, connection_->configuredDialect()) + " = ?");
            whereParams.push_back(boundForColumn(change.oldValues[i], info));
        }
    }
    if (sets.empty()) return std::nullopt;
    w.params.insert(w.params.end(), whereParams.begin(), whereParams.end());
    w.sql = "UPDATE " + table + " SET " + joined(sets, ", ");
    if (!conditions.empty()) w.sql += " WHERE " + joined(conditions, " AND ");
    return w;
}

void ClientDataSet::applyChange(const Change& change, const std::string& table) {
    if (change.kind == Change::Kind::Inserted) {
        executeChange(insertStatement(change, table));
        return;
    }
    const auto update = updateStatement(change, table);
    if (!update) return;  // nothing changed
    if (locatesAtMostOneRow(change) || connection_->inTransaction()) {
        executeChange(*update);
        return;
    }
    // The update might reach several rows: run it in a transaction of its own so
    // that such an update is undone instead of written.
    connection_->startTransaction(ownTransaction());
    try {
        executeChange(*update);
    } catch (...) {
        // A connection whose link failed holds no transaction any more.
        if (connection_->inTransaction()) connection_->rollback({});
        throw;
    }
    connection_->commit({});
}

// An update finds at most one row when its table has a primary key and the row
// is located by every column of it.
// The provider's own transaction: identifier 1, the connection's configured isolation.
TransactionDesc ClientDataSet::ownTransaction() const {
    TransactionDesc desc;
    desc.isolation = connection_->configuredIsolation();
    return desc;
}

bool ClientDataSet::locatesAtMostOneRow(const Change& change) const {
    bool anyKey = false;
    for (const auto& f : fields_) {
        const ColumnInfo& info = f->info();
        if (!info.primaryKey) continue;
        anyKey = true;
        if (isBlob(info.type) || info.byteLength >= kLocateByteLimit ||
            change.oldValues[static_cast<size_t>(f->index())].isNull()) {
            return false;
        }
    }
    return anyKey;
}

void ClientDataSet::executeChange(const WriteStatement& w) {
    const uint64_t affected = connection_->cachedStatement(w.sql).execute(w.params);
    if (affected == 0) throw Error("Record not found or changed by another user");
    if (affected > 1) throw Error("Update affected more than 1 record.");
}

void ClientDataSet::abandonOwnTransaction(bool started) noexcept {
    if (!started || !connection_->inTransaction()) return;
    try {
        connection_->rollback({});
    } catch (...) {
        // Nothing of it was committed; the server undoes it when the attachment ends.
    }
}

int ClientDataSet::applyUpdates(int maxErrors) {
    requireActive();
    lastApplyErrors_.clear();
    if (state_ != State::Browse) post();
    if (changeLog_.empty()) return 0;
    if (!connection_) fail("Missing data provider or data packet");
    connection_->ensureOpen();  // the dialect the names are written in is the connection's
    const std::string table = updateTableName();

    // One change runs in the connection's current unit of work (its open
    // transaction, or on its own); several share a transaction of their own so that
    // a failure past maxErrors undoes them all.
    const bool oneTransaction = changeLog_.size() > 1 && !connection_->inTransaction();
    if (oneTransaction) connection_->startTransaction(ownTransaction());

    int failures = 0;
    std::vector<bool> written(changeLog_.size(), false);
    for (size_t i = 0; i < changeLog_.size(); ++i) {
        if (maxErrors >= 0 && failures > maxErrors) break;
        try {
            applyChange(changeLog_[i], table);
            written[i] = true;
        } catch (const Error& e) {
            // A failed link is no refused change: it ends the apply, the log kept.
            if (e.linkFailed()) {
                abandonOwnTransaction(oneTransaction);
                throw;
            }
            ++failures;
            lastApplyErrors_.push_back(e.what());
        }
    }
    if (oneTransaction) {
        if (maxErrors >= 0 && failures > maxErrors) {
            connection_->rollback({});
            return failures;  // nothing was written: the whole log stays
        }
        connection_->commit({});
    }
    std::vector<Change> remaining;
    for (size_t i = 0; i < changeLog_.size(); ++i) {
        if (!written[i]) remaining.push_back(std::move(changeLog_[i]));
    }
    changeLog_ = std::move(remaining);
    return failures;
}

}  // namespace db
