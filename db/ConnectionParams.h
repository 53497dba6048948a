#pragma once

#include <string>
#include <utility>
#include <vector>

#include "db/Driver.h"

namespace db {

// The lines of a connection's section in the connections file, as read.
using SectionLines = std::vector<std::pair<std::string, std::string>>;

// The options a section asks for. Keys match without regard to case; a yes/no key
// is on only when its trimmed value is "true" in any letter case; the isolation key
// is "<driverName> TransIsolation". The password comes from PasswordFile (a
// relative path taken from the connections file's folder) or Password. Throws
// db::Error for a value it cannot take (a wrong WireCrypt, a password file open to
// others, both Password and PasswordFile, a Lock Timeout that is not a number of
// seconds).
ConnectOptions connectOptionsFrom(const SectionLines& section, const std::string& driverName,
                                  const std::string& connectionsFile);

// The value of a key of a section, empty when absent.
std::string sectionValue(const SectionLines& section, const std::string& key);

}  // namespace db
