#include "db/SQLConnection.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "base/Platform.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "db/ConnectionParams.h"
#include "db/DriverModule.h"
#include "db/Error.h"
#include "db/IniFile.h"

namespace db {
namespace {

constexpr size_t kStatementCacheSize = 64;

[[noreturn]] void registryFileMissing(const std::string& path) {
    throw Error("Driver/Connection Registry File '" + path + "' not found");
}

// A file that is there but may not be read is named where it really is, the
// place whose owner or mode is to be changed.
[[noreturn]] void registryFileUnreadable(const std::string& path, int error) {
    throw Error("Driver/Connection Registry File '" + base::linkResolvedPath(path) + "' " +
                base::readRefusalText(error));
}

// Loads an INI file that must exist.
IniFile loadRegistryFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int error = errno;
        if (base::isMissingFileError(error)) registryFileMissing(path);
        registryFileUnreadable(path, error);
    }
    if (!S_ISREG(st.st_mode)) registryFileMissing(path);
    if (const int error = base::openForReadingError(path)) registryFileUnreadable(path, error);
    auto ini = IniFile::load(path);
    if (!ini) registryFileMissing(path);
    return *ini;
}

// The line after "DLL/Shared Library Name not Set": the file and the key to look at.
std::string missingLibraryContext(const IniFile& drivers, const std::string& driversPath,
                                  const std::string& driverName, const DriverEntry& entry) {
    const std::string where = "Drivers file '" + driversPath + "'";
    if (drivers.section(driverName).empty())
        return where + " has no section [" + driverName + "], the DriverName of the connection";
    const char* key = entry.libraryName.empty() ? "LibraryName" : "VendorLib";
    return where + ", section [" + driverName + "]: " + key + " is missing or empty";
}

}  // namespace

std::string connectionsFilePath(const RegistryFiles& files) {
    return files.connectionsFile.empty() ? base::executableDir() + "dbxconnections.ini"
                                         : files.connectionsFile;
}

std::string driversFileSetting(const RegistryFiles& files) {
    return files.driversFileLookup ? files.driversFileLookup() : files.driversFile;
}

std::string driversFilePath(const RegistryFiles& files) {
    const std::string setting = driversFileSetting(files);
    return setting.empty() ? base::executableDir() + "dbxdrivers.ini" : setting;
}

struct SQLConnection::CachedStatement {
    std::string sql;
    std::unique_ptr<Statement> statement;
};

SQLConnection::SQLConnection(std::string componentName, std::string connectionName,
                             RegistryFiles files)
    : componentName_(std::move(componentName)),
      connectionName_(std::move(connectionName)),
      files_(std::move(files)) {}

SQLConnection::~SQLConnection() {
    close();
}

bool SQLConnection::connected() const {
    return connection_ && connection_->isConnected();
}

void SQLConnection::ensureOpen() {
    if (connected()) return;
    // The busy cursor shows while connecting, however the connect ends.
    if (connectingHook_) connectingHook_(true);
    const base::ScopeExit notBusy([this] {
        if (connectingHook_) connectingHook_(false);
    });
    close();
    try {
        open();
    } catch (...) {
        close();
        throw;
    }
}

void SQLConnection::open() {
    if (connectionName_.empty()) throw Error("Connection name missing");

    const std::string connectionsPath = connectionsFilePath(files_);
    const IniFile connections = loadRegistryFile(connectionsPath);
    params_ = connections.section(connectionName_);
    const std::string driverName = base::trimmed(sectionValue(params_, "DriverName"));
    if (driverName.empty()) throw Error("Missing DriverName property");

    const std::string driversPath = driversFilePath(files_);
    const IniFile drivers = loadRegistryFile(driversPath);
    const DriverEntry entry{base::trimmed(drivers.value(driverName, "LibraryName").value_or("")),
                            base::trimmed(drivers.value(driverName, "GetDriverFunc").value_or("")),
                            base::trimmed(drivers.value(driverName, "VendorLib").value_or(""))};
    if (entry.libraryName.empty() || entry.vendorLib.empty())
        throw Error("DLL/Shared Library Name not Set\n" +
                    missingLibraryContext(drivers, driversPath, driverName, entry));

    if (base::trimmed(sectionValue(params_, "Database")).empty())
        throw Error("Missing Database property");

    driver_ = loadDriver(entry, base::trimmed(sectionValue(params_, "ErrorResourceFile")));
    connection_ = driver_->createConnection();
    const ConnectOptions options = connectOptionsFrom(params_, driverName, connectionsPath);
    isolation_ = options.isolation;
    dialect_ = options.dialect;
    connection_->connect(options);
}

void SQLConnection::close() noexcept {
    statementCache_.clear();
    if (connection_) {
        try {
            connection_->disconnect();
        } catch (...) {
        }
    }
    connection_.reset();
    driver_.reset();
}

void SQLConnection::verifyLink() noexcept {
    if (connection_ && connection_->isConnected() && !connection_->ping()) close();
}

Connection& SQLConnection::driverConnection() {
    ensureOpen();
    return *connection_;
}

bool SQLConnection::inTransaction() const {
    return connected() && connection_->inTransaction();
}

TransactionDesc SQLConnection::configuredTransaction() {
    ensureOpen();
    return {.isolation = isolation_};
}

void SQLConnection::startTransaction(const TransactionDesc& desc) {
    ensureOpen();
    if (!connected()) fail("Cannot perform this operation on a closed connection");
    if (connection_->inTransaction()) fail("A transaction is already active");
    connection_->startTransaction(desc.isolation);
}

void SQLConnection::commit(const TransactionDesc&) {
    if (!inTransaction()) fail("There is no active transaction");
    connection_->commit();
}

void SQLConnection::rollback(const TransactionDesc&) {
    if (!inTransaction()) fail("There is no active transaction");
    connection_->rollback();
}

void SQLConnection::fail(const std::string& message) const {
    throw Error(withComponentName(componentName_, message));
}

void SQLConnection::endImplicitTransaction() {
    if (connected()) connection_->endImplicitTransaction();
}

Statement& SQLConnection::cachedStatement(const std::string& sql) {
    ensureOpen();
    auto it = std::find_if(statementCache_.begin(), statementCache_.end(),
                           [&](const auto& c) { return c->sql == sql; });
    if (it != statementCache_.end()) {
        // Keep the most recently used at the back.
        std::rotate(it, it + 1, statementCache_.end());
        return *statementCache_.back()->statement;
    }
    auto statement = connection_->prepare(sql);
    if (statementCache_.size() >= kStatementCacheSize)
        statementCache_.erase(statementCache_.begin());
    statementCache_.push_back(
        std::make_unique<CachedStatement>(CachedStatement{sql, std::move(statement)}));
    return *statementCache_.back()->statement;
}

}  // namespace db
