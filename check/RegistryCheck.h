#pragma once

#include <string>
#include <vector>

#include "check/CheckReport.h"
#include "db/SQLConnection.h"

namespace check {

// The connections file and the drivers file as a named connection settles them at
// connect: the path given, or the default beside the executable.
std::string connectionsFilePath(const db::RegistryFiles& files);
std::string driversFilePath(const db::RegistryFiles& files);

// Checks what the named connections read before they reach a database, one line
// each: the connections file; each connection's section with its DriverName and
// Database; the drivers file; and each driver the sections name (once), its
// LibraryName, GetDriverFunc and VendorLib, the module loaded and its entry point
// found, the client library loaded. Returns, per connection name in the order
// given, whether all of that passed, so that opening it can tell something new.
//
// A driver module and client library loaded here stay loaded for the life of the
// process, as the design asks of every module: a connection that fails and unloads
// its module is then never the module's last user.
std::vector<bool> checkRegistry(const db::RegistryFiles& files,
                                const std::vector<std::string>& connectionNames,
                                CheckReport& report);

}  // namespace check
