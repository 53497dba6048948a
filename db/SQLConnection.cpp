#include "db/SQLConnection.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>

#include "base/Platform.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "db/Error.h"
#include "db/IniFile.h"
#include "db/PasswordFile.h"

namespace db {
namespace {

constexpr size_t kStatementCacheSize = 64;

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Loads an INI file that must exist.
IniFile loadRegistryFile(const std::string& path) {
    if (!fileExists(path)) throw Error("Driver/Connection Registry File '" + path + "' not found");
    auto ini = IniFile::load(path);
    if (!ini) throw Error("Driver/Connection Registry File '" + path + "' not found");
    return *ini;
}

class ParamList {
public:
    explicit ParamList(const std::vector<std::pair<std::string, std::string>>& lines)
        : lines_(lines) {}
    std::optional<std::string> get(const std::string& key) const {
        for (const auto& [k, v] : lines_) {
            if (sameName(k, key)) return v;
        }
        return std::nullopt;
    }
    std::string text(const std::string& key) const { return get(key).value_or(""); }
    // True only when the trimmed value is "true" in any letter case; absent is false.
    bool flag(const std::string& key) const {
        auto v = get(key);
        return v && base::asciiLower(base::trimmed(*v)) == "true";
    }

private:
    const std::vector<std::pair<std::string, std::string>>& lines_;
};

Isolation isolationFrom(const std::string& value) {
    const std::string v = base::asciiLower(base::trimmed(value));
    if (v == "repeatableread") return Isolation::RepeatableRead;
    if (v == "dirtyread") return Isolation::DirtyRead;
    return Isolation::ReadCommitted;
}

// PasswordFile when set, else Password. With neither, no password is passed and
// the Firebird client takes ISC_PASSWORD from the environment.
std::string passwordFrom(const ParamList& p, const std::string& connectionsFile) {
    const std::string file = base::trimmed(p.text("PasswordFile"));
    const std::string password = p.text("Password");
    if (file.empty()) return password;
    if (!password.empty()) {
        throw Error("Both Password and PasswordFile are set; remove the Password line, so that "
                    "the password stays out of the connections file");
    }
    return readPasswordFile(passwordFilePath(file, connectionsFile));
}

// An empty or absent value leaves the client's own configuration in force.
WireCrypt wireCryptFrom(const ParamList& p) {
    const std::string value = base::trimmed(p.text("WireCrypt"));
    const std::string v = base::asciiLower(value);
    if (v.empty()) return WireCrypt::Default;
    if (v == "required") return WireCrypt::Required;
    if (v == "enabled") return WireCrypt::Enabled;
    if (v == "disabled") return WireCrypt::Disabled;
    throw Error("Invalid WireCrypt value '" + value + "': use Required, Enabled or Disabled");
}

std::optional<bool> wireCompressionFrom(const ParamList& p) {
    const std::string value = base::trimmed(p.text("WireCompression"));
    const std::string v = base::asciiLower(value);
    if (v.empty()) return std::nullopt;
    if (v == "true" || v == "false") return v == "true";
    throw Error("Invalid WireCompression value '" + value + "': use True or False");
}

ConnectOptions optionsFrom(const ParamList& p, const std::string& driverName,
                           const std::string& connectionsFile) {
    ConnectOptions o;
    o.database = base::trimmed(p.text("Database"));
    o.user = p.text("User_Name");
    o.password = passwordFrom(p, connectionsFile);
    o.wireCrypt = wireCryptFrom(p);
    o.wireCompression = wireCompressionFrom(p);
    o.role = base::trimmed(p.text("RoleName"));
    o.charset = base::trimmed(p.text("ServerCharSet"));
    o.dialect = std::max(1, std::atoi(p.text("SQLDialect").c_str()));
    if (!p.get("SQLDialect")) o.dialect = 3;
    o.isolation = isolationFrom(p.text(driverName + " TransIsolation"));
    o.waitOnLocks = p.flag("WaitOnLocks");
    o.commitRetain = p.flag("CommitRetain");
    o.trimChar = p.flag("Trim Char");
    const std::string blob = base::trimmed(p.text("BlobSize"));
    o.blobSize = blob.empty() ? -1 : std::atoi(blob.c_str());
    for (const char* key : {"HostName", "AutoCommit", "BlockingMode", "OS Authentication",
                            "Server Port", "Multiple Transaction", "Custom String",
                            "Connection Timeout"}) {
        if (auto v = p.get(key)) o.extra.emplace_back(key, *v);
    }
    return o;
}

// A bare library name resolves beside the executable.
std::string libraryPath(const std::string& name) {
    return name.find('/') == std::string::npos ? base::executableDir() + name : name;
}

}  // namespace

struct SQLConnection::CachedStatement {
    std::string sql;
    std::unique_ptr<Statement> statement;
};

SQLConnection::SQLConnection(std::string componentName, std::string connectionName,
                             RegistryFiles files)
    : componentName_(std::move(componentName)),
      connectionName_(std::move(connectionName)),
      files_(std::move(files)) {}

SQLConnection::~SQLConnection() { close(); }

bool SQLConnection::connected() const { return connection_ && connection_->isConnected(); }

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

