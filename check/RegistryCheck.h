#pragma once

#include <string>
#include <vector>

#include "check/CheckReport.h"
#include "db/SQLConnection.h"

namespace check {

// Checks what the named connections read before they reach a database, one line
// each: the connections file; each connection's section with its DriverName and
// Database; the drivers file; and each driver the sections name (once), its
// LibraryName, GetDriverFunc and VendorLib, the module loaded and its entry point
// found, the client library loaded. Returns, per connection name in the order
// given, whether all of that passed, so that opening it can tell something new.
// (Libraries it loads stay loaded for the rest of the process, as every shared
// library the program loads does.)
// A file the program reads that is there but that this process may not read, as
// a failure line: what was found (the file named where it really is, links
// followed) and what to do. False when the file can be read or is not there.
bool reportUnreadable(const std::string& subject, const std::string& path, CheckReport& report);

std::vector<bool> checkRegistry(const db::RegistryFiles& files,
                                const std::vector<std::string>& connectionNames,
                                CheckReport& report);

}  // namespace check
