#include "db/ClientDataSet.h"

#include "db/DataSetResolver.h"
#include "db/Error.h"
#include "db/IniFile.h"
#include "db/TableFile.h"

namespace db {

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
    if (state_ == State::Browse && rows_.empty())
        fail("Cannot perform this operation on an empty dataset");
}

void ClientDataSet::close() {
    packetCursor_.reset();
    packetStatement_.reset();
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
    std::vector<std::vector<Value>> rows = fetchRows(*cursor, packetRecords_);
    defineFields(columns);
    rows_ = std::move(rows);
    if (packetRecords_ > 0 && static_cast<int>(rows_.size()) == packetRecords_) {
        packetStatement_ = std::move(statement);
        packetCursor_ = std::move(cursor);
    }
    active_ = true;
    first();
}

std::vector<std::vector<Value>> ClientDataSet::fetchRows(Cursor& cursor, int limit) {
    std::vector<std::vector<Value>> rows;
    std::vector<Value> row;
    while ((limit < 0 || static_cast<int>(rows.size()) < limit) && cursor.fetch(row))
        rows.push_back(row);
    return rows;
}

int ClientDataSet::getNextPacket() {
    requireActive();
    if (state_ != State::Browse) post();
    rows_.clear();
    changeLog_.clear();
    if (packetCursor_) {
        try {
            rows_ = fetchRows(*packetCursor_, packetRecords_);
        } catch (...) {
            close();
            throw;
        }
        if (static_cast<int>(rows_.size()) < packetRecords_) {
            packetCursor_.reset();
            packetStatement_.reset();
        }
    }
    first();
    return static_cast<int>(rows_.size());
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

int ClientDataSet::fieldCount() const {
    return static_cast<int>(fields_.size());
}

Field& ClientDataSet::fields(int index) {
    if (index < 0 || index >= fieldCount())
        fail("List index out of bounds (" + std::to_string(index) + ")");
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
        changeLog_.push_back({RowChange::Kind::Inserted, {}, editBuffer_});
    } else if (state_ == State::Edit) {
        rows_[static_cast<size_t>(current_)] = editBuffer_;
        changeLog_.push_back({RowChange::Kind::Modified, editOld_, editBuffer_});
    }
    state_ = State::Browse;
    eof_ = false;
    editBuffer_.clear();
    editOld_.clear();
}

bool ClientDataSet::modified() const {
    return !changeLog_.empty();
}

int ClientDataSet::applyUpdates(int maxErrors) {
    requireActive();
    lastApplyErrors_.clear();
    if (state_ != State::Browse) post();
    if (changeLog_.empty()) return 0;
    if (!connection_) fail("Missing data provider or data packet");
    connection_->ensureOpen();  // the dialect the names are written in is the connection's
    const std::string table = tableToUpdate(commandText_);
    if (table.empty()) fail("Unable to resolve the table to update");

    std::vector<ColumnInfo> columns;
    for (const auto& f : fields_) columns.push_back(f->info());
    DataSetResolver::Result result =
        DataSetResolver(*connection_, std::move(columns), table).apply(changeLog_, maxErrors);
    lastApplyErrors_ = std::move(result.errors);
    std::vector<RowChange> remaining;
    for (size_t i = 0; i < changeLog_.size(); ++i) {
        if (!result.written[i]) remaining.push_back(std::move(changeLog_[i]));
    }
    changeLog_ = std::move(remaining);
    return result.failures;
}

}  // namespace db
