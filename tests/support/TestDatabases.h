#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Test databases for every test: a fresh folder with a source (headquarters) and a
// target (branch) database built from SQL scripts, the configuration files that
// point the program at them, and a way to change and read them that is independent
// of our own database layer (it uses Firebird's client directly).
namespace testsupport {

// Query results: one row per result row, each value as text:
//   integers in decimal; NUMERIC/DECIMAL as an exact decimal without trailing zeros
//   ("12.5", "3", "-0.25"); floating-point numbers with %.15g; DATE "yyyy/mm/dd";
//   TIME "hh:nn:ss" (".ffff" ten-thousandths appended when not zero); TIMESTAMP the date,
//   followed when the time is not midnight by a blank and the time; CHAR with its
//   trailing blanks TRIMMED; VARCHAR and BLOB contents as they are; BOOLEAN "1"/"0";
//   null as "<null>".
using Rows = std::vector<std::vector<std::string>>;

// Where the connections file written by TestDatabases::writeRegistry points.
struct RegistryOptions {
    std::string sourceDatabase = {};
    std::string targetDatabase = {};
    std::string sourcePassword = {};  // empty: the test login's own
};

class TestDatabases {
  public:
    // hq.fdb (source) from schema/tables.sql and schema/queues.sql, branch.fdb (target)
    // from schema/tables.sql
    // of the source tree. Throws std::runtime_error when a script is missing or fails.
    TestDatabases();
    // The same from the given SQL texts (scripts, not paths).
    TestDatabases(const std::string& sourceSql, const std::string& targetSql);
    // Detaches its own attachments and removes the folder.
    ~TestDatabases();
    TestDatabases(const TestDatabases&) = delete;
    TestDatabases& operator=(const TestDatabases&) = delete;

    const std::string& folder() const;  // without a trailing separator
    std::string sourcePath() const;     // folder()/hq.fdb
    std::string targetPath() const;     // folder()/branch.fdb

    // Writes dbxconnections.ini ([Dravonel] the source, [Corvane] the target, with the
    // keys of the connection parameter table: DriverName=Interbase, User_Name=OLVTEST,
    // Password=olvtest, SQLDialect=3, ServerCharSet=UTF8, ...) and dbxdrivers.ini
    // ([Interbase] LibraryName=<the built driver module>, GetDriverFunc=getSQLDriverINTERBASE,
    // VendorLib=libfbclient.so.2) into folder(); returns their paths (connections, drivers).
    // An empty option keeps the database's path (embedded); set one to reach a database
    // another way, e.g. "localhost:" + sourcePath() for the loopback server.
    using RegistryOptions = testsupport::RegistryOptions;
    std::pair<std::string, std::string> writeRegistry(const RegistryOptions& options = {}) const;

    // Each statement runs in its own transaction, committed.
    void execSource(const std::string& sql);
    void execTarget(const std::string& sql);
    Rows querySource(const std::string& sql);
    Rows queryTarget(const std::string& sql);

    // Detaches this object's attachments (they are made again on the next exec/query),
    // so that another process (the built program, the server) can open the files.
    void detachAll();
    // With true, this object's later attachments go through the loopback server
    // ("localhost:<path>", OLVTEST/olvtest) instead of the embedded engine: needed while
    // the server holds the files, since both cannot open one file at once.
    void attachThroughServer(bool on);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Runs an SQL script against a database (a path opens it embedded): statements end
// with ';' (or the terminator of a SET TERM) outside quotes and comments; "--" and
// "/* */" comments are dropped; isql's own commands (SET SQL DIALECT, SET NAMES,
// SET AUTODDL, CREATE DATABASE, CONNECT, COMMIT, ...) are skipped; every statement is
// committed on its own. Throws std::runtime_error with Firebird's message.
void runScript(const std::string& databasePath, const std::string& script);

// The statements of a script as runScript sees them (SET TERM consumed).
std::vector<std::string> splitScript(const std::string& script);

// Whether something accepts TCP connections on 127.0.0.1:3050 (the test command
// starts the Firebird server there).
bool loopbackServerAvailable();

// The absolute path of the built driver module (build/libdbxfb.so).
std::string driverModulePath();

// The folder holding the schema scripts (schema/ of the source tree).
std::string schemaDir();

}  // namespace testsupport
