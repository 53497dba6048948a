#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/Driver.h"

namespace db {

// Where a connection finds its two INI files. The app reads the per-user settings
// "Connection Registry File" and "Driver Registry File" and hands the paths down;
// an empty path means the default beside the executable. The connections file is
// settled when the connection is made; the drivers file at every connect, through
// driversFileLookup when it is set.
struct RegistryFiles {
    std::string connectionsFile;  // default: executableDir() + "dbxconnections.ini"
    std::string driversFile;      // default: executableDir() + "dbxdrivers.ini"
    std::function<std::string()> driversFileLookup = {};  // when set, replaces driversFile
};

// The files a connection reads at connect: the path given (the drivers file's
// looked up when a lookup is set), or the default beside the executable.
std::string connectionsFilePath(const RegistryFiles& files);
std::string driversFilePath(const RegistryFiles& files);
// The drivers file's path as given; empty for the default.
std::string driversFileSetting(const RegistryFiles& files);

// Names an explicit transaction: its identifier (1 by default) and isolation.
struct TransactionDesc {
    // The identifier the bill copy's protocol names its transaction by. A connection
    // holds one explicit transaction at a time, so nothing needs to read it.
    int transactionId = 1;
    Isolation isolation = Isolation::ReadCommitted;
};

// A named connection ("Dravonel", "Corvane"). It opens on first use (ensureOpen),
// reading its parameters from the connections file and its driver from the drivers
// file each time it connects, and stays open until destroyed. A failed open leaves
// it closed; the next use tries again from the start.
class SQLConnection {
  public:
    SQLConnection(std::string componentName, std::string connectionName, RegistryFiles files);
    ~SQLConnection();
    SQLConnection(const SQLConnection&) = delete;
    SQLConnection& operator=(const SQLConnection&) = delete;

    const std::string& name() const { return componentName_; }
    const std::string& connectionName() const { return connectionName_; }
    bool connected() const;

    // Opens the connection if it is closed; throws db::Error with the messages of
    // the connection error table ("Missing DriverName property", ...) or the
    // database's own. A connection whose link failed counts as closed.
    void ensureOpen();
    // Asks an open connection whether its link still answers, and closes one that
    // does not, so that its next use connects again (a server that restarted while
    // the program waited for its next run). Never throws.
    void verifyLink() noexcept;
    // The open driver connection (ensureOpen first).
    Connection& driverConnection();

    // The parameter list of the last connect (the section's lines), for inspection.
    const std::vector<std::pair<std::string, std::string>>& params() const { return params_; }

    // Explicit transactions, one at a time per connection: so commit and rollback
    // need no descriptor to find theirs, and take one only to match the calls that
    // start them. Misplaced calls throw the connection's own error, its name first.
    bool inTransaction() const;
    void startTransaction(const TransactionDesc& desc);
    void commit(const TransactionDesc& desc);
    void rollback(const TransactionDesc& desc);

    // Ends the implicit autocommit transaction, if open (at the end of a run).
    void endImplicitTransaction();

    // Called with true before connecting and false after (the window shows the busy
    // cursor meanwhile). May be empty.
    void setConnectingHook(std::function<void(bool)> hook) { connectingHook_ = std::move(hook); }

    // The isolation and SQL dialect the parameter list of the last connect asks for.
    Isolation configuredIsolation() const { return isolation_; }
    // An explicit transaction as the connection's parameters ask for it: identifier
    // 1 and the configured isolation (waiting and the lock timeout go with the
    // connection itself). Opens the connection first, so that they are its own.
    TransactionDesc configuredTransaction();
    int configuredDialect() const { return dialect_; }

    // A statement prepared once per text and reused while connected (the most
    // recently used 64); it runs in the connection's current unit of work.
    Statement& cachedStatement(const std::string& sql);
    // Frees every cached statement, so that the next use prepares afresh against the
    // database as it is then: a statement prepared before another program dropped a
    // constraint or altered a column would still act on the old definition.
    void releaseCachedStatements() noexcept;

  private:
    // Throws the connection's own error, its name first ("SQLConnection2: ...").
    [[noreturn]] void fail(const std::string& message) const;
    void open();
    void close() noexcept;

    std::string componentName_;
    std::string connectionName_;
    RegistryFiles files_;
    std::vector<std::pair<std::string, std::string>> params_;
    std::function<void(bool)> connectingHook_;
    Isolation isolation_ = Isolation::ReadCommitted;
    int dialect_ = 3;

    std::unique_ptr<Driver> driver_;
    std::unique_ptr<Connection> connection_;
    struct CachedStatement;
    std::vector<std::unique_ptr<CachedStatement>> statementCache_;
};

}  // namespace db
