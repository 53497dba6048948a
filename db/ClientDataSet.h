#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/DataSetResolver.h"
#include "db/Field.h"
#include "db/SQLConnection.h"
#include "db/Value.h"

namespace db {

// A buffered query result that can take changes and write them back: a client
// dataset with its provider and SQL dataset in one object. open() fetches the whole
// result; insert/edit/post record changes in a change log; applyUpdates writes them
// back to the table named after FROM in the command text.
//
// Errors of the dataset itself carry its name first ("CDS_T1: Field 'X' not
// found"); the database's own messages and connection set-up errors come as the
// database and the connection gave them.
class ClientDataSet {
  public:
    // connection may be null for a dataset fed only from a table file.
    ClientDataSet(std::string name, SQLConnection* connection);
    ~ClientDataSet();
    ClientDataSet(const ClientDataSet&) = delete;
    ClientDataSet& operator=(const ClientDataSet&) = delete;

    const std::string& name() const { return name_; }

    // Dropping rows and unapplied changes; closing a closed dataset does nothing.
    void close();
    bool active() const { return active_; }

    void setCommandText(std::string sql) { commandText_ = std::move(sql); }
    const std::string& commandText() const { return commandText_; }

    // Runs the command text as a query and holds every row; stands on the first.
    // With packets (setPacketRecords) it holds at most one packet of rows and keeps
    // the query open for getNextPacket().
    void open();
    // Rows per packet: -1 (the default) for the whole result at open().
    void setPacketRecords(int count) { packetRecords_ = count; }
    // Replaces the rows held by the next packet of the open query and stands on its
    // first; returns how many came. 0 once the result is exhausted, which ends the
    // query (the dataset stays open and empty). A fetch that fails closes the dataset.
    int getNextPacket();
    // Runs the command text as a statement without a result; stays closed. Returns
    // the number of rows it affected.
    uint64_t execute();
    // Loads a table file (see TableFile.h) and stands on its first row.
    void loadFromFile(const std::string& path);

    int recordCount() const;
    void first();
    void next();
    bool eof() const;

    int fieldCount() const;
    Field& fields(int index);
    // The field of that name, without regard to case; throws "Field '%s' not found".
    Field& fieldByName(const std::string& name);
    // nullptr when there is no field of that name.
    Field* findField(const std::string& name);

    void insert();
    void edit();
    void post();
    bool modified() const;

    // Writes the change log back as described for the provider and returns the
    // number of changes the database refused; the first failure ends the apply when
    // maxErrors is 0. Failed changes stay in the log until the next close; their
    // messages are in lastApplyErrors(). A failure of the link or the database is
    // not counted: it is thrown, and nothing of the apply is committed that was
    // not committed already.
    int applyUpdates(int maxErrors);
    const std::vector<std::string>& lastApplyErrors() const { return lastApplyErrors_; }

    // Suspend and resume notices to bound controls; no control is ever bound.
    void disableControls() {}
    void enableControls() {}

    // The current row's value of a field (what Field reads and writes).
    const Value& currentValue(int index) const;
    void setCurrentValue(int index, Value v);

  private:
    enum class State { Browse, Insert, Edit };

    void requireActive() const;
    void requireCurrentRow() const;
    [[noreturn]] void fail(const std::string& message) const;
    void defineFields(const std::vector<ColumnInfo>& columns);
    // Up to limit rows of cursor (all when limit < 0).
    static std::vector<std::vector<Value>> fetchRows(Cursor& cursor, int limit);

    std::string name_;
    SQLConnection* connection_;
    std::string commandText_;
    bool active_ = false;
    State state_ = State::Browse;
    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<std::vector<Value>> rows_;
    int current_ = 0;
    bool eof_ = true;
    std::vector<Value> editBuffer_;
    std::vector<Value> editOld_;
    std::vector<RowChange> changeLog_;
    std::vector<std::string> lastApplyErrors_;
    int packetRecords_ = -1;
    // The query of a dataset read in packets, while rows remain; the cursor is
    // released before its statement.
    std::unique_ptr<Statement> packetStatement_;
    std::unique_ptr<Cursor> packetCursor_;
};

}  // namespace db
