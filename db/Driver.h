#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/Value.h"

// The driver interface: what the dataset layer needs of a database client. A
// driver lives in a shared module that the connection loads by the drivers file's
// LibraryName and asks for its driver through the entry point GetDriverFunc.
namespace db {

// A column's type as the driver reports it.
enum class FieldType {
    SmallInt,
    Integer,
    BigInt,
    Decimal,
    Double,
    Date,
    Time,
    Timestamp,
    FixedChar,   // CHAR(n): values keep their trailing blanks unless trimming is asked for
    VarChar,     // VARCHAR(n)
    TextBlob,    // BLOB SUB_TYPE TEXT
    BinaryBlob,  // any other BLOB
    Boolean,
};

// One column of a result.
struct ColumnInfo {
    std::string name;      // the column's alias as the database reports it (upper case unquoted)
    std::string relation;  // the table the column comes from, empty for an expression
    FieldType type = FieldType::VarChar;
    int size = 0;        // text: characters; numbers and dates: bytes in the message
    int byteLength = 0;  // bytes the value takes in the message (CHAR(6) in UTF8: 24)
    int scale = 0;       // Decimal only, <= 0
    bool nullable = true;
    bool readOnly = false;    // computed columns: never written back
    bool primaryKey = false;  // part of its table's primary key
};

enum class Isolation { ReadCommitted, RepeatableRead, DirtyRead };

// What the client asks of the link to a server about encryption. Default leaves
// the client's own configuration in force (Firebird's: Enabled, encrypted when
// the server agrees).
enum class WireCrypt { Default, Disabled, Enabled, Required };

// The options of a connection, mapped from its parameter list.
struct ConnectOptions {
    std::string database;  // "host:/path/file.fdb", "host/port:path", or a bare path (embedded)
    std::string user;
    std::string password;
    std::string role;     // passed only when not empty
    std::string charset;  // passed only when not empty
    int dialect = 3;
    Isolation isolation = Isolation::ReadCommitted;
    bool waitOnLocks = true;
    // With waitOnLocks, how long a statement waits for a locked row before it is
    // refused with Firebird's lock time-out; 0 waits without end.
    int lockTimeoutSeconds = 0;
    bool commitRetain = false;
    bool trimChar = false;  // trim the trailing blanks of CHAR values
    int blobSize = -1;      // as given; BLOB values are fetched whole whatever it says
    // The link to a server; ignored by an embedded attachment. nullopt leaves the
    // client's own configuration in force (Firebird's: not compressed).
    WireCrypt wireCrypt = WireCrypt::Default;
    std::optional<bool> wireCompression;
    // Further keys of the parameter list ("HostName", "Connection Timeout", ...), as given.
    std::vector<std::pair<std::string, std::string>> extra;
};

// A parameter as bound: its type (fixed by the first non-null value) and its value,
// which may be null.
struct BoundParam {
    ValueKind type = ValueKind::Null;  // never Null when executed
    Value value;
};

// Rows of an open result. Fetching past the end returns false. Owned by the caller;
// must be destroyed before its statement.
class Cursor {
  public:
    virtual ~Cursor() = default;
    virtual const std::vector<ColumnInfo>& columns() const = 0;
    // Fills row with the next row's values, one per column; false at the end.
    virtual bool fetch(std::vector<Value>& row) = 0;
};

// A prepared statement, reusable until destroyed. Owned by the caller; must be
// destroyed before its connection.
class Statement {
  public:
    virtual ~Statement() = default;
    // Whether executing it gives rows (a SELECT).
    virtual bool hasResultSet() const = 0;
    // Runs a statement that returns no rows; returns the number of rows affected.
    virtual uint64_t execute(const std::vector<BoundParam>& params) = 0;
    // Runs a query; its rows are read through the cursor.
    virtual std::unique_ptr<Cursor> openCursor(const std::vector<BoundParam>& params) = 0;
};

// One attachment to a database. Statements prepared or run while no explicit
// transaction is open run in the connection's implicit transaction, which commits
// every statement when it completes. Errors are thrown as db::Error with the
// database's own message as Firebird formats it, its codes and its kind.
class Connection {
  public:
    virtual ~Connection() = default;
    virtual void connect(const ConnectOptions& options) = 0;
    // False once the link or the database failed (an error of the kind LinkFailed):
    // such a connection is only disconnected and connected again.
    virtual bool isConnected() const = 0;
    virtual void disconnect() = 0;
    // Whether the link still answers (a round trip to the server); when it does not,
    // the connection reports itself not connected from then on. Never throws.
    virtual bool ping() = 0;

    virtual std::unique_ptr<Statement> prepare(const std::string& sql) = 0;

    // Explicit transactions (one at a time).
    virtual bool inTransaction() const = 0;
    virtual void startTransaction(Isolation isolation) = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;

    // Ends the implicit transaction, if one is open; everything it ran is committed
    // already. Called when a run ends so that no transaction stays open between runs.
    virtual void endImplicitTransaction() = 0;
    // Whether the server lets one connection hold several transactions at once.
    virtual bool supportsMultipleTransactions() const = 0;
};

// Hands out connections. Owned by whoever obtained it from the entry point; must be
// destroyed before its module is unloaded.
class Driver {
  public:
    virtual ~Driver() = default;
    virtual std::unique_ptr<Connection> createConnection() = 0;
};

}  // namespace db

// The entry point a driver module exports under the name given by GetDriverFunc.
// On success it stores a new driver in *driver and returns 0; on failure it returns
// non-zero and writes the message (for example "Unable to Load libfbclient.so.2")
// into message, at most messageSize bytes with the terminator.
extern "C" {
typedef int (*OlvGetDriverFunc)(const char* vendorLib, const char* errorResourceFile,
                                db::Driver** driver, char* message, std::size_t messageSize);
}