    const std::string connectionsPath = files_.connectionsFile.empty()
                                            ? base::executableDir() + "dbxconnections.ini"
                                            : files_.connectionsFile;
    const IniFile connections = loadRegistryFile(connectionsPath);
    params_ = connections.section(connectionName_);
    const ParamList params(params_);

    const std::string driverName = base::trimmed(params.text("DriverName"));
    if (driverName.empty()) throw Error("Missing DriverName property");

    const std::string driversSetting =
        files_.driversFileLookup ? files_.driversFileLookup() : files_.driversFile;
    const std::string driversPath =
        driversSetting.empty() ? base::executableDir() + "dbxdrivers.ini" : driversSetting;
    const IniFile drivers = loadRegistryFile(driversPath);
    const std::string libraryName = base::trimmed(drivers.value(driverName, "LibraryName").value_or(""));
    const std::string vendorLib = base::trimmed(drivers.value(driverName, "VendorLib").value_or(""));
    const std::string entryPoint = base::trimmed(drivers.value(driverName, "GetDriverFunc").value_or(""));
    if (libraryName.empty() || vendorLib.empty()) throw Error("DLL/Shared Library Name not Set");

    if (base::trimmed(params.text("Database")).empty()) throw Error("Missing Database property");

    // The module stays loaded for the rest of the process: the driver, its
    // connections and the errors they throw are its code.
    base::SharedLibrary driverModule;
    if (!driverModule.load(libraryPath(libraryName))) throw Error("Unable to Load " + libraryName);
    auto getDriver = reinterpret_cast<OlvGetDriverFunc>(driverModule.symbol(entryPoint));
    if (entryPoint.empty() || !getDriver) throw Error("Unable to Find Procedure " + entryPoint);

    Driver* driver = nullptr;
    char message[1024] = {};
    const std::string errorFile = base::trimmed(params.text("ErrorResourceFile"));
    if (getDriver(vendorLib.c_str(), errorFile.c_str(), &driver, message, sizeof message) != 0 ||
        !driver) {
        throw Error(message[0] ? message : "Unable to Load " + vendorLib);
    }
    driver_.reset(driver);
    connection_ = driver_->createConnection();
    const ConnectOptions options = optionsFrom(params, driverName, connectionsPath);
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

bool SQLConnection::inTransaction() const { return connected() && connection_->inTransaction(); }

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
    if (statementCache_.size() >= kStatementCacheSize) statementCache_.erase(statementCache_.begin());
    statementCache_.push_back(std::make_unique<CachedStatement>(CachedStatement{sql, std::move(statement)}));
    return *statementCache_.back()->statement;
}

}  // namespace db
