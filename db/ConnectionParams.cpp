#include "db/ConnectionParams.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "base/Text.h"
#include "db/Error.h"
#include "db/IniFile.h"
#include "db/PasswordFile.h"

namespace db {
namespace {

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
        throw Error(
            "Both Password and PasswordFile are set; remove the Password line, so that "
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

// A whole number of seconds; an empty or absent value is 0, no limit.
int lockTimeoutFrom(const ParamList& p) {
    const std::string value = base::trimmed(p.text("Lock Timeout"));
    if (value.empty()) return 0;
    const bool digits = value.size() <= 6 && std::all_of(value.begin(), value.end(), [](char c) {
                            return c >= '0' && c <= '9';
                        });
    if (!digits) throw Error("Invalid Lock Timeout value '" + value + "': use a number of seconds");
    return std::atoi(value.c_str());
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
    o.lockTimeoutSeconds = lockTimeoutFrom(p);
    o.commitRetain = p.flag("CommitRetain");
    o.trimChar = p.flag("Trim Char");
    const std::string blob = base::trimmed(p.text("BlobSize"));
    o.blobSize = blob.empty() ? -1 : std::atoi(blob.c_str());
    for (const char* key :
         {"HostName", "AutoCommit", "BlockingMode", "OS Authentication", "Server Port",
          "Multiple Transaction", "Custom String", "Connection Timeout"}) {
        if (auto v = p.get(key)) o.extra.emplace_back(key, *v);
    }
    return o;
}

}  // namespace

ConnectOptions connectOptionsFrom(const SectionLines& section, const std::string& driverName,
                                  const std::string& connectionsFile) {
    return optionsFrom(ParamList(section), driverName, connectionsFile);
}

std::string sectionValue(const SectionLines& section, const std::string& key) {
    return ParamList(section).text(key);
}

}  // namespace db
